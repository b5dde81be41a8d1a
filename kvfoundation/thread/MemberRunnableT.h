#pragma once

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/thread/IKVRunnable.h"

namespace kvfoundation::thread {

// A runnable that calls a member function without arguments on a foundation object, holding a
// counted reference to the object for as long as the runnable lives.
template <class T>
class MemberRunnableT final : public base::KVObjectT<IKVRunnable> {
public:
    using Method = void (T::*)();

    // Autoreleased.
    static IKVRunnable* Create(T* target, Method method) {
        return base::AutoReleased(new MemberRunnableT(target, method));
    }

    void Run() override { (target_.get()->*method_)(); }

private:
    MemberRunnableT(T* target, Method method) : target_(target), method_(method) {}

    base::KVRefCountT<T> target_;
    Method method_;
};

}  // namespace kvfoundation::thread
