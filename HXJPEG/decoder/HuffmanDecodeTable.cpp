#include "HXJPEG/decoder/HuffmanDecodeTable.h"

#include <cstring>

namespace HXJPEG {
namespace {
bool g_fastLookup = true;
}

void HuffmanDecodeTable::EnableFastLookup(bool enable) {
    g_fastLookup = enable;
}

bool HuffmanDecodeTable::Build(const HuffmanTableSpec& source, bool isAC) {
    spec = source;
    std::memcpy(counts, source.counts, sizeof(counts));
    std::memcpy(symbols, source.symbols, sizeof(symbols));
    for (auto& e : lookahead) {
        e = {0, kLongCode};
    }
    std::memset(fastTotalLength, 0, sizeof(fastTotalLength));
    std::memset(fastValue, 0, sizeof(fastValue));
    std::memset(fastRun, 0, sizeof(fastRun));
    std::memset(skip, 0, sizeof(skip));
    std::memset(skipPair, 0, sizeof(skipPair));
    firstLength = 23;
    lastLength = 0;

    // Canonical codes (JPEG C.2): codes of one length are consecutive; each length doubles.
    int32_t code = 0;
    int index = 0;
    for (int length = 1; length <= 16; ++length) {
        int n = counts[length];
        valueOffset[length] = index - code;
        if (n > 0) {
            if (firstLength == 23) {
                firstLength = length;
            }
            lastLength = length;
        }
        for (int i = 0; i < n; ++i, ++index, ++code) {
            if (code >= (1 << length)) {
                return false;  // more codes than the length allows (JPEG C.2 would overflow)
            }
            uint8_t symbol = symbols[index];
            if (length <= 8) {
                int shift = 8 - length;
                for (int fill = 0; fill < (1 << shift); ++fill) {
                    lookahead[(code << shift) | fill] = {symbol, uint8_t(length)};
                }
            }
            int size = symbol & 15;
            if (isAC && g_fastLookup && length + size <= kSkipBits) {
                // A coefficient after its run of zeros; with no magnitude: end of block,
                // sixteen zeros, or a symbol with no meaning (left to the slow path).
                int advance = (symbol >> 4) + 1;
                if (size == 0) {
                    advance = symbol == 0 ? 64 : symbol == 0xF0 ? 16 : 0;
                }
                if (advance != 0) {
                    // Every completion of the code and its magnitude bits skips alike.
                    const int shift = kSkipBits - length;
                    for (int fill = 0; fill < (1 << shift); ++fill) {
                        skip[(code << shift) | fill] = uint16_t((advance << 8) | (length + size));
                    }
                }
            }
            if (isAC && g_fastLookup && length <= kFastBits &&
                (symbol == 0 || (size != 0 && length + size <= kFastBits))) {
                int shift = kFastBits - length;
                for (int fill = 0; fill < (1 << shift); ++fill) {
                    int slot = (code << shift) | fill;
                    if (symbol == 0) {
                        fastRun[slot] = kEndOfBlock;
                        fastTotalLength[slot] = uint8_t(length);
                        continue;
                    }
                    // Resolve the magnitude bits too (JPEG F.2.2.1 EXTEND).
                    int bits = (slot >> (kFastBits - length - size)) & ((1 << size) - 1);
                    int value = bits < (1 << (size - 1)) ? bits - (1 << size) + 1 : bits;
                    fastValue[slot] = int16_t(value);
                    fastRun[slot] = uint8_t(symbol >> 4);
                    fastTotalLength[slot] = uint8_t(length + size);
                }
            }
        }
        maxCode[length] = n > 0 ? code - 1 : -1;
        code <<= 1;
    }
    maxCode[17] = 0x7FFFFFFF;
    BuildSkipPairs();
    defined = true;
    return true;
}

void HuffmanDecodeTable::BuildSkipPairs() {
    constexpr int kMask = (1 << kSkipBits) - 1;
    for (int slot = 0; slot <= kMask; ++slot) {
        const int first = skip[slot];
        const int firstBits = first & 0xFF;
        const int firstMove = first >> 8;
        skipPair[slot] = uint16_t(first);
        if (firstBits == 0 || firstMove >= 64 || firstBits == kSkipBits) {
            continue;
        }
        // The second coefficient must lie wholly in the bits after the first; its entry is the
        // same for every completion of the bits beyond the slot, so padding with zeros is exact.
        const int second = skip[(slot << firstBits) & kMask];
        const int secondBits = second & 0xFF;
        if (secondBits != 0 && firstBits + secondBits <= kSkipBits) {
            skipPair[slot] =
                uint16_t(((firstMove + (second >> 8)) << 8) | (firstBits + secondBits));
        }
    }
}

}  // namespace HXJPEG
