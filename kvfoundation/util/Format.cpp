#include "kvfoundation/util/Format.h"

#include <cstring>
#include <limits>

#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/data/IKVMutableString.h"
#include "kvfoundation/data/UTF16String.h"
#include "kvfoundation/util/FormatBuffer.h"
#include "kvfoundation/util/Formatter.h"

namespace kvfoundation::util {

namespace {

std::int32_t AsciiLength(const char* format) {
    const std::size_t length = std::strlen(format);
    if (length > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())) {
        throw base::KVIllegalArgument("Invalid format spec");
    }
    return static_cast<std::int32_t>(length);
}

data::UTF16String* CreateFromBuffer(const FormatBuffer& buffer) {
    return data::UTF16String::Create(buffer.Data(), buffer.Length());
}

data::IKVString* AutoReleasedFromBuffer(const FormatBuffer& buffer) {
    data::UTF16String* text = CreateFromBuffer(buffer);
    text->AutoRelease();
    return text;
}

}  // namespace

data::IKVString* FormatV(const char* format, std::va_list args) {
    if (format == nullptr) {
        throw base::KVNullPtr("format");
    }
    FormatBuffer buffer;
    FormatInto(buffer, format, AsciiLength(format), args);
    return AutoReleasedFromBuffer(buffer);
}

data::IKVString* FormatV(const data::IKVString* format, std::va_list args) {
    if (format == nullptr) {
        throw base::KVNullPtr("format");
    }
    FormatBuffer buffer;
    FormatInto(buffer, format->Characters(), format->Length(), args);
    return AutoReleasedFromBuffer(buffer);
}

data::IKVString* Format(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    try {
        data::IKVString* result = FormatV(format, args);
        va_end(args);
        return result;
    } catch (...) {
        va_end(args);
        throw;
    }
}

data::IKVString* Format(data::IKVString* format, ...) {
    std::va_list args;
    va_start(args, format);
    try {
        data::IKVString* result = FormatV(format, args);
        va_end(args);
        return result;
    } catch (...) {
        va_end(args);
        throw;
    }
}

data::IKVString* CreateFormattedV(const char* format, std::va_list args) {
    if (format == nullptr) {
        throw base::KVNullPtr("format");
    }
    FormatBuffer buffer;
    FormatInto(buffer, format, AsciiLength(format), args);
    return CreateFromBuffer(buffer);
}

void AppendFormatV(data::IKVMutableString* target, const char* format, std::va_list args) {
    if (target == nullptr || format == nullptr) {
        throw base::KVNullPtr(target == nullptr ? "target" : "format");
    }
    // Formatted in full first, so a failing specification leaves the target unchanged.
    FormatBuffer buffer;
    FormatInto(buffer, format, AsciiLength(format), args);
    target->Append(buffer.Data(), buffer.Length());
}

void AppendFormat(data::IKVMutableString* target, const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    try {
        AppendFormatV(target, format, args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
}

}  // namespace kvfoundation::util
