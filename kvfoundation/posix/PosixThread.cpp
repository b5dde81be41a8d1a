#include "kvfoundation/posix/PosixThread.h"

#include <pthread.h>
#include <unistd.h>

#include <cerrno>
#include <condition_variable>
#include <mutex>

namespace kvfoundation::posix {

namespace {

// Lives on the starting thread's stack until the new thread has published its id.
struct StartHandshake {
    PosixThread::Body body;
    void* context;
    std::mutex mutex;
    std::condition_variable started;
    pid_t id = 0;
};

void* Trampoline(void* argument) {
    auto* handshake = static_cast<StartHandshake*>(argument);
    const PosixThread::Body body = handshake->body;
    void* const context = handshake->context;
    {
        std::lock_guard lock(handshake->mutex);
        handshake->id = gettid();
        handshake->started.notify_one();  // under the lock: the handshake dies once it is seen
    }
    body(context);
    return nullptr;
}

}  // namespace

pid_t PosixThread::Start(Body body, void* context) {
    StartHandshake handshake{body, context, {}, {}};
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_t handle;
    const int error = pthread_create(&handle, &attributes, &Trampoline, &handshake);
    pthread_attr_destroy(&attributes);
    if (error != 0) {
        errno = error;
        return -1;
    }
    std::unique_lock lock(handshake.mutex);
    handshake.started.wait(lock, [&] { return handshake.id != 0; });
    return handshake.id;
}

pid_t PosixThread::CurrentId() {
    return gettid();
}

bool PosixThread::IsMainThread() {
    return gettid() == getpid();
}

}  // namespace kvfoundation::posix
