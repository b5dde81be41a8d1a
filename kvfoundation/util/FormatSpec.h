#pragma once

#include <cstdint>

namespace kvfoundation::util {

// What one conversion takes from the argument list.
enum class FormatArgClass : std::uint8_t {
    Object,      // @: IKVType*
    ByteString,  // s: const char*
    UnitString,  // S: const char16_t*
    Int,         // c, C and integer conversions without l: int
    Long,        // integer conversions with one l: long
    LongLong,    // integer conversions with two or more l: long long
    Double,      // e, E, f, g, G
    Pointer,     // p
};

enum class FormatSpecError : std::uint8_t {
    None,
    Invalid,        // "Invalid format spec"
    StarWidth,      // "'*' not supported as field width"
    StarPrecision,  // "'*' not supported as field precision"
};

// One parsed conversion: flags, width, precision, length letters and conversion character.
struct FormatSpec {
    static constexpr int kMaxTextLength = 15;  // the percent sign through the conversion

    bool leftJustify = false;
    bool plus = false;
    bool space = false;
    bool alternate = false;
    bool zeroPad = false;
    bool hasPrecision = false;
    std::uint8_t shortCount = 0;  // h letters
    std::uint8_t longCount = 0;   // l letters
    char conversion = 0;
    FormatArgClass argClass = FormatArgClass::Int;
    std::int64_t width = 0;
    std::int64_t precision = 0;
    std::int32_t end = 0;  // index just past the conversion character

    // Parses the conversion whose percent sign is at `start`. The caller has already handled
    // "%%" and a percent sign as the last unit. Only `end` and the fields above are set.
    template <typename Unit>
    static FormatSpecError Parse(const Unit* format, std::int32_t length, std::int32_t start,
                                 FormatSpec& spec);

    // The conversion as the C runtime's formatter should see it, with length letters that
    // match the argument actually taken, and width and precision clamped to values that
    // cannot change the first 255 characters of the output. Returns the text length.
    int RuntimeText(char (&text)[32]) const;
};

extern template FormatSpecError FormatSpec::Parse<char>(const char*, std::int32_t, std::int32_t,
                                                        FormatSpec&);
extern template FormatSpecError FormatSpec::Parse<char16_t>(const char16_t*, std::int32_t,
                                                            std::int32_t, FormatSpec&);

}  // namespace kvfoundation::util
