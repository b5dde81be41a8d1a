#pragma once

#include <cstdint>

namespace kvfoundation::data {
class IKVString;
}

namespace kvfoundation::system {

// The error domain of errno values: "Posix" (an immortal singleton string).
data::IKVString* PosixErrorDomain();

// The system's message text for an errno value (strerror_r), "N/A" when it has none.
data::IKVString* ErrorText(int32_t code);

// Throws "<function>() failed <code: text>" as the class the code maps to:
// 2, 20 → io::KVFileNotFound; 13 → KVAccessDenied; 17 → io::KVFileExists; 28 → io::KVDiskFull;
// ETIMEDOUT → io::KVTimeOut; anything else KVSysError.
[[noreturn]] void ThrowSysError(const char* function, int32_t code);

// The same mapping with a message the caller built, for calls that name their arguments:
// ThrowSysError(e, util::Format("link('%S, %S') failed <%d: %@>", a, b, e, ErrorText(e))).
[[noreturn]] void ThrowSysError(int32_t code, data::IKVString* message);

}  // namespace kvfoundation::system
