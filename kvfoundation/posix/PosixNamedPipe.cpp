#include "kvfoundation/posix/PosixNamedPipe.h"

#include <poll.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVIllegalState.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/io/ChannelTimeout.h"
#include "kvfoundation/io/KVTimeOut.h"
#include "kvfoundation/posix/PosixPipeDirectory.h"
#include "kvfoundation/posix/PosixSocketErrors.h"
#include "kvfoundation/posix/PosixSocketWait.h"
#include "kvfoundation/system/SysErrors.h"
#include "kvfoundation/util/Format.h"

namespace kvfoundation::posix {

PosixNamedPipe* PosixNamedPipe::Adopt(int fd) {
    return base::AutoReleased(new PosixNamedPipe(fd));
}

PosixNamedPipe* PosixNamedPipe::Connect(const char* name) {
    if (name == nullptr) {
        throw base::KVNullPtr("name");
    }
    const std::string path = PosixPipeDirectory::Resolve() + "/" + name;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        throw base::KVIllegalArgument(util::Format("Socket path too long: '%s'", path.c_str()));
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        system::ThrowSysError("socket", errno);
    }
    PosixNamedPipe* pipe = Adopt(fd);
    int result;
    do {
        result = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (result != 0 && errno == EINTR);
    if (result != 0) {
        ThrowPathError("connect", path.c_str(), errno);
    }
    return pipe;
}

void PosixNamedPipe::SetTimeout(double seconds) {
    if (seconds < 0) {
        throw base::KVIllegalArgument("timeout < 0");
    }
    timeout_.store(seconds);
}

void PosixNamedPipe::AwaitReady(int fd, short events) {
    const int millis = io::TimeoutToMillis(timeout_.load());
    if (millis == io::kNoTimeLimit) {
        return;  // the call itself blocks; Close wakes it with a shutdown
    }
    switch (PosixWaitForSocket(fd, events, millis)) {
        case SocketWait::kReady:
            return;
        case SocketWait::kTimedOut:
            Close();
            throw io::KVTimeOut("Pipe operation timed out");
        case SocketWait::kFailed:
            system::ThrowSysError("poll", errno);
    }
}

bool PosixNamedPipe::PeerGone() {
    PosixSocketHandle::Use use(socket_);
    return use.fd() < 0 || PosixSocketHungUp(use.fd());
}

int32_t PosixNamedPipe::Read(void* buffer, int32_t count) {
    if (count < 0) {
        throw base::KVIllegalArgument("count < 0");
    }
    PosixSocketHandle::Use use(socket_);
    if (use.fd() < 0) {
        throw base::KVIllegalState("Channel Closed");
    }
    if (count == 0) {
        return 0;
    }
    AwaitReady(use.fd(), POLLIN);
    for (;;) {
        const ssize_t got = ::recv(use.fd(), buffer, static_cast<size_t>(count), 0);
        if (got >= 0) {
            return static_cast<int32_t>(got);
        }
        if (errno == ECONNRESET) {
            return 0;  // the client went away: end of stream, as for a broken pipe
        }
        if (errno != EINTR) {
            system::ThrowSysError("recv", errno);
        }
    }
}

int32_t PosixNamedPipe::Write(const void* buffer, int32_t count) {
    if (count < 0) {
        throw base::KVIllegalArgument("count < 0");
    }
    PosixSocketHandle::Use use(socket_);
    if (use.fd() < 0) {
        throw base::KVIllegalState("Channel Closed");
    }
    const auto* bytes = static_cast<const uint8_t*>(buffer);
    // With a time-out, send only what fits now and wait in poll for the rest; a blocking send
    // would wait for the whole block, beyond any time-out.
    const bool limited = io::TimeoutToMillis(timeout_.load()) != io::kNoTimeLimit;
    const int flags = MSG_NOSIGNAL | (limited ? MSG_DONTWAIT : 0);
    int32_t sent = 0;
    while (sent < count) {
        AwaitReady(use.fd(), POLLOUT);
        const ssize_t done =
            ::send(use.fd(), bytes + sent, static_cast<size_t>(count - sent), flags);
        if (done < 0) {
            if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) {
                continue;
            }
            system::ThrowSysError("send", errno);
        }
        sent += static_cast<int32_t>(done);
    }
    return count;
}

bool PosixNamedPipe::PeerCredentials(ucred* credentials) const {
    PosixSocketHandle::Use use(socket_);
    socklen_t size = sizeof *credentials;
    return use.fd() >= 0 &&
           ::getsockopt(use.fd(), SOL_SOCKET, SO_PEERCRED, credentials, &size) == 0;
}

}  // namespace kvfoundation::posix
