#pragma once

#include <mutex>

namespace kvfoundation::posix {

// A socket descriptor that one thread may close while another is blocked in it.
// Closing while a call is in flight shuts the socket down (which wakes poll, recv and send
// at once) and leaves the descriptor open until that call has finished, so a number is
// never reused under a running call.
class PosixSocketHandle {
public:
    PosixSocketHandle() = default;
    explicit PosixSocketHandle(int fd) : fd_(fd) {}
    ~PosixSocketHandle();
    PosixSocketHandle(const PosixSocketHandle&) = delete;
    PosixSocketHandle& operator=(const PosixSocketHandle&) = delete;

    // Takes ownership of `fd`, closing any descriptor held before. Fails (closing `fd` and
    // returning false) while a call on a previous descriptor is still finishing.
    bool Reset(int fd);
    // Shuts down and closes; a second call does nothing.
    void Close();
    // The descriptor as long as it is usable (not closed, not closing), else -1.
    int Peek() const;
    bool IsOpen() const { return Peek() >= 0; }

    // Holds the descriptor open for one system call.
    class Use {
    public:
        explicit Use(PosixSocketHandle& handle);
        ~Use();
        Use(const Use&) = delete;
        Use& operator=(const Use&) = delete;
        // The descriptor, or -1 when the handle was already closed.
        int fd() const { return fd_; }

    private:
        PosixSocketHandle& handle_;
        int fd_;
    };

private:
    void CloseLocked();

    mutable std::mutex mutex_;
    int fd_ = -1;
    int users_ = 0;
    bool closing_ = false;
};

}  // namespace kvfoundation::posix
