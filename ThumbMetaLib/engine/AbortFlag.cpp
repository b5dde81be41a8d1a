#include "ThumbMetaLib/engine/AbortFlag.h"

#include <atomic>

#include "kvfoundation/posix/PosixThread.h"

namespace ThumbMetaLib {
namespace {
std::atomic<bool> abortFlag{false};
}

void SetAbortFlag(bool on) {
    abortFlag.store(on, std::memory_order_relaxed);
}

bool AbortFlagSet() {
    return abortFlag.load(std::memory_order_relaxed);
}

void ThrowIfAborted() {
    if (AbortFlagSet() && !kvfoundation::posix::PosixThread::IsMainThread()) {
        throw AbortException();
    }
}

}  // namespace ThumbMetaLib
