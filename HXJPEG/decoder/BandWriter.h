#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "HXJPEG.h"
#include "HXJPEG/common/FrameInfo.h"
#include "HXJPEG/decoder/ColorConverter.h"

namespace HXJPEG {

// The decoder's output side: holds one chunk of decoded samples per component (48 blocks
// across), widens subsampled components by repetition, converts the colours into the tiles of
// the caller's HXJPEGTiledContentWriter and runs the tile protocol band by band.
class BandWriter {
public:
    struct Layout {
        const FrameComponent* frame;
        int componentCount;
        int hMax, vMax;
        int blockSize;  // samples per block side: 8, or 1 in the reduced decode
        int outputWidth, outputHeight;
        int chunkMCUs;  // MCUs per chunk
    };

    // The sink and the requested colour space, for the next Begin.
    void SetSink(const HXJPEGTiledContentWriter& sink, uint32_t colorSpace) {
        sink_ = sink;
        colorSpace_ = colorSpace;
    }
    uint32_t ColorSpace() const { return colorSpace_; }

    // Sizes the chunks and calls the sink's begin. False when the sink refuses.
    bool Begin(const Layout& layout, RowConverter converter);
    // getTile for band `bandIndex`. False when the sink refuses or gives too few planes.
    bool BeginBand(int bandIndex);
    // Where the inverse DCT puts block (`blockX` across the chunk, `blockY` down the MCU) of
    // component `c`, and that component's row stride.
    int16_t* BlockSamples(int c, int blockX, int blockY) {
        return chunkSamples_[c].data() + size_t(blockY) * layout_.blockSize * chunkStride_[c] +
               size_t(blockX) * layout_.blockSize;
    }
    size_t ChunkStride(int c) const { return chunkStride_[c]; }
    // Converts `mcuCount` MCUs of the chunk starting at MCU `firstMCU` into the band's tile.
    void EmitChunk(int bandIndex, int firstMCU, int mcuCount);
    // putTile for band `bandIndex`. False when the sink refuses.
    bool EndBand(int bandIndex);
    // The sink's end, once, if its begin was reached.
    void End();

private:
    HXJPEGRect BandRect(int bandIndex) const;

    HXJPEGTiledContentWriter sink_ = {};
    uint32_t colorSpace_ = 0;
    bool begun_ = false;
    Layout layout_ = {};
    int bandHeight_ = 0;
    RowConverter converter_ = nullptr;
    HXJPEGImageContent tile_ = {};
    std::vector<int16_t> chunkSamples_[4];  // per component: chunk of decoded samples
    size_t chunkStride_[4] = {};
    std::vector<int16_t> upsampled_[4];  // per component: one row widened to the output
};

}  // namespace HXJPEG
