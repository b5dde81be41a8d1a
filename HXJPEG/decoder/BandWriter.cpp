#include "HXJPEG/decoder/BandWriter.h"

#include <algorithm>

namespace HXJPEG {
namespace {

int ChannelCount(uint32_t colorSpace) {
    switch (colorSpace) {
        case HXJPEG_COLOR_GREY:
            return 1;
        case HXJPEG_COLOR_CMYK:
        case HXJPEG_COLOR_RGBX:
            return 4;
        default:
            return 3;
    }
}

// The loops over a row's samples stay out of line: the fuzzing build leaves them without
// coverage tracing (fuzz/coverage-ignorelist.txt), while the choice between them stays traced.
template <int kRatio>
[[gnu::noinline]] void ReplicateSamples(const int16_t* in, int16_t* out, int sources) {
    for (int x = 0; x < sources; ++x) {
        for (int copy = 0; copy < kRatio; ++copy) {
            out[kRatio * x + copy] = in[x];
        }
    }
}

[[gnu::noinline]] void NearestSamples(const int16_t* in, int16_t* out, int width, int h, int hMax) {
    for (int x = 0; x < width; ++x) {
        out[x] = in[x * h / hMax];
    }
}

// Widens one row by repeating each sample `ratio` times (the common ratios unrolled), or by
// integer division of the position for ratios such as 3:2.
void UpsampleRow(const int16_t* in, int16_t* out, int width, int h, int hMax) {
    if (hMax % h == 0) {
        const int ratio = hMax / h;
        const int sources = (width + ratio - 1) / ratio;
        switch (ratio) {
            case 2:
                return ReplicateSamples<2>(in, out, sources);
            case 3:
                return ReplicateSamples<3>(in, out, sources);
            case 4:
                return ReplicateSamples<4>(in, out, sources);
            default:
                break;
        }
    }
    NearestSamples(in, out, width, h, hMax);
}

}  // namespace

bool BandWriter::Begin(const Layout& layout, RowConverter converter) {
    layout_ = layout;
    converter_ = converter;
    bandHeight_ = layout.vMax * layout.blockSize;
    const int chunkWidth = layout.chunkMCUs * layout.hMax * layout.blockSize;
    for (int c = 0; c < layout.componentCount; ++c) {
        chunkStride_[c] = size_t(layout.chunkMCUs) * layout.frame[c].h * layout.blockSize;
        chunkSamples_[c].assign(chunkStride_[c] * layout.frame[c].v * layout.blockSize, 0);
        upsampled_[c].assign(size_t(chunkWidth) + 8, 0);
    }
    if (sink_.begin != nullptr || sink_.getTile != nullptr) {
        begun_ = true;
    }
    return sink_.begin != nullptr &&
           sink_.begin(sink_.userData, uint32_t(bandHeight_), uint32_t(layout.outputWidth));
}

HXJPEGRect BandWriter::BandRect(int bandIndex) const {
    const int top = bandIndex * bandHeight_;
    return {uint16_t(top), 0, uint16_t(std::min(bandHeight_, layout_.outputHeight - top)),
            uint16_t(layout_.outputWidth)};
}

bool BandWriter::BeginBand(int bandIndex) {
    tile_ = {};
    if (sink_.getTile == nullptr || !sink_.getTile(sink_.userData, BandRect(bandIndex), &tile_)) {
        return false;
    }
    if (converter_ != nullptr) {
        for (int i = 0; i < ChannelCount(colorSpace_); ++i) {
            if (tile_.planes[i] == nullptr) {
                return false;
            }
        }
    }
    return true;
}

void BandWriter::EmitChunk(int bandIndex, int firstMCU, int mcuCount) {
    if (converter_ == nullptr) {
        return;
    }
    const int hMax = layout_.hMax;
    int x0 = firstMCU * hMax * layout_.blockSize;
    int width = std::min(mcuCount * hMax * layout_.blockSize, layout_.outputWidth - x0);
    int top = bandIndex * bandHeight_;
    int rows = std::min(bandHeight_, layout_.outputHeight - top);
    const int16_t* in[4] = {};
    int lastSourceRow[4] = {-1, -1, -1, -1};
    for (int y = 0; y < rows; ++y) {
        for (int c = 0; c < layout_.componentCount; ++c) {
            const FrameComponent& fc = layout_.frame[c];
            int sourceRow = y * fc.v / layout_.vMax;
            const int16_t* row = chunkSamples_[c].data() + size_t(sourceRow) * chunkStride_[c];
            if (fc.h == hMax) {
                in[c] = row;
            } else {
                if (sourceRow != lastSourceRow[c]) {
                    UpsampleRow(row, upsampled_[c].data(), width, fc.h, hMax);
                    lastSourceRow[c] = sourceRow;
                }
                in[c] = upsampled_[c].data();
            }
        }
        uint8_t* out[4];
        size_t offset = size_t(y) * tile_.rowStride + size_t(x0) * tile_.pixelStride;
        for (int i = 0; i < 4; ++i) {
            out[i] = tile_.planes[i] != nullptr ? tile_.planes[i] + offset : nullptr;
        }
        converter_(in, out, tile_.pixelStride, width);
    }
}

bool BandWriter::EndBand(int bandIndex) {
    return sink_.putTile != nullptr && sink_.putTile(sink_.userData, BandRect(bandIndex), tile_);
}

void BandWriter::End() {
    if (begun_ && sink_.end != nullptr) {
        sink_.end(sink_.userData);
    }
    begun_ = false;
}

}  // namespace HXJPEG
