#pragma once

#include <sys/types.h>

namespace kvfoundation::posix {

// The operating-system side of a library thread: a detached POSIX thread known afterwards only
// by its kernel id (priorities are set per kernel thread). Whoever needs to know when it ends
// keeps that state itself; nothing ever joins the POSIX thread.
class PosixThread {
public:
    using Body = void (*)(void* context);

    // Starts body(context) on a new detached thread and returns its kernel id once the thread
    // is running. Returns -1 with errno set when pthread_create fails (the body never runs).
    static pid_t Start(Body body, void* context);

    // The calling thread's kernel id.
    static pid_t CurrentId();
    // True on the process's initial thread.
    static bool IsMainThread();
};

}  // namespace kvfoundation::posix
