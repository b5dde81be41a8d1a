#pragma once

#include <cstdint>

#include "HXJPEG/encoder/BitWriter.h"
#include "HXJPEG/encoder/HuffmanEncoderTable.h"

namespace HXJPEG {

// First scan of a spectral band Ss..Se of one component without successive approximation
// (JPEG G.1.2.2): run/size symbols as in sequential coding, but blocks that end in zeros are
// gathered into end-of-band runs (EOBn symbols with n extra bits, runs up to 32767).
// Blocks are in the store's packed form, visited in the component's raster order.
class ProgressiveACScan {
public:
    ProgressiveACScan(uint32_t ss, uint32_t se) : ss_(ss), se_(se) {}

    // Adds the scan's symbols to `table`'s frequencies.
    void Count(const uint16_t* const* blocks, uint32_t blockCount, HuffmanEncoderTable& table);
    // Writes the scan's entropy-coded data.
    void Encode(const uint16_t* const* blocks, uint32_t blockCount,
                const HuffmanEncoderTable& table, BitWriter& bits);

private:
    template <typename Sink>
    void Run(const uint16_t* const* blocks, uint32_t blockCount, Sink& sink);

    uint32_t ss_;
    uint32_t se_;
};

}  // namespace HXJPEG
