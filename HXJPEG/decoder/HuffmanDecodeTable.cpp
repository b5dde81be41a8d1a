#include "HXJPEG/decoder/HuffmanDecodeTable.h"

#include <cstring>

namespace HXJPEG {
namespace {
bool g_fastLookup = true;

// The loops over the slots that share a code stay out of line: the fuzzing build leaves them
// without coverage tracing (fuzz/coverage-ignorelist.txt), as their thousands of comparisons
// per table say nothing about the input. What Build decides about each code stays traced.
template <typename Slot>
[[gnu::noinline]] void FillSlots(Slot* slots, int first, int count, Slot value) {
    for (int i = 0; i < count; ++i) {
        slots[first + i] = value;
    }
}

// The coefficients of the slots that start with a code of `length` bits for a magnitude of
// `size` bits (JPEG F.2.2.1 EXTEND): the magnitude bits follow the code in the slot.
[[gnu::noinline]] void FillFastValues(int16_t* values, int first, int count, int length, int size,
                                      int fastBits) {
    for (int slot = first; slot < first + count; ++slot) {
        const int bits = (slot >> (fastBits - length - size)) & ((1 << size) - 1);
        values[slot] = int16_t(bits < (1 << (size - 1)) ? bits - (1 << size) + 1 : bits);
    }
}
}  // namespace

void HuffmanDecodeTable::EnableFastLookup(bool enable) {
    g_fastLookup = enable;
}

bool HuffmanDecodeTable::Build(const HuffmanTableSpec& source, bool isAC) {
    defined = false;  // until the counts have proved possible
    spec = source;
    std::memcpy(counts, source.counts, sizeof(counts));
    std::memcpy(symbols, source.symbols, sizeof(symbols));
    FillSlots(lookahead, 0, 256, Entry{0, kLongCode});
    std::memset(fastTotalLength, 0, sizeof(fastTotalLength));
    std::memset(fastValue, 0, sizeof(fastValue));
    std::memset(fastRun, 0, sizeof(fastRun));
    ac = isAC;
    skipBuilt = false;
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
                const int shift = 8 - length;
                FillSlots(lookahead, code << shift, 1 << shift, Entry{symbol, uint8_t(length)});
            }
            const int size = symbol & 15;
            if (isAC && g_fastLookup && length <= kFastBits &&
                (symbol == 0 || (size != 0 && length + size <= kFastBits))) {
                const int shift = kFastBits - length;
                const int first = code << shift;
                if (symbol == 0) {
                    FillSlots(fastRun, first, 1 << shift, kEndOfBlock);
                    FillSlots(fastTotalLength, first, 1 << shift, uint8_t(length));
                } else {
                    // The magnitude bits are resolved too.
                    FillFastValues(fastValue, first, 1 << shift, length, size, kFastBits);
                    FillSlots(fastRun, first, 1 << shift, uint8_t(symbol >> 4));
                    FillSlots(fastTotalLength, first, 1 << shift, uint8_t(length + size));
                }
            }
        }
        maxCode[length] = n > 0 ? code - 1 : -1;
        code <<= 1;
    }
    maxCode[17] = 0x7FFFFFFF;
    defined = true;
    return true;
}

void HuffmanDecodeTable::PrepareSkipping() {
    if (skipBuilt) {
        return;
    }
    skipBuilt = true;
    std::memset(skip, 0, sizeof(skip));
    std::memset(skipPair, 0, sizeof(skipPair));
    if (!ac || !g_fastLookup || !defined) {
        return;  // a table Build refused gives no codes to skip
    }
    // The codes again, as Build assigned them (it has checked that each length holds them).
    int32_t code = 0;
    int index = 0;
    for (int length = 1; length <= 16; ++length, code <<= 1) {
        for (int i = 0; i < counts[length]; ++i, ++index, ++code) {
            const uint8_t symbol = symbols[index];
            const int size = symbol & 15;
            if (length + size > kSkipBits) {
                continue;
            }
            // A coefficient after its run of zeros; with no magnitude: end of block, sixteen
            // zeros, or a symbol with no meaning (left to the slow path).
            int advance = (symbol >> 4) + 1;
            if (size == 0) {
                advance = symbol == 0 ? 64 : symbol == 0xF0 ? 16 : 0;
            }
            if (advance != 0) {
                // Every completion of the code and its magnitude bits skips alike.
                const int shift = kSkipBits - length;
                FillSlots(skip, code << shift, 1 << shift,
                          uint16_t((advance << 8) | (length + size)));
            }
        }
    }
    BuildSkipPairs();
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
