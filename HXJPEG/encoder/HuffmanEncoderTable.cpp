#include "HXJPEG/encoder/HuffmanEncoderTable.h"

#include <cstring>

namespace HXJPEG {

void HuffmanEncoderTable::ClearFrequencies() {
    std::memset(frequencies, 0, sizeof(frequencies));
}

void HuffmanEncoderTable::AddDcFloor() {
    for (int category = 0; category <= 11; ++category) {
        frequencies[category] += 1;
    }
}

void HuffmanEncoderTable::AddAcFloor() {
    for (int run = 0; run < 16; ++run) {
        for (int size = 1; size <= 10; ++size) {
            frequencies[(run << 4) | size] += 1;
        }
    }
    frequencies[0x00] += 1;
    frequencies[0xF0] += 1;
}

void HuffmanEncoderTable::Build() {
    // Annex K.2, figure K.1: code sizes by merging the two least frequent entries. Entry 256
    // is the reserved code point with frequency 1.
    int64_t freq[257];
    int codeSize[257] = {};
    int others[257];
    for (int i = 0; i < 256; ++i) {
        freq[i] = frequencies[i];
    }
    freq[256] = 1;
    for (int i = 0; i < 257; ++i) {
        others[i] = -1;
    }
    // Only the entries still in play are searched, in index order so that ties fall as in the
    // figure's search over all 257: a DC table has about a dozen, an AC table with its floor
    // about 170.
    int live[257];
    int liveCount = 0;
    for (int i = 0; i < 257; ++i) {
        if (freq[i] != 0) {
            live[liveCount++] = i;
        }
    }
    for (;;) {
        int v1 = -1;
        int v2 = -1;
        int v2At = -1;
        // v1: least frequency (the later entry on ties), v2: next least.
        for (int n = 0; n < liveCount; ++n) {
            if (v1 < 0 || freq[live[n]] <= freq[v1]) {
                v1 = live[n];
            }
        }
        for (int n = 0; n < liveCount; ++n) {
            if (live[n] != v1 && (v2 < 0 || freq[live[n]] <= freq[v2])) {
                v2 = live[n];
                v2At = n;
            }
        }
        if (v2 < 0) {
            break;
        }
        freq[v1] += freq[v2];
        freq[v2] = 0;
        std::memmove(live + v2At, live + v2At + 1, sizeof(int) * size_t(liveCount - v2At - 1));
        --liveCount;
        ++codeSize[v1];
        while (others[v1] >= 0) {
            v1 = others[v1];
            ++codeSize[v1];
        }
        others[v1] = v2;
        ++codeSize[v2];
        while (others[v2] >= 0) {
            v2 = others[v2];
            ++codeSize[v2];
        }
    }

    // Figure K.2: count the codes of each size; figure K.3: limit the sizes to 16 bits.
    int bits[258] = {};
    for (int i = 0; i < 257; ++i) {
        ++bits[codeSize[i]];
    }
    bits[0] = 0;
    for (int i = 257; i > 16; --i) {
        while (bits[i] > 0) {
            int j = i - 2;
            while (bits[j] == 0) {
                --j;
            }
            bits[i] -= 2;
            bits[i - 1] += 1;
            bits[j + 1] += 2;
            bits[j] -= 1;
        }
    }
    // Remove the reserved code point from the longest size in use.
    int longest = 16;
    while (longest > 0 && bits[longest] == 0) {
        --longest;
    }
    if (longest > 0) {
        bits[longest] -= 1;
    }

    // Figure K.4: symbols sorted by code size (ties in symbol order), as a counting sort.
    spec = HuffmanTableSpec{};
    int next[258] = {};
    for (int symbol = 0; symbol < 256; ++symbol) {
        ++next[codeSize[symbol]];
    }
    int count = 0;
    for (int size = 1; size <= 257; ++size) {
        const int inSize = next[size];
        next[size] = count;
        count += inSize;
    }
    for (int symbol = 0; symbol < 256; ++symbol) {
        if (codeSize[symbol] != 0) {
            spec.symbols[next[codeSize[symbol]]++] = static_cast<uint8_t>(symbol);
        }
    }
    for (int size = 1; size <= 16; ++size) {
        spec.counts[size] = static_cast<uint8_t>(bits[size]);
    }
    spec.symbolCount = count;

    // Annex C: canonical codes from the counts.
    std::memset(codes, 0, sizeof(codes));
    std::memset(lengths, 0, sizeof(lengths));
    uint32_t code = 0;
    int index = 0;
    for (int size = 1; size <= 16; ++size) {
        for (int n = 0; n < spec.counts[size]; ++n) {
            const uint8_t symbol = spec.symbols[index++];
            codes[symbol] = static_cast<uint16_t>(code);
            lengths[symbol] = static_cast<uint8_t>(size);
            ++code;
        }
        code <<= 1;
    }
    defined = true;
}

}  // namespace HXJPEG
