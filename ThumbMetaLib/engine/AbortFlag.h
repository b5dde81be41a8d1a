#pragma once

#include <stdexcept>

namespace ThumbMetaLib {

// The process-wide request to abandon long reads (set when the service shuts down). Readers
// check it between lines; on the main thread they finish regardless.
void SetAbortFlag(bool on);
bool AbortFlagSet();

// Thrown by a reader that gave up because the abort flag was set.
class AbortException : public std::runtime_error {
public:
    AbortException() : std::runtime_error("read abandoned: abort requested") {}
};

// Throws AbortException when the flag is set and the caller is not the main thread.
void ThrowIfAborted();

}  // namespace ThumbMetaLib
