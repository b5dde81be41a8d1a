#include "ThumbMetaLib/formats/scitex/ScitexHeader.h"

#include <cmath>

namespace ThumbMetaLib {
namespace {

bool IsSign(uint8_t c) {
    return c == '+' || c == '-';
}

// `count` decimal digits as an integer; nullopt when one is not a digit.
std::optional<int64_t> Digits(const uint8_t* at, size_t count) {
    int64_t value = 0;
    for (size_t i = 0; i < count; ++i) {
        if (at[i] < '0' || at[i] > '9') {
            return std::nullopt;
        }
        value = value * 10 + (at[i] - '0');
    }
    return value;
}

// A real in the fixed form: sign, ".", eight digits, "E", sign, two digits.
std::optional<double> Real(const uint8_t* at) {
    if (!IsSign(at[0]) || at[1] != '.' || at[10] != 'E' || !IsSign(at[11])) {
        return std::nullopt;
    }
    const std::optional<int64_t> mantissa = Digits(at + 2, 8);
    const std::optional<int64_t> exponent = Digits(at + 12, 2);
    if (!mantissa || !exponent) {
        return std::nullopt;
    }
    const double sign = at[0] == '-' ? -1.0 : 1.0;
    const double power = double(at[11] == '-' ? -*exponent : *exponent);
    return sign * (double(*mantissa) / 100000000.0) * std::pow(10.0, power);
}

// An integer in the fixed form: sign and eleven digits.
std::optional<int64_t> Integer(const uint8_t* at) {
    if (!IsSign(at[0])) {
        return std::nullopt;
    }
    const std::optional<int64_t> digits = Digits(at + 1, 11);
    if (!digits) {
        return std::nullopt;
    }
    return at[0] == '-' ? -*digits : *digits;
}

}  // namespace

std::optional<ScitexHeader> ParseScitexHeader(const uint8_t* fields, size_t length) {
    if (length < ScitexHeader::kFieldsLength || fields[0] > 1) {
        return std::nullopt;
    }
    ScitexHeader header;
    header.inches = fields[0] == 1;
    header.separations = fields[1];
    if (header.separations != 1 && header.separations != 3 && header.separations != 4) {
        return std::nullopt;
    }
    const std::optional<double> heightUnits = Real(fields + 4);
    const std::optional<double> widthUnits = Real(fields + 18);
    const std::optional<int64_t> lines = Integer(fields + 32);
    const std::optional<int64_t> pixels = Integer(fields + 44);
    if (!heightUnits || !widthUnits || !lines || !pixels || !(*heightUnits > 0) ||
        !(*widthUnits > 0) || *lines <= 0 || *pixels <= 0 ||
        *lines > ScitexHeader::kMaxPixelDimension || *pixels > ScitexHeader::kMaxPixelDimension) {
        return std::nullopt;
    }
    header.heightUnits = *heightUnits;
    header.widthUnits = *widthUnits;
    header.height = uint32_t(*lines);
    header.width = uint32_t(*pixels);

    const double scale = header.inches ? 1.0 : 25.4;
    const double resolution = header.height > header.width
                                  ? header.height / (header.heightUnits / scale)
                                  : header.width / (header.widthUnits / scale);
    if (resolution >= 1.0 && resolution <= 9999.0) {
        header.resolution = int32_t(std::floor(resolution + 0.5));
    }
    return header;
}

}  // namespace ThumbMetaLib
