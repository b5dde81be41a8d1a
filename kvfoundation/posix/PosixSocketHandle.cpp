#include "kvfoundation/posix/PosixSocketHandle.h"

#include <sys/socket.h>
#include <unistd.h>

namespace kvfoundation::posix {

PosixSocketHandle::~PosixSocketHandle() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool PosixSocketHandle::Reset(int fd) {
    std::lock_guard lock(mutex_);
    CloseLocked();
    if (fd_ >= 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

void PosixSocketHandle::Close() {
    std::lock_guard lock(mutex_);
    CloseLocked();
}

void PosixSocketHandle::CloseLocked() {
    if (fd_ < 0 || closing_) {
        return;
    }
    if (users_ == 0) {
        ::close(fd_);
        fd_ = -1;
        return;
    }
    ::shutdown(fd_, SHUT_RDWR);
    closing_ = true;
}

int PosixSocketHandle::Peek() const {
    std::lock_guard lock(mutex_);
    return closing_ ? -1 : fd_;
}

PosixSocketHandle::Use::Use(PosixSocketHandle& handle) : handle_(handle), fd_(-1) {
    std::lock_guard lock(handle_.mutex_);
    if (handle_.fd_ >= 0 && !handle_.closing_) {
        fd_ = handle_.fd_;
        ++handle_.users_;
    }
}

PosixSocketHandle::Use::~Use() {
    if (fd_ < 0) {
        return;
    }
    std::lock_guard lock(handle_.mutex_);
    if (--handle_.users_ == 0 && handle_.closing_) {
        ::close(handle_.fd_);
        handle_.fd_ = -1;
        handle_.closing_ = false;
    }
}

}  // namespace kvfoundation::posix
