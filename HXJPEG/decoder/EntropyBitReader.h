#pragma once

#include <cstdint>
#include <cstring>

#include "HXJPEG/decoder/HuffmanDecodeTable.h"
#include "HXJPEG/decoder/InputBuffer.h"

namespace HXJPEG {

// Reads the entropy-coded data of a scan from the input: a 64-bit accumulator holding bits
// from its top, stuffed 0xFF 0x00 taken as 0xFF. A marker met inside the data stays in the
// input (PendingMarker) and, like the end of the data, feeds zero bits that are counted, so
// that a block which used them can be detected (UsedInventedBits).
class EntropyBitReader {
public:
    explicit EntropyBitReader(InputBuffer& input) : input_(input) {}
    EntropyBitReader(const EntropyBitReader&) = delete;
    EntropyBitReader& operator=(const EntropyBitReader&) = delete;

    // Empties the accumulator (at a restart marker).
    void Reset() {
        bits_ = 0;
        bitCount_ = 0;
        inventedBits_ = 0;
    }
    // Empties the accumulator and forgets any marker met: the start of a scan's data.
    void StartScan() {
        Reset();
        pendingMarker_ = 0;
    }

    // The accumulator, for a block decoder that keeps it in registers: take it before the
    // loop, put it back before any other call.
    uint64_t Bits() const { return bits_; }
    int BitCount() const { return bitCount_; }
    void SetBits(uint64_t bits, int bitCount) {
        bits_ = bits;
        bitCount_ = bitCount;
    }

    // Tops the accumulator up to more than 56 bits.
    void Fill();
    // Fill for the common case, inlined: eight bytes without 0xFF.
    void FillFast() {
        uint64_t word;
        if (CanTakeWord(word)) {
            TakeWord(word, bits_, bitCount_);
            return;
        }
        Fill();
    }
    // FillFast on an accumulator held outside (Bits/SetBits); the reader is brought in step
    // only around the slow path.
    void FillLocal(uint64_t& bits, int& bitCount) {
        uint64_t word;
        if (CanTakeWord(word)) {
            TakeWord(word, bits, bitCount);
            return;
        }
        SetBits(bits, bitCount);
        Fill();
        bits = bits_;
        bitCount = bitCount_;
    }

    uint32_t GetBits(int n) {
        if (n == 0) {
            return 0;
        }
        if (bitCount_ < n) {
            Fill();
        }
        uint32_t v = uint32_t(bits_ >> (64 - n));
        bits_ <<= n;
        bitCount_ -= n;
        return v;
    }

    // JPEG F.2.2.1: receive `size` bits and extend their sign.
    int ReceiveExtend(int size) {
        if (size == 0) {
            return 0;
        }
        if (bitCount_ < size) {
            Fill();
        }
        int v = int(bits_ >> (64 - size));
        bits_ <<= size;
        bitCount_ -= size;
        return v < (1 << (size - 1)) ? v - (1 << size) + 1 : v;
    }

    // Returns the symbol, or -1 for a code the table does not hold.
    int DecodeHuffman(const HuffmanDecodeTable& table) {
        if (bitCount_ < 16) {
            FillFast();
        }
        HuffmanDecodeTable::Entry e = table.lookahead[bits_ >> 56];
        if (e.length != HuffmanDecodeTable::kLongCode) {
            bits_ <<= e.length;
            bitCount_ -= e.length;
            return e.symbol;
        }
        uint32_t top16 = uint32_t(bits_ >> 48);
        for (int length = 9; length <= table.lastLength; ++length) {
            int32_t code = int32_t(top16 >> (16 - length));
            if (code <= table.maxCode[length]) {
                int index = code + table.valueOffset[length];
                if (index < 0 || index > 255) {
                    return -1;
                }
                bits_ <<= length;
                bitCount_ -= length;
                return table.symbols[index];
            }
        }
        return -1;
    }

    // Whether bits beyond the real data were consumed.
    bool UsedInventedBits() const { return inventedBits_ > bitCount_; }

    // The marker that ends the data here: the one already met, else the next one found by
    // passing over stray bytes (0 when the input ends first). It is not consumed.
    uint8_t NextMarker();
    // Consumes the marker that NextMarker returned.
    void ConsumeMarker() {
        input_.pos += 2;
        pendingMarker_ = 0;
    }

private:
    static uint64_t LoadBigEndian64(const uint8_t* p) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        return __builtin_bswap64(word);
    }
    static bool HasFFByte(uint64_t word) {
        uint64_t inverted = ~word;
        return ((inverted - 0x0101010101010101ULL) & ~inverted & 0x8080808080808080ULL) != 0;
    }
    // Eight bytes ahead and none of them 0xFF: `word` holds them.
    bool CanTakeWord(uint64_t& word) const {
        return pendingMarker_ == 0 && input_.end - input_.pos >= 8 &&
               !HasFFByte(word = LoadBigEndian64(input_.data + input_.pos));
    }
    // Moves the whole bytes of `word` that fit into the accumulator.
    void TakeWord(uint64_t word, uint64_t& bits, int& bitCount) {
        int bytes = (64 - bitCount) >> 3;
        bits |= (word & (~0ULL << (64 - 8 * bytes))) >> bitCount;
        bitCount += 8 * bytes;
        input_.pos += size_t(bytes);
    }

    InputBuffer& input_;
    uint64_t bits_ = 0;
    int bitCount_ = 0;
    int inventedBits_ = 0;       // zero bits fed after the data or a marker
    uint8_t pendingMarker_ = 0;  // marker met inside the data (0 = none)
};

}  // namespace HXJPEG
