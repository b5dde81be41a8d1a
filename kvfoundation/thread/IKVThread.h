#pragma once

#include "kvfoundation/base/IKVType.h"

namespace kvfoundation::data {
class IKVString;
class IKVMutableMap;
}  // namespace kvfoundation::data
namespace kvfoundation::system {
class IKVRunLoop;
}

namespace kvfoundation::thread {

// A thread of the process: one the library started, or one it met (named "Main" for the
// process's initial thread, "KVThread-<n>" for others) when it asked for its thread object.
class IKVThread : public base::IKVType {
public:
    // An autoreleased copy of the name.
    virtual data::IKVString* Name() const = 0;
    // Stores a copy; null raises KVNullPtr.
    virtual void SetName(data::IKVString* name) = 0;
    // True until the thread's body (or, for a thread the library met, the thread) has ended.
    virtual bool IsAlive() const = 0;
    // The priority on the scale 0 (idle) … 0.5 (normal) … 1 (time-critical).
    virtual double Priority() const = 0;
    // 0 <= priority <= 1, else KVIllegalArgument "Bad priority: %f".
    virtual void SetPriority(double priority) = 0;
    // Waits until the thread has ended. Joining the calling thread itself raises
    // KVIllegalState "Deadlock prevented".
    virtual void Join() = 0;
    // The same with a limit in seconds (milliseconds, truncated; above 2147483647 ms no
    // limit; negative raises KVIllegalArgument "timeout < 0"). False when it is still alive.
    virtual bool Join(double seconds) = 0;
    // The thread's run loop, made on first use (borrowed; it lives as long as the thread).
    virtual system::IKVRunLoop* RunLoop() = 0;
    // The thread's own map for per-thread values, empty on first use (borrowed).
    virtual data::IKVMutableMap* ThreadMap() = 0;
};

}  // namespace kvfoundation::thread
