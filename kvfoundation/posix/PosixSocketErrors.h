#pragma once

namespace kvfoundation::posix {

// Raises the system error of a failed call that names its path:
// "<call>('<path>') failed <code: text>", mapped to its class like every errno value.
[[noreturn]] void ThrowPathError(const char* call, const char* path, int code);

}  // namespace kvfoundation::posix
