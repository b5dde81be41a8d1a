#pragma once

#include <cstdint>

#include "HXJPEG/encoder/JPEGOutputStream.h"

namespace HXJPEG {

// Packs Huffman codes and magnitude bits most significant bit first and emits every whole
// byte, following an emitted 0xFF with a stuffed 0x00 (JPEG F.1.2.3).
class BitWriter {
public:
    explicit BitWriter(JPEGOutputStream& stream) : stream_(stream) {}

    // The writer's state copied into a local for a run of Puts (one block's codes). Emitted
    // bytes are written through byte pointers, which may alias any member, so the members
    // would be reloaded after every emitted word; a local whose address is never taken stays
    // in registers. The state goes back when the session ends.
    class Session {
    public:
        explicit Session(BitWriter& writer)
            : writer_(writer), accumulator_(writer.accumulator_), count_(writer.count_) {}
        ~Session() {
            writer_.accumulator_ = accumulator_;
            writer_.count_ = count_;
        }
        Session(const Session&) = delete;
        Session& operator=(const Session&) = delete;

        // Appends the low `count` bits of `bits` (count <= 32, higher bits of `bits` zero).
        void Put(uint32_t bits, uint32_t count) {
            accumulator_ = (accumulator_ << count) | bits;
            count_ += count;
            if (count_ >= 32) {
                count_ -= 32;
                writer_.EmitWord(static_cast<uint32_t>(accumulator_ >> count_));
            }
        }

    private:
        BitWriter& writer_;
        uint64_t accumulator_;
        uint32_t count_;
    };

    // Appends the low `count` bits of `bits` (count <= 32, higher bits of `bits` zero).
    void Put(uint32_t bits, uint32_t count) { Session(*this).Put(bits, count); }

    // Ends a scan: whole bytes go out, then the remaining bits as one last byte padded with
    // zero bits.
    void FlushScan() {
        while (count_ >= 8) {
            count_ -= 8;
            EmitByte(static_cast<uint8_t>(accumulator_ >> count_));
        }
        if (count_ != 0) {
            EmitByte(static_cast<uint8_t>(accumulator_ << (8 - count_)));
        }
        count_ = 0;
        accumulator_ = 0;
    }

private:
    // Out of line: it runs for one Put in several, and inlined it crowded the coding loops'
    // registers.
    __attribute__((noinline)) void EmitWord(uint32_t word) {
        uint8_t* out = stream_.Reserve(8);
        const uint32_t inverted = ~word;
        const bool hasFF = ((inverted - 0x01010101u) & ~inverted & 0x80808080u) != 0;
        if (!hasFF) {
            out[0] = static_cast<uint8_t>(word >> 24);
            out[1] = static_cast<uint8_t>(word >> 16);
            out[2] = static_cast<uint8_t>(word >> 8);
            out[3] = static_cast<uint8_t>(word);
            stream_.Commit(4);
            return;
        }
        uint32_t used = 0;
        for (int shift = 24; shift >= 0; shift -= 8) {
            const uint8_t byte = static_cast<uint8_t>(word >> shift);
            out[used++] = byte;
            if (byte == 0xFF) {
                out[used++] = 0;
            }
        }
        stream_.Commit(used);
    }
    void EmitByte(uint8_t byte) {
        stream_.PutByte(byte);
        if (byte == 0xFF) {
            stream_.PutByte(0);
        }
    }

    JPEGOutputStream& stream_;
    uint64_t accumulator_ = 0;
    uint32_t count_ = 0;
};

}  // namespace HXJPEG
