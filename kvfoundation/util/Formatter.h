#pragma once

#include <cstdarg>
#include <cstdint>

#include "kvfoundation/util/FormatBuffer.h"

namespace kvfoundation::util {

// The engine behind Format and AppendFormat: appends `format` with its arguments to `out`.
// Besides the C conversions it knows "%@" (an IKVType*, its Description), "%S" (a
// const char16_t*), "%s" (a const char*, each byte one code unit), "%c" and "%C" (the low 8
// or 16 bits of an int). Integer conversions take an int, a long with one l and a long long
// with two; "%p" and the floating-point conversions go through a bounded 256-byte call of
// the C runtime. Null pointers print "(null)".
//
// Failures raise KVIllegalArgument ("Invalid format spec", "'*' not supported as field
// width", "'*' not supported as field precision"), or KVOutOfRange for a percent sign that
// ends the format; `out` may then hold a partial result, which callers discard.
void FormatInto(FormatBuffer& out, const char* format, std::int32_t length, std::va_list args);
void FormatInto(FormatBuffer& out, const char16_t* format, std::int32_t length, std::va_list args);

}  // namespace kvfoundation::util
