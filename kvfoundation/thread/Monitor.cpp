#include "kvfoundation/thread/Monitor.h"

#include <chrono>

#include "kvfoundation/base/KVIllegalState.h"

namespace kvfoundation::thread {

void Monitor::Lock() {
    std::unique_lock<std::mutex> guard(mutex_);
    auto self = std::this_thread::get_id();
    if (depth_ > 0 && owner_ == self) {
        ++depth_;
        return;
    }
    entry_.wait(guard, [this] { return depth_ == 0; });
    owner_ = self;
    depth_ = 1;
}

void Monitor::Unlock() {
    std::unique_lock<std::mutex> guard(mutex_);
    if (depth_ == 0 || owner_ != std::this_thread::get_id()) {
        throw base::KVIllegalState("Monitor not held by this thread");
    }
    if (--depth_ == 0) {
        owner_ = std::thread::id();
        guard.unlock();
        entry_.notify_one();
    }
}

bool Monitor::Wait(int64_t timeoutMs) {
    std::unique_lock<std::mutex> guard(mutex_);
    auto self = std::this_thread::get_id();
    if (depth_ == 0 || owner_ != self) {
        throw base::KVIllegalState("Monitor not held by this thread");
    }
    // Leave every level at once, so other threads can enter while this one waits.
    int32_t levels = depth_;
    depth_ = 0;
    owner_ = std::thread::id();
    ++waiting_;
    entry_.notify_one();

    uint64_t generation = generation_;
    auto notified = [&] { return generation_ != generation; };
    bool woken = true;
    if (timeoutMs < 0) {
        broadcast_.wait(guard, notified);
    } else {
        woken = broadcast_.wait_for(guard, std::chrono::milliseconds(timeoutMs), notified);
    }
    --waiting_;

    // Enter again with the same number of levels.
    entry_.wait(guard, [this] { return depth_ == 0; });
    owner_ = self;
    depth_ = levels;
    return woken;
}

void Monitor::NotifyAll() {
    {
        std::lock_guard<std::mutex> guard(mutex_);
        if (waiting_ == 0) {
            return;
        }
        ++generation_;
    }
    broadcast_.notify_all();
}

bool Monitor::IsHeldByCurrentThread() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return depth_ > 0 && owner_ == std::this_thread::get_id();
}

int32_t Monitor::WaitingCount() const {
    std::lock_guard<std::mutex> guard(mutex_);
    return waiting_;
}

}  // namespace kvfoundation::thread
