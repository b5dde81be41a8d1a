#pragma once

#include <cstdarg>

namespace kvfoundation::data {
class IKVString;
class IKVMutableString;
}  // namespace kvfoundation::data

namespace kvfoundation::util {

// printf-like formatting of every message, description and log line. Besides the C
// conversions: "%@" takes an IKVType* (its Description; null prints "(null)"), "%S" a
// const char16_t*, "%s" a const char* (each byte one code unit), "%c" and "%C" an int (its
// low 8 or 16 bits as one code unit). Width, precision and flags apply to the C conversions
// only. Integer conversions take an int; one l takes a long and two a long long, as in C.
// Arguments are read back as the types named, so pass "%@" an IKVType* (an interface
// pointer whose first base is IKVType, as every value interface is, needs no cast).
//
// Failures raise KVIllegalArgument "Invalid format spec" (unknown conversion, a
// specification of 16 or more characters, or one cut off by the end of the format),
// "'*' not supported as field width", "'*' not supported as field precision", and
// KVOutOfRange for a lone percent sign ending the format. Nothing is appended then.

// An autoreleased immutable string.
data::IKVString* Format(const char* format, ...);
data::IKVString* Format(data::IKVString* format, ...);
data::IKVString* FormatV(const char* format, std::va_list args);
data::IKVString* FormatV(const data::IKVString* format, std::va_list args);

// A new string owned by the caller (count 1, not autoreleased): for code that must not touch
// the autorelease pool, such as the log.
data::IKVString* CreateFormattedV(const char* format, std::va_list args);

void AppendFormat(data::IKVMutableString* target, const char* format, ...);
void AppendFormatV(data::IKVMutableString* target, const char* format, std::va_list args);

}  // namespace kvfoundation::util
