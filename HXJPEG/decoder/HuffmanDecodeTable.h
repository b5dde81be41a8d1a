#pragma once

#include <cstdint>

#include "HXJPEG/common/FrameInfo.h"

namespace HXJPEG {

// A Huffman decoding table (JPEG F.2.2.3) with an 8-bit look-ahead.
struct HuffmanDecodeTable {
    // Look-ahead entry for the next 8 bits: symbol and code length, or length kLongCode when
    // the code is longer than 8 bits.
    static constexpr uint8_t kLongCode = 127;
    struct Entry {
        uint8_t symbol;
        uint8_t length;
    };
    Entry lookahead[256];

    // AC tables only, indexed by the next kFastBits bits: codes whose length plus magnitude
    // size fit resolve to the whole coefficient (run, value, bits used) in one step; an EOB
    // code resolves to run kEndOfBlock. fastTotalLength 0 = not resolvable in one step.
    static constexpr int kFastBits = 10;
    static constexpr uint8_t kEndOfBlock = 0xFF;
    int16_t fastValue[1 << kFastBits];
    uint8_t fastRun[1 << kFastBits];
    uint8_t fastTotalLength[1 << kFastBits];

    // AC tables only, for decodes that skip the AC coefficients: indexed by the next kSkipBits
    // bits, the bits one coefficient takes (code and magnitude; low byte, 0 = not resolvable in
    // one step) and how far it moves the zig-zag position (high byte: run + 1, 16 for ZRL, 64
    // for EOB). Filled by PrepareSkipping, as most decodes never need them.
    static constexpr int kSkipBits = 12;
    uint16_t skip[1 << kSkipBits];
    // The same for two coefficients in a row where both fit in kSkipBits (one where only one
    // does): bits of both in the low byte, the sum of their moves in the high byte.
    uint16_t skipPair[1 << kSkipBits];

    // Per code length 1..16: largest code (-1 when none; 0x7FFFFFFF after the last length)
    // and the offset that turns a code of that length into an index into symbols.
    int32_t maxCode[18];
    int32_t valueOffset[17];
    uint8_t counts[17];
    uint8_t symbols[256];
    int firstLength = 23;  // 23 = none
    int lastLength = 0;
    bool defined = false;
    bool ac = false;
    bool skipBuilt = false;
    HuffmanTableSpec spec;  // as read from the file

    // Builds the table from counts and symbols; false if the counts describe an impossible code.
    bool Build(const HuffmanTableSpec& source, bool isAC);
    // Fills skip and skipPair, once per Build: before the first decode that skips AC terms.
    void PrepareSkipping();

    // Tests compare the one-step look-up with symbol-by-symbol decoding: false leaves the
    // one-step entries of tables built afterwards empty.
    static void EnableFastLookup(bool enable);

private:
    void BuildSkipPairs();
};

}  // namespace HXJPEG
