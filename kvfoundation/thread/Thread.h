#pragma once

#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/thread/AbstractThread.h"
#include "kvfoundation/thread/IKVRunnable.h"

namespace kvfoundation::thread {

// A thread the library starts to run one runnable. It is created holding two references, one
// for its creator and one that the running thread drops as its body ends.
class Thread final : public AbstractThread {
public:
    // Starts `runnable` on a new thread called `name`; returns it autoreleased. Null arguments
    // raise KVNullPtr; a thread the system cannot make the system error of "pthread_create".
    static Thread* Start(IKVRunnable* runnable, data::IKVString* name);

private:
    Thread(IKVRunnable* runnable, data::IKVString* name);

    static void Body(void* context);
    void RunLogged();
    base::IKVType* NameObject() const;

    // Released on the thread as its body ends, so that what the runnable owns (a connection,
    // say) goes away with the work and not with the last reference to the thread object.
    base::KVRefCountT<IKVRunnable> runnable_;
};

}  // namespace kvfoundation::thread
