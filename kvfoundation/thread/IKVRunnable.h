#pragma once

#include "kvfoundation/base/IKVType.h"

namespace kvfoundation::thread {

// Work to be done on some thread: a thread's body, a run loop's posted work, a timer's
// invocation.
class IKVRunnable : public base::IKVType {
public:
    virtual void Run() = 0;
};

}  // namespace kvfoundation::thread
