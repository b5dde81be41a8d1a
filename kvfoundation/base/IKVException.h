#pragma once

#include <cstdint>

namespace kvfoundation::data {
class IKVString;
}

namespace kvfoundation::base {

// Root of the exception family. Exceptions are not IKVType objects: they are thrown by value
// and caught by reference to IKVException.
class IKVException {
public:
    virtual ~IKVException() = default;

    virtual data::IKVString* Message() const = 0;
    // Always null in this system (prints as "(null)").
    virtual data::IKVString* Trace() const = 0;
    // Writes "<class name>: <message>\nTrace: <trace>" to the process-wide log at `level`.
    virtual void Log(int32_t level) const = 0;
};

}  // namespace kvfoundation::base
