#include "HXJPEG/encoder/ProgressiveACScan.h"

#include "HXJPEG/encoder/BlockCoding.h"

namespace HXJPEG {
namespace {

struct CountingSink {
    HuffmanEncoderTable& table;
    void Symbol(uint32_t symbol) { ++table.frequencies[symbol]; }
    void Bits(uint32_t, uint32_t) {}
};

struct WritingSink {
    const HuffmanEncoderTable& table;
    BitWriter& bits;
    void Symbol(uint32_t symbol) { bits.Put(table.codes[symbol], table.lengths[symbol]); }
    void Bits(uint32_t value, uint32_t count) {
        if (count != 0) {
            bits.Put(value, count);
        }
    }
};

constexpr uint32_t kMaxEndOfBandRun = 0x7FFF;

template <typename Sink>
void FlushEndOfBandRun(uint32_t& run, Sink& sink) {
    if (run == 0) {
        return;
    }
    const uint32_t extraBits = 31 - static_cast<uint32_t>(__builtin_clz(run));
    sink.Symbol(extraBits << 4);
    sink.Bits(run & ((1u << extraBits) - 1), extraBits);
    run = 0;
}

}  // namespace

template <typename Sink>
void ProgressiveACScan::Run(const uint16_t* const* blocks, uint32_t blockCount, Sink& sink) {
    uint32_t endOfBandRun = 0;
    for (uint32_t b = 0; b < blockCount; ++b) {
        const uint16_t* block = blocks[b];
        uint32_t zeros = 0;
        for (uint32_t k = ss_; k <= se_; ++k) {
            const uint16_t packed = block[k];
            if (packed == 0) {
                ++zeros;
                continue;
            }
            FlushEndOfBandRun(endOfBandRun, sink);
            while (zeros >= 16) {
                sink.Symbol(0xF0);
                zeros -= 16;
            }
            const uint32_t size = packed >> 12;
            sink.Symbol((zeros << 4) | size);
            sink.Bits(packed & 0x0FFF, size);
            zeros = 0;
        }
        if (zeros != 0) {
            if (++endOfBandRun == kMaxEndOfBandRun) {
                FlushEndOfBandRun(endOfBandRun, sink);
            }
        }
    }
    FlushEndOfBandRun(endOfBandRun, sink);
}

void ProgressiveACScan::Count(const uint16_t* const* blocks, uint32_t blockCount,
                              HuffmanEncoderTable& table) {
    CountingSink sink{table};
    Run(blocks, blockCount, sink);
}

void ProgressiveACScan::Encode(const uint16_t* const* blocks, uint32_t blockCount,
                               const HuffmanEncoderTable& table, BitWriter& bits) {
    WritingSink sink{table, bits};
    Run(blocks, blockCount, sink);
}

}  // namespace HXJPEG
