#pragma once

#include <functional>
#include <utility>

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/thread/IKVRunnable.h"

namespace kvfoundation::thread {

// A runnable that calls a function object (a lambda, a bound call).
class InvocationRunnable final : public base::KVObjectT<IKVRunnable> {
public:
    // Autoreleased.
    static IKVRunnable* Create(std::function<void()> invocation) {
        return base::AutoReleased(new InvocationRunnable(std::move(invocation)));
    }

    void Run() override { invocation_(); }

private:
    explicit InvocationRunnable(std::function<void()> invocation)
        : invocation_(std::move(invocation)) {}

    std::function<void()> invocation_;
};

}  // namespace kvfoundation::thread
