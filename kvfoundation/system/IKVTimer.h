#pragma once

#include "kvfoundation/base/IKVType.h"

namespace kvfoundation::system {

// A one-shot or repeating timer armed on a run loop; its invocation runs on the loop's thread.
// armed → fired (a repeating timer re-arms) → invalid.
class IKVTimer : public base::IKVType {
public:
    // Seconds between firings.
    virtual double Interval() const = 0;
    virtual bool Repeats() const = 0;
    // False once invalidated, after a one-shot timer fired, or when its loop has gone.
    virtual bool IsValid() const = 0;
    // Disarms the timer and drops its invocation; it never fires again. Any thread may call it.
    virtual void Invalidate() = 0;
};

}  // namespace kvfoundation::system
