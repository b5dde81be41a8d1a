#include "kvfoundation/util/FormatSpec.h"

#include <cstdio>

namespace kvfoundation::util {

namespace {

// The runtime's output is cut at 255 characters. A double printed with %f needs at most
// 310 digits before the point and its exact expansion ends within 1100 digits after it, so
// a precision above 1100 only adds zeros, and a width above 2048 only adds padding that
// already fills the first 255 characters.
constexpr std::int64_t kMaxRuntimePrecision = 1100;
constexpr std::int64_t kMaxRuntimeWidth = 2048;
constexpr std::int64_t kDigitLimit = 1'000'000'000'000'000;

// Walks one specification, counting the characters it takes into its text.
template <typename Unit>
class SpecCursor {
public:
    SpecCursor(const Unit* format, std::int32_t length, std::int32_t percent)
        : format_(format), length_(length), position_(percent + 1) {}

    // The unit under the cursor; 0 at the end of the format, which no rule accepts.
    std::uint32_t Peek() const {
        if (position_ >= length_) {
            return 0;
        }
        if constexpr (sizeof(Unit) == 1) {
            return static_cast<unsigned char>(format_[position_]);
        } else {
            return format_[position_];
        }
    }
    // Takes the unit into the conversion text; false once it would pass 15 characters.
    bool Take() {
        ++position_;
        return ++textLength_ <= FormatSpec::kMaxTextLength;
    }
    std::int32_t Position() const { return position_; }

private:
    const Unit* format_;
    std::int32_t length_;
    std::int32_t position_;
    int textLength_ = 1;  // the percent sign
};

bool IsDigit(std::uint32_t unit) {
    return unit >= '0' && unit <= '9';
}

// Digits as a number that saturates long before it could overflow (the conversion text
// length already limits it to 14 digits).
template <typename Unit>
bool TakeNumber(SpecCursor<Unit>& cursor, std::int64_t& number) {
    for (std::uint32_t unit = cursor.Peek(); IsDigit(unit); unit = cursor.Peek()) {
        if (number < kDigitLimit) {
            number = number * 10 + (unit - '0');
        }
        if (!cursor.Take()) {
            return false;
        }
    }
    return true;
}

// Sets the flag `unit` stands for; false when it is not a flag.
bool TakeFlag(FormatSpec& spec, std::uint32_t unit) {
    switch (unit) {
        case '-':
            spec.leftJustify = true;
            return true;
        case '+':
            spec.plus = true;
            return true;
        case ' ':
            spec.space = true;
            return true;
        case '#':
            spec.alternate = true;
            return true;
        default:
            return false;
    }
}

FormatArgClass ArgClassOf(char conversion, int longCount) {
    switch (conversion) {
        case '@':
            return FormatArgClass::Object;
        case 's':
            return FormatArgClass::ByteString;
        case 'S':
            return FormatArgClass::UnitString;
        case 'c':
        case 'C':
            return FormatArgClass::Int;
        case 'd':
        case 'i':
        case 'o':
        case 'u':
        case 'x':
        case 'X':
            return longCount == 0   ? FormatArgClass::Int
                   : longCount == 1 ? FormatArgClass::Long
                                    : FormatArgClass::LongLong;
        case 'e':
        case 'E':
        case 'f':
        case 'g':
        case 'G':
            return FormatArgClass::Double;
        default:
            return FormatArgClass::Pointer;
    }
}

bool IsConversion(std::uint32_t unit) {
    switch (unit) {
        case '@':
        case 's':
        case 'S':
        case 'c':
        case 'C':
        case 'd':
        case 'i':
        case 'o':
        case 'u':
        case 'x':
        case 'X':
        case 'e':
        case 'E':
        case 'f':
        case 'g':
        case 'G':
        case 'p':
            return true;
        default:
            return false;
    }
}

}  // namespace

template <typename Unit>
FormatSpecError FormatSpec::Parse(const Unit* format, std::int32_t length, std::int32_t start,
                                  FormatSpec& spec) {
    spec = FormatSpec{};
    SpecCursor<Unit> cursor(format, length, start);
    while (TakeFlag(spec, cursor.Peek())) {
        if (!cursor.Take()) {
            return FormatSpecError::Invalid;
        }
    }
    if (cursor.Peek() == '*') {
        return FormatSpecError::StarWidth;
    }
    spec.zeroPad = cursor.Peek() == '0';  // a leading zero of the width is the zero flag
    if (!TakeNumber(cursor, spec.width)) {
        return FormatSpecError::Invalid;
    }
    if (cursor.Peek() == '.') {
        spec.hasPrecision = true;
        if (!cursor.Take()) {
            return FormatSpecError::Invalid;
        }
        if (cursor.Peek() == '*') {
            return FormatSpecError::StarPrecision;
        }
        if (!TakeNumber(cursor, spec.precision)) {
            return FormatSpecError::Invalid;
        }
    }
    for (std::uint32_t unit = cursor.Peek(); unit == 'h' || unit == 'l'; unit = cursor.Peek()) {
        std::uint8_t& count = unit == 'h' ? spec.shortCount : spec.longCount;
        if (count < 2) {
            ++count;
        }
        if (!cursor.Take()) {
            return FormatSpecError::Invalid;
        }
    }
    const std::uint32_t conversion = cursor.Peek();
    if (!IsConversion(conversion) || !cursor.Take()) {
        return FormatSpecError::Invalid;
    }
    spec.conversion = static_cast<char>(conversion);
    spec.argClass = ArgClassOf(spec.conversion, spec.longCount);
    spec.end = cursor.Position();
    return FormatSpecError::None;
}

template FormatSpecError FormatSpec::Parse<char>(const char*, std::int32_t, std::int32_t,
                                                 FormatSpec&);
template FormatSpecError FormatSpec::Parse<char16_t>(const char16_t*, std::int32_t, std::int32_t,
                                                     FormatSpec&);

int FormatSpec::RuntimeText(char (&text)[32]) const {
    int n = 0;
    text[n++] = '%';
    if (leftJustify) {
        text[n++] = '-';
    }
    if (plus) {
        text[n++] = '+';
    }
    if (space) {
        text[n++] = ' ';
    }
    if (alternate) {
        text[n++] = '#';
    }
    if (zeroPad) {
        text[n++] = '0';
    }
    if (width > 0) {
        n += std::snprintf(text + n, sizeof text - n, "%d",
                           static_cast<int>(width < kMaxRuntimeWidth ? width : kMaxRuntimeWidth));
    }
    if (hasPrecision) {
        n += std::snprintf(
            text + n, sizeof text - n, ".%d",
            static_cast<int>(precision < kMaxRuntimePrecision ? precision : kMaxRuntimePrecision));
    }
    if (argClass == FormatArgClass::Int || argClass == FormatArgClass::Long ||
        argClass == FormatArgClass::LongLong) {
        // h and hh narrow an int argument; l and ll match the argument taken.
        for (int k = 0; k < longCount; ++k) {
            text[n++] = 'l';
        }
        if (longCount == 0) {
            for (int k = 0; k < shortCount; ++k) {
                text[n++] = 'h';
            }
        }
    }
    text[n++] = conversion;
    text[n] = 0;
    return n;
}

}  // namespace kvfoundation::util
