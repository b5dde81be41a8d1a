#include "kvfoundation/posix/PosixPipeServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

#include "kvfoundation/base/ClassName.h"
#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVIllegalState.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/posix/PosixNamedPipe.h"
#include "kvfoundation/posix/PosixPipeDirectory.h"
#include "kvfoundation/posix/PosixSocketErrors.h"
#include "kvfoundation/system/SysErrors.h"
#include "kvfoundation/util/Format.h"
#include "kvfoundation/util/IKVLog.h"
#include "kvfoundation/util/ProcessLog.h"

namespace kvfoundation::posix {

PosixPipeServer* PosixPipeServer::Create(const char* name, int32_t outBufferSize,
                                         int32_t inBufferSize, int32_t /*pipeMode*/,
                                         bool /*firstInstance*/) {
    if (name == nullptr) {
        throw base::KVNullPtr("name");
    }
    if (*name == '\0' || std::strchr(name, '/') != nullptr) {
        throw base::KVIllegalArgument(util::Format("Bad pipe name: '%s'", name));
    }
    return base::AutoReleased(new PosixPipeServer(name, outBufferSize, inBufferSize));
}

PosixPipeServer::PosixPipeServer(const char* name, int32_t outBufferSize, int32_t inBufferSize)
    : socketPath_(PosixPipeDirectory::Resolve() + "/" + name),
      lockPath_(socketPath_ + ".lock"),
      outBufferSize_(outBufferSize),
      inBufferSize_(inBufferSize) {
    if (socketPath_.size() >= sizeof(sockaddr_un{}.sun_path)) {
        throw base::KVIllegalArgument(
            util::Format("Socket path too long: '%s'", socketPath_.c_str()));
    }
    // A failing step leaves the destructor to undo the ones before; it does not run for a
    // constructor that throws, so undo here.
    try {
        TakeLock();
        Listen();
    } catch (...) {
        if (wakeFd_ >= 0) {
            ::close(wakeFd_);
        }
        if (lockFd_ >= 0) {
            ::close(lockFd_);
        }
        throw;
    }
}

PosixPipeServer::~PosixPipeServer() {
    Close();
    ::close(wakeFd_);
}

void PosixPipeServer::TakeLock() {
    lockFd_ = ::open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (lockFd_ < 0) {
        ThrowPathError("open", lockPath_.c_str(), errno);
    }
    if (::flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
        ThrowPathError("flock", lockPath_.c_str(), errno);
    }
}

void PosixPipeServer::Listen() {
    // Holding the lock, any socket file left here belongs to a dead instance.
    if (::unlink(socketPath_.c_str()) != 0 && errno != ENOENT) {
        ThrowPathError("unlink", socketPath_.c_str(), errno);
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        system::ThrowSysError("socket", errno);
    }
    listener_.Reset(fd);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, socketPath_.c_str(), socketPath_.size() + 1);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        ThrowPathError("bind", socketPath_.c_str(), errno);
    }
    ::chmod(socketPath_.c_str(), 0600);  // the directory already keeps others out
    if (::listen(fd, SOMAXCONN) != 0) {
        system::ThrowSysError("listen", errno);
    }
    wakeFd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wakeFd_ < 0) {
        system::ThrowSysError("eventfd", errno);
    }
}

data::IKVString* PosixPipeServer::Description() const {
    return util::Format("<%@ %#p> { %s }", base::ClassName(this), this, socketPath_.c_str());
}

void PosixPipeServer::FailClosed() {
    throw base::KVIllegalState("IKVPipeServer already closed");
}

io::IKVChannel* PosixPipeServer::Accept() {
    if (!open_.load()) {
        FailClosed();
    }
    std::lock_guard acceptLock(acceptMutex_);
    for (;;) {
        PosixSocketHandle::Use use(listener_);
        if (!open_.load() || use.fd() < 0) {
            FailClosed();
        }
        pollfd waits[2] = {{use.fd(), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
        if (::poll(waits, 2, -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            system::ThrowSysError("poll", errno);
        }
        if (!open_.load()) {
            FailClosed();
        }
        if (waits[0].revents == 0) {
            continue;
        }
        const int client = ::accept4(use.fd(), nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) {
            // The client may have given up between poll and accept.
            if (errno == EAGAIN || errno == EINTR || errno == ECONNABORTED || errno == EPROTO) {
                continue;
            }
            system::ThrowSysError("accept4", errno);
        }
        if (!AdmitPeer(client)) {
            continue;
        }
        // Adopt first, so the descriptor is owned before anything else can fail.
        PosixNamedPipe* pipe = PosixNamedPipe::Adopt(client);
        if (outBufferSize_ > 0) {
            ::setsockopt(client, SOL_SOCKET, SO_SNDBUF, &outBufferSize_, sizeof outBufferSize_);
        }
        if (inBufferSize_ > 0) {
            ::setsockopt(client, SOL_SOCKET, SO_RCVBUF, &inBufferSize_, sizeof inBufferSize_);
        }
        return pipe;
    }
}

bool PosixPipeServer::AdmitPeer(int fd) const {
    ucred peer{};
    socklen_t size = sizeof peer;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0) {
        const int code = errno;
        ::close(fd);
        util::LogFormat(util::LogLevel::kError,
                        "Refused a connection on '%s': getsockopt(SO_PEERCRED) failed <%d: %@>",
                        socketPath_.c_str(), code, system::ErrorText(code));
        return false;
    }
    if (peer.uid != ::geteuid()) {
        ::close(fd);
        util::LogFormat(util::LogLevel::kError,
                        "Refused a connection on '%s' from uid %d (pid %d): not the service's user",
                        socketPath_.c_str(), static_cast<int>(peer.uid),
                        static_cast<int>(peer.pid));
        return false;
    }
    return true;
}

void PosixPipeServer::Close() {
    if (!open_.exchange(false)) {
        return;
    }
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(wakeFd_, &one, sizeof one);
    listener_.Close();
    std::lock_guard lock(endpointMutex_);
    // Remove the socket file while still holding the lock, so a new instance's socket is
    // never removed by us.
    ::unlink(socketPath_.c_str());
    ::close(lockFd_);
    lockFd_ = -1;
}

}  // namespace kvfoundation::posix
