// TCP channels on the loopback interface: connecting by name and by address, addresses,
// options with their readable names, shutdown, time-outs and the argument checks.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <thread>

#include "MemoryChannel.h"
#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVIllegalState.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/data/IKVString.h"
#include "kvfoundation/io/ChannelTimeout.h"
#include "kvfoundation/io/KVTimeOut.h"
#include "kvfoundation/net/IKVInet4Addr.h"
#include "kvfoundation/net/InetAddr.h"
#include "kvfoundation/net/TcpChannel.h"
#include "kvfoundation/system/KVSysError.h"

using namespace kvfoundation;
using kvtest::MessageOf;
using net::TcpChannel;

namespace {

// A listening socket on 127.0.0.1 with a port of the system's choice.
class Listener {
public:
    Listener() {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
            ::listen(fd_, 8) != 0 ||
            ::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            ADD_FAILURE() << "listener: " << std::strerror(errno);
        }
        port_ = ntohs(address.sin_port);
    }
    ~Listener() { ::close(fd_); }
    int port() const { return port_; }
    // The server side of the next connection (owned by the caller).
    int Accept() const { return ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC); }

private:
    int fd_;
    int port_;
};

template <class Exception, class Call>
std::string Failure(Call call) {
    try {
        call();
    } catch (const Exception& e) {
        return MessageOf(e);
    }
    return "(no exception)";
}

TEST(TcpChannel, ConnectsByNameAndExchangesBytes) {
    base::AutoReleasePool pool;
    Listener listener;
    // "localhost" may resolve to ::1 first, where nothing listens: the next address is tried.
    TcpChannel* channel = TcpChannel::Create();
    EXPECT_EQ(channel->PeerAddress(), nullptr);
    EXPECT_EQ(channel->Socket(), -1);
    channel->Connect("localhost", listener.port());
    const int server = listener.Accept();
    ASSERT_GE(server, 0);
    EXPECT_EQ(channel->Write("hello", 5), 5);
    char buffer[8] = {};
    ASSERT_EQ(::recv(server, buffer, sizeof buffer, 0), 5);
    ASSERT_EQ(::send(server, "back", 4, 0), 4);
    EXPECT_EQ(channel->Read(buffer, 8), 4);
    EXPECT_EQ(std::string(buffer, 4), "back");

    EXPECT_EQ(::fcntl(channel->Socket(), F_GETFD) & FD_CLOEXEC, FD_CLOEXEC);
    auto* peer = dynamic_cast<net::IKVInet4Addr*>(channel->PeerAddress());
    ASSERT_NE(peer, nullptr);
    EXPECT_EQ(peer->Port(), listener.port());
    EXPECT_EQ(peer->Bytes()[0], 127);
    EXPECT_NE(channel->LocalAddress()->Port(), 0);

    channel->ShutdownOutput();
    EXPECT_EQ(::recv(server, buffer, sizeof buffer, 0), 0);  // the peer sees end of stream
    ::close(server);
    EXPECT_EQ(channel->Read(buffer, 8), 0);
    channel->Close();
    EXPECT_EQ(channel->Socket(), -1);
    EXPECT_EQ(Failure<base::KVIllegalState>([&] { channel->Read(buffer, 1); }), "Channel Closed");
}

TEST(TcpChannel, ConnectChecksItsArguments) {
    base::AutoReleasePool pool;
    Listener listener;
    TcpChannel* channel = TcpChannel::Create();
    EXPECT_EQ(Failure<base::KVIllegalArgument>([&] { channel->Connect("localhost", 70000); }),
              "Bad port: 70000");
    EXPECT_THROW(channel->Connect(static_cast<const char*>(nullptr), 80), base::KVNullPtr);
    EXPECT_THROW(channel->Connect(static_cast<const net::IKVInetAddr*>(nullptr)), base::KVNullPtr);
    channel->Connect(net::ParseInetAddr("127.0.0.1", listener.port()));
    EXPECT_EQ(
        Failure<base::KVIllegalArgument>([&] { channel->Connect("127.0.0.1", listener.port()); }),
        "Already connected");
}

TEST(TcpChannel, RefusedConnectionRaisesTheSystemErrorOfConnect) {
    base::AutoReleasePool pool;
    // A port bound but not listening refuses connections, and stays ours meanwhile.
    const int bound = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ASSERT_EQ(::bind(bound, reinterpret_cast<sockaddr*>(&address), size), 0);
    ASSERT_EQ(::getsockname(bound, reinterpret_cast<sockaddr*>(&address), &size), 0);
    const int port = ntohs(address.sin_port);
    TcpChannel* channel = TcpChannel::Create();
    try {
        channel->Connect("127.0.0.1", port);
        ADD_FAILURE();
    } catch (const system::KVSysError& e) {
        EXPECT_EQ(e.Code(), ECONNREFUSED);
        EXPECT_STREQ(e.Domain()->CString(), "Posix");
        EXPECT_EQ(MessageOf(e), "connect() failed <111: Connection refused>");
    }
    ::close(bound);
}

TEST(TcpChannel, ReadTimeOutClosesTheChannel) {
    base::AutoReleasePool pool;
    Listener listener;
    TcpChannel* channel = TcpChannel::Create();
    EXPECT_EQ(Failure<base::KVIllegalArgument>([&] { channel->SetTimeout(-0.5); }), "timeout < 0");
    channel->SetTimeout(0.25);
    channel->Connect("127.0.0.1", listener.port());
    const int server = listener.Accept();
    EXPECT_EQ(channel->Timeout(), 0.25);
    timeval limit{};
    socklen_t size = sizeof limit;
    channel->GetOption(SOL_SOCKET, SO_RCVTIMEO, &limit, &size);
    EXPECT_NEAR(limit.tv_sec * 1000 + limit.tv_usec / 1000, 250, 10);  // kernel ticks round it
    char buffer[4];
    EXPECT_THROW(channel->Read(buffer, 4), io::KVTimeOut);
    EXPECT_EQ(channel->Socket(), -1);
    ::close(server);
}

TEST(TcpChannel, TimeOutsConvertToWholeMillisecondsWithALimit) {
    EXPECT_EQ(io::TimeoutToMillis(0.5), 500);
    EXPECT_EQ(io::TimeoutToMillis(1.0009), 1000);
    EXPECT_EQ(io::TimeoutToMillis(0), io::kNoTimeLimit);
    EXPECT_EQ(io::TimeoutToMillis(2147483.647), 2147483647);
    EXPECT_EQ(io::TimeoutToMillis(2147483.648), io::kNoTimeLimit);
    EXPECT_EQ(io::TimeoutToMillis(1e300), io::kNoTimeLimit);
}

TEST(TcpChannel, OptionsUseTheirReadableNamesInErrors) {
    base::AutoReleasePool pool;
    Listener listener;
    TcpChannel* channel = TcpChannel::Create();
    channel->Connect("127.0.0.1", listener.port());
    channel->SetNoDelay(true);
    EXPECT_TRUE(channel->NoDelay());
    channel->SetNoDelay(false);
    EXPECT_FALSE(channel->NoDelay());
    const char tooSmall = 1;
    const std::string named = Failure<system::KVSysError>(
        [&] { channel->SetOption(SOL_SOCKET, SO_SNDBUF, &tooSmall, 1); });
    EXPECT_EQ(named, "setsockopt(<SOL_SOCKET/SO_SNDBUF>) failed <22:Invalid argument>");
    int value = 0;
    socklen_t size = sizeof value;
    const std::string unnamed =
        Failure<system::KVSysError>([&] { channel->GetOption(SOL_SOCKET, 9999, &value, &size); });
    EXPECT_EQ(unnamed.rfind("getsockopt(level=1, opt=9999) failed <92:", 0), 0u) << unnamed;
}

TEST(TcpChannel, CloseFromAnotherThreadWakesABlockedRead) {
    base::AutoReleasePool pool;
    Listener listener;
    TcpChannel* channel = TcpChannel::Create();
    channel->Connect("127.0.0.1", listener.port());
    const int server = listener.Accept();
    std::string outcome;
    std::thread reader([&] {
        base::AutoReleasePool threadPool;
        char byte;
        try {
            outcome = channel->Read(&byte, 1) == 0 ? "end of stream" : "data";
        } catch (const base::KVIllegalState& e) {
            outcome = MessageOf(e);  // Close came first
        }
    });
    channel->Close();
    reader.join();
    EXPECT_TRUE(outcome == "end of stream" || outcome == "Channel Closed") << outcome;
    ::close(server);
}

}  // namespace
