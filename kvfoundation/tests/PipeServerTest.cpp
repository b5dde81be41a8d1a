// The public instance's local endpoint: round trips, first-instance locking, stale sockets,
// the private directory checks, closing a blocked Accept, time-outs and the uid check.
#include <gtest/gtest.h>

#include <sys/fsuid.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "MemoryChannel.h"
#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/KVCast.h"
#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVIllegalState.h"
#include "kvfoundation/data/IKVString.h"
#include "kvfoundation/io/KVTimeOut.h"
#include "kvfoundation/posix/PosixNamedPipe.h"
#include "kvfoundation/posix/PosixPipeDirectory.h"
#include "kvfoundation/posix/PosixPipeServer.h"
#include "kvfoundation/system/KVAccessDenied.h"
#include "kvfoundation/system/KVSysError.h"

using namespace kvfoundation;
using kvtest::MessageOf;
using posix::PosixNamedPipe;
using posix::PosixPipeServer;

namespace {

// Every test gets a private socket directory of its own through the override variable.
class PipeServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/kvpipe-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        directory_ = pattern;
        ::setenv(posix::PosixPipeDirectory::kOverrideVariable, directory_.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv(posix::PosixPipeDirectory::kOverrideVariable);
        std::filesystem::remove_all(directory_);
    }

    std::string directory_;
    const char* name_ = "VantoryQX4-test";
};

PosixNamedPipe* AcceptPipe(PosixPipeServer* server) {
    return base::KVCast<PosixNamedPipe>(server->Accept());
}

TEST_F(PipeServerTest, ClientAndServerExchangeBytes) {
    base::AutoReleasePool pool;
    PosixPipeServer* server = PosixPipeServer::Create(name_, 0, 0, 0, true);
    EXPECT_EQ(server->SocketPath(), directory_ + "/" + name_);
    const std::string description = server->Description()->CString();
    EXPECT_EQ(description.rfind("<class kvfoundation::posix::PosixPipeServer 0x", 0), 0u);
    EXPECT_NE(description.find("{ " + server->SocketPath() + " }"), std::string::npos);
    PosixNamedPipe* client = PosixNamedPipe::Connect(name_);  // queued in the backlog
    PosixNamedPipe* served = AcceptPipe(server);
    client->Write("ping", 4);
    char buffer[8] = {};
    EXPECT_EQ(served->Read(buffer, 8), 4);
    EXPECT_STREQ(buffer, "ping");
    served->Write("pong!", 5);
    EXPECT_EQ(client->Read(buffer, 8), 5);
    ucred peer{};
    ASSERT_TRUE(served->PeerCredentials(&peer));
    EXPECT_EQ(peer.pid, ::getpid());
    client->Close();
    EXPECT_EQ(served->Read(buffer, 8), 0);  // end of stream
    EXPECT_THROW(client->Read(buffer, 8), base::KVIllegalState);
}

TEST_F(PipeServerTest, SecondLiveInstanceFailsStaleSocketDoesNot) {
    base::AutoReleasePool pool;
    {
        PosixPipeServer* first = PosixPipeServer::Create(name_, 0, 0, 0, true);
        try {
            PosixPipeServer::Create(name_, 0, 0, 0, true);
            ADD_FAILURE() << "second instance created";
        } catch (const system::KVSysError& e) {
            EXPECT_EQ(
                MessageOf(e).rfind("flock('" + directory_ + "/" + name_ + ".lock') failed <", 0),
                0u)
                << MessageOf(e);
        }
        first->Close();
        EXPECT_FALSE(std::filesystem::exists(first->SocketPath()));
    }
    // A crashed instance leaves its socket file behind (bound, never unlinked).
    const std::string path = directory_ + "/" + name_;
    const int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, path.c_str());
    ASSERT_EQ(::bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(stale);
    PosixPipeServer* server = PosixPipeServer::Create(name_, 0, 0, 0, true);
    PosixNamedPipe* client = PosixNamedPipe::Connect(name_);
    EXPECT_NE(AcceptPipe(server), nullptr);
    client->Close();
}

TEST_F(PipeServerTest, CloseWakesBlockedAcceptAndLaterAcceptsFail) {
    base::AutoReleasePool pool;
    PosixPipeServer* server = PosixPipeServer::Create(name_, 0, 0, 0, true);
    std::string failure;
    std::thread acceptor([&] {
        base::AutoReleasePool threadPool;
        try {
            server->Accept();
        } catch (const base::KVIllegalState& e) {
            failure = MessageOf(e);
        }
    });
    // Whether Close lands before or during the wait, Accept ends the same way.
    server->Close();
    acceptor.join();
    EXPECT_EQ(failure, "IKVPipeServer already closed");
    EXPECT_FALSE(server->IsOpen());
    try {
        server->Accept();
        ADD_FAILURE();
    } catch (const base::KVIllegalState& e) {
        EXPECT_EQ(MessageOf(e), "IKVPipeServer already closed");
    }
}

TEST_F(PipeServerTest, ReadTimeOutClosesThePipe) {
    base::AutoReleasePool pool;
    PosixPipeServer* server = PosixPipeServer::Create(name_, 0, 0, 0, true);
    PosixNamedPipe* client = PosixNamedPipe::Connect(name_);
    PosixNamedPipe* served = AcceptPipe(server);
    EXPECT_THROW(served->SetTimeout(-1), base::KVIllegalArgument);
    served->SetTimeout(0.2);
    EXPECT_EQ(served->Timeout(), 0.2);
    char buffer[4];
    try {
        served->Read(buffer, 4);
        ADD_FAILURE();
    } catch (const io::KVTimeOut& e) {
        EXPECT_EQ(MessageOf(e), "Pipe operation timed out");
    }
    EXPECT_THROW(served->Read(buffer, 4), base::KVIllegalState);
    EXPECT_EQ(client->Read(buffer, 4), 0);  // the client sees the pipe closed
}

TEST_F(PipeServerTest, WriteTimeOutWhenThePeerStopsReading) {
    base::AutoReleasePool pool;
    PosixPipeServer* server = PosixPipeServer::Create(name_, 4096, 4096, 0, true);
    PosixNamedPipe* client = PosixNamedPipe::Connect(name_);
    PosixNamedPipe* served = AcceptPipe(server);
    served->SetTimeout(0.2);
    const std::vector<uint8_t> block(8 << 20);  // far more than both socket buffers hold
    EXPECT_THROW(served->Write(block.data(), static_cast<int32_t>(block.size())), io::KVTimeOut);
    EXPECT_THROW(served->Write(block.data(), 1), base::KVIllegalState);
    client->Close();
}

TEST_F(PipeServerTest, UnsafeDirectoriesAreRefused) {
    base::AutoReleasePool pool;
    ::chmod(directory_.c_str(), 0755);
    EXPECT_THROW(posix::PosixPipeDirectory::Resolve(), system::KVAccessDenied);
    ::chmod(directory_.c_str(), 0700);
    const std::string link = directory_ + "-link";
    ASSERT_EQ(::symlink(directory_.c_str(), link.c_str()), 0);
    ::setenv(posix::PosixPipeDirectory::kOverrideVariable, link.c_str(), 1);
    try {
        posix::PosixPipeDirectory::Resolve();
        ADD_FAILURE();
    } catch (const system::KVAccessDenied& e) {
        EXPECT_NE(MessageOf(e).find("symbolic link"), std::string::npos) << MessageOf(e);
    }
    ::unlink(link.c_str());
}

TEST_F(PipeServerTest, RuntimeDirectoryIsUsedWhenItIsPrivate) {
    ::unsetenv(posix::PosixPipeDirectory::kOverrideVariable);
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string savedValue = saved != nullptr ? saved : "";
    ::setenv("XDG_RUNTIME_DIR", directory_.c_str(), 1);
    EXPECT_EQ(posix::PosixPipeDirectory::Resolve(), directory_);
    if (saved != nullptr) {
        ::setenv("XDG_RUNTIME_DIR", savedValue.c_str(), 1);
    } else {
        ::unsetenv("XDG_RUNTIME_DIR");
    }
    EXPECT_EQ(posix::PosixPipeDirectory::PublicEndpointName(),
              "VantoryQX4-" + posix::PosixPipeDirectory::UserName());
}

// A client of another uid is closed at once and Accept goes on to the next client. The
// child drops its effective uid but keeps file-system access as root (setfsuid), so it can
// reach the socket in the private directory and only the peer-credential check stops it.
TEST_F(PipeServerTest, ConnectionsFromAnotherUserAreRefused) {
    if (::geteuid() != 0) {
        GTEST_SKIP() << "needs root to run a client under another uid";
    }
    base::AutoReleasePool pool;
    PosixPipeServer* server = PosixPipeServer::Create(name_, 0, 0, 0, true);
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(ready[0]);
        if (::setresuid(65534, 65534, 0) != 0) {
            ::_exit(10);
        }
        ::setfsuid(0);
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strcpy(address.sun_path, server->SocketPath().c_str());
        if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::_exit(11);
        }
        char byte = 'x';
        [[maybe_unused]] ssize_t written = ::write(ready[1], &byte, 1);
        // The server must close the connection without sending anything.
        const ssize_t got = ::read(fd, &byte, 1);
        ::_exit(got == 0 ? 0 : 12);
    }
    ::close(ready[1]);
    char byte;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);  // the child's connection is queued first
    ::close(ready[0]);
    PosixNamedPipe* own = PosixNamedPipe::Connect(name_);
    PosixNamedPipe* served = AcceptPipe(server);
    ucred peer{};
    ASSERT_TRUE(served->PeerCredentials(&peer));
    EXPECT_EQ(peer.pid, ::getpid());
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    own->Close();
}

}  // namespace
