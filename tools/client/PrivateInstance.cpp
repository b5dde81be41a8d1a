#include "tools/client/PrivateInstance.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <string>

#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/net/TcpChannel.h"

namespace vantory::client {

namespace {

[[noreturn]] void Fail(const char* call) {
    throw std::runtime_error(std::string(call) + "() failed: " + std::strerror(errno));
}

// A listening socket on 127.0.0.1 with a port the system picks ("localhost" resolves to the
// loopback addresses; the service tries each in turn).
class Listener {
public:
    Listener() {
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (fd_ < 0) {
            Fail("socket");
        }
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0) {
            Fail("bind");
        }
        if (::listen(fd_, 64) != 0) {
            Fail("listen");
        }
        if (::getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
            Fail("getsockname");
        }
        port_ = ntohs(address.sin_port);
    }
    ~Listener() { ::close(fd_); }
    Listener(const Listener&) = delete;
    Listener& operator=(const Listener&) = delete;

    int Port() const { return port_; }

    // The next connection, or -1 when none came within `millis` or the service exited.
    int Accept(int millis, pid_t service) {
        using Clock = std::chrono::steady_clock;
        const auto deadline = Clock::now() + std::chrono::milliseconds(millis);
        while (Clock::now() < deadline) {
            pollfd ready{fd_, POLLIN, 0};
            int result = ::poll(&ready, 1, 50);
            if (result > 0) {
                int fd = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd >= 0) {
                    return fd;
                }
            }
            if (result < 0 && errno != EINTR) {
                Fail("poll");
            }
            if (::waitpid(service, nullptr, WNOHANG) == service) {
                return -1;
            }
        }
        return -1;
    }

private:
    int fd_ = -1;
    int port_ = 0;
};

}  // namespace

PrivateInstance::PrivateInstance(const LaunchOptions& options, int connections) {
    if (connections < 1) {
        throw std::invalid_argument("a private instance needs at least one connection");
    }
    Listener listener;
    std::vector<std::string> arguments{
        options.daemonPath.empty() ? FindDaemon() : options.daemonPath,
        "-privateInstance",
        "-port",
        std::to_string(listener.Port()),
        "-threadCt",
        std::to_string(connections)};
    if (options.debug) {
        arguments.emplace_back("-debug");
    }
    pid_ = StartProcess(arguments, /*detach=*/false);

    const int waitMillis = static_cast<int>(options.startTimeoutSeconds * 1000);
    for (int i = 0; i < connections; ++i) {
        int fd = listener.Accept(waitMillis, pid_);
        if (fd < 0) {
            Finish();
            throw std::runtime_error("the private service did not connect (" + arguments[0] + ")");
        }
        kvfoundation::base::KVRefCountT<kvfoundation::net::TcpChannel> channel =
            kvfoundation::net::TcpChannel::Adopt(fd);
        connections_.push_back(std::make_unique<ServiceConnection>(channel.get()));
    }
}

PrivateInstance::~PrivateInstance() {
    Finish();
}

int PrivateInstance::Finish() {
    connections_.clear();
    if (pid_ > 0) {
        while (::waitpid(pid_, &status_, 0) < 0 && errno == EINTR) {
        }
        pid_ = -1;
    }
    return status_;
}

}  // namespace vantory::client
