#include "kvfoundation/util/Formatter.h"

#include <cstdio>
#include <cstring>

#include "kvfoundation/base/IKVType.h"
#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVOutOfRange.h"
#include "kvfoundation/data/IKVString.h"
#include "kvfoundation/util/FormatSpec.h"

namespace kvfoundation::util {

namespace {

constexpr char kNullText[] = "(null)";
constexpr int kRuntimeBufferSize = 256;

void AppendNull(FormatBuffer& out) {
    out.AppendBytes(kNullText, sizeof kNullText - 1);
}

void AppendRun(FormatBuffer& out, const char* units, std::int32_t count) {
    out.AppendBytes(units, count);
}

void AppendRun(FormatBuffer& out, const char16_t* units, std::int32_t count) {
    out.Append(units, count);
}

void AppendObject(FormatBuffer& out, const base::IKVType* object) {
    const data::IKVString* text = object != nullptr ? object->Description() : nullptr;
    if (text == nullptr) {
        AppendNull(out);
        return;
    }
    out.Append(text->Characters(), text->Length());
}

void AppendUnitString(FormatBuffer& out, const char16_t* text) {
    if (text == nullptr) {
        AppendNull(out);
        return;
    }
    std::int64_t length = 0;
    while (text[length] != 0) {
        ++length;
    }
    out.Append(text, length);
}

// One conversion handed to the C runtime, cut to what fits its 256-byte buffer.
template <typename Value>
void AppendRuntime(FormatBuffer& out, const FormatSpec& spec, Value value) {
    char text[32];
    spec.RuntimeText(text);
    char buffer[kRuntimeBufferSize];
    const int written = std::snprintf(buffer, sizeof buffer, text, value);
    if (written > 0) {
        out.AppendBytes(buffer, written < kRuntimeBufferSize ? written : kRuntimeBufferSize - 1);
    }
}

void AppendConversion(FormatBuffer& out, const FormatSpec& spec, std::va_list* args) {
    switch (spec.argClass) {
        case FormatArgClass::Object:
            AppendObject(out, va_arg(*args, const base::IKVType*));
            break;
        case FormatArgClass::ByteString:
            if (const char* text = va_arg(*args, const char*)) {
                out.AppendBytes(text, static_cast<std::int64_t>(std::strlen(text)));
            } else {
                AppendNull(out);
            }
            break;
        case FormatArgClass::UnitString:
            AppendUnitString(out, va_arg(*args, const char16_t*));
            break;
        case FormatArgClass::Int: {
            const int value = va_arg(*args, int);
            if (spec.conversion == 'c') {
                out.Append(static_cast<char16_t>(value & 0xFF));
            } else if (spec.conversion == 'C') {
                out.Append(static_cast<char16_t>(value & 0xFFFF));
            } else {
                AppendRuntime(out, spec, value);
            }
            break;
        }
        case FormatArgClass::Long:
            AppendRuntime(out, spec, va_arg(*args, long));
            break;
        case FormatArgClass::LongLong:
            AppendRuntime(out, spec, va_arg(*args, long long));
            break;
        case FormatArgClass::Double:
            AppendRuntime(out, spec, va_arg(*args, double));
            break;
        case FormatArgClass::Pointer:
            if (const void* pointer = va_arg(*args, const void*)) {
                AppendRuntime(out, spec, pointer);
            } else {
                AppendNull(out);
            }
            break;
    }
}

[[noreturn]] void ThrowSpecError(FormatSpecError error) {
    switch (error) {
        case FormatSpecError::StarWidth:
            throw base::KVIllegalArgument("'*' not supported as field width");
        case FormatSpecError::StarPrecision:
            throw base::KVIllegalArgument("'*' not supported as field precision");
        default:
            throw base::KVIllegalArgument("Invalid format spec");
    }
}

template <typename Unit>
void FormatUnits(FormatBuffer& out, const Unit* format, std::int32_t length, std::va_list* args) {
    std::int32_t i = 0;
    while (i < length) {
        std::int32_t runEnd = i;
        while (runEnd < length && format[runEnd] != '%') {
            ++runEnd;
        }
        AppendRun(out, format + i, runEnd - i);
        i = runEnd;
        if (i >= length) {
            break;
        }
        if (i + 1 >= length) {
            throw base::KVOutOfRange(length, 0, length);  // reading past the last unit
        }
        if (format[i + 1] == '%') {
            out.Append(u'%');
            i += 2;
            continue;
        }
        FormatSpec spec;
        if (const FormatSpecError error = FormatSpec::Parse(format, length, i, spec);
            error != FormatSpecError::None) {
            ThrowSpecError(error);
        }
        AppendConversion(out, spec, args);
        i = spec.end;
    }
}

template <typename Unit>
void FormatWithCopy(FormatBuffer& out, const Unit* format, std::int32_t length, std::va_list args) {
    if (format == nullptr || length <= 0) {
        return;
    }
    // A copy that this function owns, so helpers may take arguments through a pointer.
    std::va_list own;
    va_copy(own, args);
    try {
        FormatUnits(out, format, length, &own);
    } catch (...) {
        va_end(own);
        throw;
    }
    va_end(own);
}

}  // namespace

void FormatInto(FormatBuffer& out, const char* format, std::int32_t length, std::va_list args) {
    FormatWithCopy(out, format, length, args);
}

void FormatInto(FormatBuffer& out, const char16_t* format, std::int32_t length, std::va_list args) {
    FormatWithCopy(out, format, length, args);
}

}  // namespace kvfoundation::util
