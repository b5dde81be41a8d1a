#include "kvfoundation/util/Utf8Codec.h"

#include <cstring>
#include <limits>

namespace kvfoundation::util {

namespace {

constexpr std::int32_t kUnbounded = std::numeric_limits<std::int32_t>::max();

constexpr bool IsHighSurrogate(std::uint32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}
constexpr bool IsLowSurrogate(std::uint32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Eight code units below 0x80 (two unaligned 64-bit loads).
bool EightAsciiUnits(const char16_t* units) {
    std::uint64_t first;
    std::uint64_t second;
    std::memcpy(&first, units, sizeof first);
    std::memcpy(&second, units + 4, sizeof second);
    return ((first | second) & 0xFF80FF80FF80FF80ull) == 0;
}

bool EightAsciiBytes(const std::uint8_t* bytes) {
    std::uint64_t word;
    std::memcpy(&word, bytes, sizeof word);
    return (word & 0x8080808080808080ull) == 0;
}

// Room for `need` more outputs: always when the caller proved the buffer large enough
// for any input (kChecked false), which keeps the per-character tests out of the loop.
template <bool kChecked>
bool HasRoom(std::int32_t limit, std::int32_t used, std::int32_t need) {
    return !kChecked || need <= limit - used;
}

template <bool kWrite, bool kChecked>
TextConversion Encode(const char16_t* __restrict in, std::int32_t count,
                      std::uint8_t* __restrict out, std::int32_t limit) {
    std::int32_t i = 0;
    std::int32_t o = 0;
    while (i < count) {
        std::uint32_t code = in[i];
        if (code < 0x80) {
            // Runs of ASCII dominate markup; take them eight at a time.
            while (count - i >= 8 && HasRoom<kChecked>(limit, o, 8) && EightAsciiUnits(in + i)) {
                if constexpr (kWrite) {
                    for (int k = 0; k < 8; ++k) {
                        out[o + k] = static_cast<std::uint8_t>(in[i + k]);
                    }
                }
                i += 8;
                o += 8;
            }
            if (i >= count) {
                break;
            }
            code = in[i];
            if (code < 0x80) {
                if (!HasRoom<kChecked>(limit, o, 1)) {
                    break;
                }
                if constexpr (kWrite) {
                    out[o] = static_cast<std::uint8_t>(code);
                }
                ++i;
                ++o;
                continue;
            }
        }
        std::int32_t unitsUsed = 1;
        if (IsHighSurrogate(code) && i + 1 < count && IsLowSurrogate(in[i + 1])) {
            code = 0x10000 + ((code - 0xD800) << 10) + (in[i + 1] - 0xDC00u);
            unitsUsed = 2;
        }
        const std::int32_t need = code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
        if (!HasRoom<kChecked>(limit, o, need)) {
            break;
        }
        if constexpr (kWrite) {
            std::uint8_t* p = out + o;
            if (need == 2) {
                p[0] = static_cast<std::uint8_t>(0xC0 | (code >> 6));
                p[1] = static_cast<std::uint8_t>(0x80 | (code & 0x3F));
            } else if (need == 3) {
                p[0] = static_cast<std::uint8_t>(0xE0 | (code >> 12));
                p[1] = static_cast<std::uint8_t>(0x80 | ((code >> 6) & 0x3F));
                p[2] = static_cast<std::uint8_t>(0x80 | (code & 0x3F));
            } else {
                p[0] = static_cast<std::uint8_t>(0xF0 | (code >> 18));
                p[1] = static_cast<std::uint8_t>(0x80 | ((code >> 12) & 0x3F));
                p[2] = static_cast<std::uint8_t>(0x80 | ((code >> 6) & 0x3F));
                p[3] = static_cast<std::uint8_t>(0x80 | (code & 0x3F));
            }
        }
        o += need;
        i += unitsUsed;
    }
    return {i, o};
}

template <bool kWrite, bool kChecked>
TextConversion Decode(const std::uint8_t* __restrict in, std::int32_t count,
                      char16_t* __restrict out, std::int32_t limit) {
    std::int32_t i = 0;
    std::int32_t o = 0;
    while (i < count) {
        const std::uint8_t lead = in[i];
        if (lead < 0x80) {
            while (count - i >= 8 && HasRoom<kChecked>(limit, o, 8) && EightAsciiBytes(in + i)) {
                if constexpr (kWrite) {
                    for (int k = 0; k < 8; ++k) {
                        out[o + k] = in[i + k];
                    }
                }
                i += 8;
                o += 8;
            }
            if (i >= count) {
                break;
            }
            if (in[i] < 0x80) {
                if (!HasRoom<kChecked>(limit, o, 1)) {
                    break;
                }
                if constexpr (kWrite) {
                    out[o] = in[i];
                }
                ++i;
                ++o;
                continue;
            }
            continue;  // the run ended on a multi-byte lead: take it as one
        }
        // The standard sum of the bytes minus the fixed offset of the sequence length.
        // Trailing bytes are not checked; unsigned arithmetic wraps malformed sums to huge
        // values, which become U+FFFD below.
        const std::uint32_t first = lead;
        const std::int32_t left = count - i;
        std::uint32_t value;
        std::int32_t length;
        if (first < 0xC0) {
            value = first;
            length = 1;
        } else if (first < 0xE0) {
            if (left < 2) {
                break;  // the sequence is cut off by the end of the input
            }
            value = (first << 6) + in[i + 1] - 0x3080u;
            length = 2;
        } else if (first < 0xF0) {
            if (left < 3) {
                break;
            }
            value = (first << 12) + (std::uint32_t{in[i + 1]} << 6) + in[i + 2] - 0xE2080u;
            length = 3;
        } else if (first < 0xF8) {
            if (left < 4) {
                break;
            }
            value = (first << 18) + (std::uint32_t{in[i + 1]} << 12) +
                    (std::uint32_t{in[i + 2]} << 6) + in[i + 3] - 0x3C82080u;
            length = 4;
        } else {
            break;  // F8-FF start no sequence
        }
        if (value < 0x10000) {
            if (!HasRoom<kChecked>(limit, o, 1)) {
                break;
            }
            if constexpr (kWrite) {
                out[o] = static_cast<char16_t>(value);
            }
            o += 1;
        } else if (value <= 0x10FFFF) {
            if (!HasRoom<kChecked>(limit, o, 2)) {
                break;
            }
            if constexpr (kWrite) {
                value -= 0x10000;
                out[o] = static_cast<char16_t>(0xD800 + (value >> 10));
                out[o + 1] = static_cast<char16_t>(0xDC00 + (value & 0x3FF));
            }
            o += 2;
        } else {
            if (!HasRoom<kChecked>(limit, o, 1)) {
                break;
            }
            if constexpr (kWrite) {
                out[o] = u'\uFFFD';
            }
            o += 1;
        }
        i += length;
    }
    return {i, o};
}

}  // namespace

TextConversion Utf8Encode(const char16_t* units, std::int32_t count, std::uint8_t* out,
                          std::int32_t outSize) {
    if (units == nullptr || count <= 0) {
        return {};
    }
    if (out == nullptr) {
        return Encode<false, true>(units, count, nullptr, kUnbounded);
    }
    if (Utf8MaxBytes(count) <= outSize) {
        return Encode<true, false>(units, count, out, outSize);
    }
    return Encode<true, true>(units, count, out, outSize > 0 ? outSize : 0);
}

TextConversion Utf8Decode(const std::uint8_t* bytes, std::int32_t count, char16_t* out,
                          std::int32_t outSize) {
    if (bytes == nullptr || count <= 0) {
        return {};
    }
    if (out == nullptr) {
        return Decode<false, false>(bytes, count, nullptr, kUnbounded);
    }
    if (count <= outSize) {  // never more code units than bytes
        return Decode<true, false>(bytes, count, out, outSize);
    }
    return Decode<true, true>(bytes, count, out, outSize > 0 ? outSize : 0);
}

}  // namespace kvfoundation::util
