#include "kvfoundation/net/TcpChannel.h"

#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>

#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVIllegalState.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/io/ChannelTimeout.h"
#include "kvfoundation/net/InetAddr.h"
#include "kvfoundation/net/SocketOptionName.h"
#include "kvfoundation/posix/PosixSocketWait.h"
#include "kvfoundation/system/SysErrors.h"
#include "kvfoundation/thread/ScopedLock.h"
#include "kvfoundation/util/Format.h"

namespace kvfoundation::net {
namespace {

timeval ToTimeval(int millis) {
    if (millis < 0) {
        return timeval{0, 0};  // no limit
    }
    return timeval{millis / 1000, static_cast<suseconds_t>(millis % 1000) * 1000};
}

[[noreturn]] void ThrowOptionError(const char* call, int level, int option, int code) {
    data::IKVString* text = system::ErrorText(code);
    if (const char* name = SocketOptionName(level, option)) {
        system::ThrowSysError(code,
                              util::Format("%s(<%s>) failed <%d:%@>", call, name, code, text));
    }
    system::ThrowSysError(
        code, util::Format("%s(level=%d, opt=%d) failed <%d:%@>", call, level, option, code, text));
}

}  // namespace

TcpChannel* TcpChannel::Create() {
    return base::AutoReleased(new TcpChannel());
}

TcpChannel* TcpChannel::Adopt(int fd) {
    TcpChannel* channel = Create();
    channel->socket_.Reset(fd);
    return channel;
}

void TcpChannel::CheckUnconnected() const {
    if (socket_.IsOpen()) {
        throw base::KVIllegalArgument("Already connected");
    }
}

void TcpChannel::Connect(const char* host, int32_t port) {
    if (host == nullptr) {
        throw base::KVNullPtr("host");
    }
    CheckPort(port);
    thread::ScopedLock lock(this);
    CheckUnconnected();
    char service[16];
    std::snprintf(service, sizeof service, "%d", port);
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (const int result = ::getaddrinfo(host, service, &hints, &found); result != 0) {
        const int code = result == EAI_SYSTEM ? errno : result;
        data::IKVString* text = result == EAI_SYSTEM ? system::ErrorText(code)
                                                     : util::Format("%s", ::gai_strerror(result));
        system::ThrowSysError(code, util::Format("getaddrinfo('%s', '%s') failed <%d:%@>", host,
                                                 service, code, text));
    }
    const std::unique_ptr<addrinfo, decltype(&::freeaddrinfo)> addresses(found, ::freeaddrinfo);
    const char* failedCall = "connect";
    int lastError = EHOSTUNREACH;
    for (const addrinfo* entry = found; entry != nullptr; entry = entry->ai_next) {
        const int fd = OpenAndConnect(entry->ai_family, entry->ai_socktype, entry->ai_protocol,
                                      entry->ai_addr, entry->ai_addrlen, &failedCall);
        if (fd >= 0) {
            if (!socket_.Reset(fd)) {
                throw base::KVIllegalState("Channel Closed");
            }
            return;
        }
        lastError = errno;
    }
    system::ThrowSysError(failedCall, lastError);
}

void TcpChannel::Connect(const IKVInetAddr* address) {
    if (address == nullptr) {
        throw base::KVNullPtr("address");
    }
    thread::ScopedLock lock(this);
    CheckUnconnected();
    sockaddr_storage storage{};
    const socklen_t size = address->ToSockAddr(&storage);
    const char* failedCall = "connect";
    const int fd = OpenAndConnect(address->Family(), SOCK_STREAM, 0,
                                  reinterpret_cast<const sockaddr*>(&storage), size, &failedCall);
    if (fd < 0) {
        system::ThrowSysError(failedCall, errno);
    }
    if (!socket_.Reset(fd)) {
        throw base::KVIllegalState("Channel Closed");
    }
}

int TcpChannel::OpenAndConnect(int family, int type, int protocol, const sockaddr* address,
                               socklen_t size, const char** failedCall) const {
    const int fd = ::socket(family, type | SOCK_CLOEXEC, protocol);
    if (fd < 0) {
        *failedCall = "socket";
        return -1;
    }
    ApplyTimeout(fd, timeoutMillis_.load());
    int result = ::connect(fd, address, size);
    if (result != 0 && errno == EINTR) {
        // The connection goes on in the background; wait for its outcome.
        if (posix::PosixWaitForSocket(fd, POLLOUT, timeoutMillis_.load()) ==
            posix::SocketWait::kReady) {
            int error = 0;
            socklen_t length = sizeof error;
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length);
            errno = error;
            result = error == 0 ? 0 : -1;
        } else {
            errno = ETIMEDOUT;
        }
    }
    if (result != 0) {
        // With SO_SNDTIMEO set, a connect that runs out of time reports EINPROGRESS.
        const int error = errno == EINPROGRESS ? ETIMEDOUT : errno;
        ::close(fd);
        errno = error;
        *failedCall = "connect";
        return -1;
    }
    return fd;
}

void TcpChannel::ApplyTimeout(int fd, int millis) const {
    const timeval limit = ToTimeval(millis);
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
}

void TcpChannel::FailTimedOut(const char* call) {
    Close();
    system::ThrowSysError(call, ETIMEDOUT);
}

bool TcpChannel::PeerGone() {
    posix::PosixSocketHandle::Use use(socket_);
    return use.fd() < 0 || posix::PosixSocketHungUp(use.fd());
}

int32_t TcpChannel::Read(void* buffer, int32_t count) {
    if (count < 0) {
        throw base::KVIllegalArgument("count < 0");
    }
    posix::PosixSocketHandle::Use use(socket_);
    if (use.fd() < 0) {
        throw base::KVIllegalState("Channel Closed");
    }
    if (count == 0) {
        return 0;
    }
    for (;;) {
        const ssize_t got = ::recv(use.fd(), buffer, static_cast<size_t>(count), 0);
        if (got >= 0) {
            return static_cast<int32_t>(got);
        }
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            FailTimedOut("recv");
        }
        if (errno != EINTR) {
            system::ThrowSysError("recv", errno);
        }
    }
}

int32_t TcpChannel::Write(const void* buffer, int32_t count) {
    if (count < 0) {
        throw base::KVIllegalArgument("count < 0");
    }
    posix::PosixSocketHandle::Use use(socket_);
    if (use.fd() < 0) {
        throw base::KVIllegalState("Channel Closed");
    }
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    int32_t sent = 0;
    while (sent < count) {
        const ssize_t done =
            ::send(use.fd(), bytes + sent, static_cast<size_t>(count - sent), MSG_NOSIGNAL);
        if (done >= 0) {
            sent += static_cast<int32_t>(done);
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            FailTimedOut("send");
        } else if (errno != EINTR) {
            system::ThrowSysError("send", errno);
        }
    }
    return count;
}

double TcpChannel::Timeout() const {
    const int millis = timeoutMillis_.load();
    return millis < 0 ? 0.0 : millis / 1000.0;
}

void TcpChannel::SetTimeout(double seconds) {
    if (seconds < 0) {
        throw base::KVIllegalArgument("timeout < 0");
    }
    const int millis = io::TimeoutToMillis(seconds);
    timeoutMillis_.store(millis);
    if (socket_.IsOpen()) {
        const timeval limit = ToTimeval(millis);
        SetOption(SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        SetOption(SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    }
}

void TcpChannel::SetOption(int level, int option, const void* value, socklen_t size) {
    posix::PosixSocketHandle::Use use(socket_);
    if (::setsockopt(use.fd(), level, option, value, size) != 0) {
        ThrowOptionError("setsockopt", level, option, errno);
    }
}

void TcpChannel::GetOption(int level, int option, void* value, socklen_t* size) const {
    posix::PosixSocketHandle::Use use(socket_);
    if (::getsockopt(use.fd(), level, option, value, size) != 0) {
        ThrowOptionError("getsockopt", level, option, errno);
    }
}

IKVInetAddr* TcpChannel::LocalAddress() const {
    posix::PosixSocketHandle::Use use(socket_);
    sockaddr_storage address{};
    socklen_t size = sizeof address;
    if (::getsockname(use.fd(), reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        system::ThrowSysError("getsockname", errno);
    }
    return CreateInetAddr(reinterpret_cast<const sockaddr*>(&address), size);
}

IKVInetAddr* TcpChannel::PeerAddress() const {
    posix::PosixSocketHandle::Use use(socket_);
    if (use.fd() < 0) {
        return nullptr;
    }
    sockaddr_storage address{};
    socklen_t size = sizeof address;
    if (::getpeername(use.fd(), reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        if (errno == ENOTCONN) {
            return nullptr;
        }
        system::ThrowSysError("getpeername", errno);
    }
    return CreateInetAddr(reinterpret_cast<const sockaddr*>(&address), size);
}

void TcpChannel::Shutdown(int how) {
    posix::PosixSocketHandle::Use use(socket_);
    if (::shutdown(use.fd(), how) != 0) {
        system::ThrowSysError("shutdown", errno);
    }
}

void TcpChannel::ShutdownInput() {
    Shutdown(SHUT_RD);
}

void TcpChannel::ShutdownOutput() {
    Shutdown(SHUT_WR);
}

bool TcpChannel::NoDelay() const {
    int value = 0;
    socklen_t size = sizeof value;
    GetOption(IPPROTO_TCP, TCP_NODELAY, &value, &size);
    return value != 0;
}

void TcpChannel::SetNoDelay(bool noDelay) {
    const int value = noDelay ? 1 : 0;
    SetOption(IPPROTO_TCP, TCP_NODELAY, &value, sizeof value);
}

}  // namespace kvfoundation::net
