// Output: inverse DCT into chunk buffers, upsampling by repetition, colour conversion into the
// caller's tiles band by band, and the output pass over the coefficient store.
#include <algorithm>
#include <cstring>

#include "HXJPEG/common/ZigZag.h"
#include "HXJPEG/decoder/IDCT.h"
#include "HXJPEG/decoder/JPEGDecoder.h"

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

// Widens one row by repeating each sample `ratio` times (the common ratios unrolled), or by
// integer division of the position for ratios such as 3:2.
void UpsampleRow(const int16_t* in, int16_t* out, int width, int h, int hMax) {
    if (hMax % h == 0) {
        int ratio = hMax / h;
        int sources = (width + ratio - 1) / ratio;
        switch (ratio) {
            case 2:
                for (int x = 0; x < sources; ++x) {
                    out[2 * x] = out[2 * x + 1] = in[x];
                }
                return;
            case 3:
                for (int x = 0; x < sources; ++x) {
                    out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = in[x];
                }
                return;
            case 4:
                for (int x = 0; x < sources; ++x) {
                    out[4 * x] = out[4 * x + 1] = out[4 * x + 2] = out[4 * x + 3] = in[x];
                }
                return;
            default:
                break;
        }
    }
    for (int x = 0; x < width; ++x) {
        out[x] = in[x * h / hMax];
    }
}

}  // namespace

bool JPEGDecoder::PrepareOutput() {
    zzScratch_.assign(64 + 16, 0);
    chunkMCUs_ = std::max(1, 48 / hMax_);
    if (mode_ & kModeCoefficients) {
        return true;
    }
    blockSize_ = reduced_ ? 1 : 8;
    bandHeight_ = vMax_ * blockSize_;
    outputWidth_ = reduced_ ? mcusAcross_ * hMax_ : width_;
    outputHeight_ = reduced_ ? mcusDown_ * vMax_ : height_;
    int chunkWidth = chunkMCUs_ * hMax_ * blockSize_;
    for (int c = 0; c < componentCount_; ++c) {
        chunkStride_[c] = size_t(chunkMCUs_) * frame_[c].h * blockSize_;
        chunkSamples_[c].assign(chunkStride_[c] * frame_[c].v * blockSize_, 0);
        upsampled_[c].assign(size_t(chunkWidth) + 8, 0);
    }
    converter_ = SelectRowConverter(componentCount_, colorSpace_, untransformed_);
    if (sink_.begin != nullptr || sink_.getTile != nullptr) {
        sinkBegun_ = true;
    }
    if (sink_.begin == nullptr ||
        !sink_.begin(sink_.userData, uint32_t(bandHeight_), uint32_t(outputWidth_))) {
        Fail(HXJPEG_ERR_TILE_CALLBACK);
        return false;
    }
    return true;
}

void JPEGDecoder::NotifyDecodedBlock(const int16_t* natural, int component) {
    int16_t zz[64];
    for (int k = 0; k < 64; ++k) {
        zz[k] = natural[kZigZagToNatural[k]];
    }
    handler_->OnBlockDecoded(zz, component, 1);
}

void JPEGDecoder::DecodeBlockToSamples(const int16_t* zz, int count, int component, int16_t* out,
                                       size_t stride) {
    const QuantTable& table = quant_[frame_[component].quantTable];
    if (handler_ != &defaultHandler_) {
        handler_->OnBlockNatural(zz, component, 1);
    }
    if (reduced_) {
        *out = DCOnlySample(zz[0], table);
        return;
    }
    ActiveIDCT().transform(zz, count, table, out, stride);
}

bool JPEGDecoder::BeginBand(int bandIndex) {
    int top = bandIndex * bandHeight_;
    HXJPEGRect rect = {uint16_t(top), 0, uint16_t(std::min(bandHeight_, outputHeight_ - top)),
                       uint16_t(outputWidth_)};
    tile_ = {};
    if (sink_.getTile == nullptr || !sink_.getTile(sink_.userData, rect, &tile_)) {
        Fail(HXJPEG_ERR_TILE_CALLBACK);
        return false;
    }
    if (converter_ != nullptr) {
        for (int i = 0; i < ChannelCount(colorSpace_); ++i) {
            if (tile_.planes[i] == nullptr) {
                Fail(HXJPEG_ERR_TILE_CALLBACK);
                return false;
            }
        }
    }
    return true;
}

void JPEGDecoder::EmitChunk(int bandIndex, int firstMCU, int mcuCount) {
    if (converter_ == nullptr) {
        return;
    }
    int x0 = firstMCU * hMax_ * blockSize_;
    int width = std::min(mcuCount * hMax_ * blockSize_, outputWidth_ - x0);
    int top = bandIndex * bandHeight_;
    int rows = std::min(bandHeight_, outputHeight_ - top);
    const int16_t* in[4] = {};
    int lastSourceRow[4] = {-1, -1, -1, -1};
    for (int y = 0; y < rows; ++y) {
        for (int c = 0; c < componentCount_; ++c) {
            const FrameComponent& fc = frame_[c];
            int sourceRow = y * fc.v / vMax_;
            const int16_t* row = chunkSamples_[c].data() + size_t(sourceRow) * chunkStride_[c];
            if (fc.h == hMax_) {
                in[c] = row;
            } else {
                if (sourceRow != lastSourceRow[c]) {
                    UpsampleRow(row, upsampled_[c].data(), width, fc.h, hMax_);
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

bool JPEGDecoder::EndBand(int bandIndex) {
    int top = bandIndex * bandHeight_;
    HXJPEGRect rect = {uint16_t(top), 0, uint16_t(std::min(bandHeight_, outputHeight_ - top)),
                       uint16_t(outputWidth_)};
    if (sink_.putTile == nullptr || !sink_.putTile(sink_.userData, rect, tile_)) {
        Fail(HXJPEG_ERR_TILE_CALLBACK);
        return false;
    }
    return true;
}

// After the last scan of a multi-scan image: the coefficient store becomes samples (or, for
// the lossless transforms, blocks handed to the content handler in decoding order).
void JPEGDecoder::OutputFromStore() {
    bool coefficientsOnly = (mode_ & kModeCoefficients) != 0;
    if (!PrepareOutput()) {
        return;
    }
    for (int my = 0; my < mcusDown_; ++my) {
        if (!coefficientsOnly && !BeginBand(my)) {
            return;
        }
        for (int mx0 = 0; mx0 < mcusAcross_; mx0 += chunkMCUs_) {
            int n = std::min(chunkMCUs_, mcusAcross_ - mx0);
            for (int m = 0; m < n; ++m) {
                for (int c = 0; c < componentCount_; ++c) {
                    const FrameComponent& fc = frame_[c];
                    for (int v = 0; v < fc.v; ++v) {
                        for (int h = 0; h < fc.h; ++h) {
                            const int16_t* zz =
                                store_.Block(c, (mx0 + m) * fc.h + h, my * fc.v + v);
                            if (coefficientsOnly) {
                                handler_->OnBlockNatural(zz, c, 1);
                                continue;
                            }
                            // Blocks of the store are in natural order: only the DC-only
                            // shortcut is worth finding.
                            int count = 1;
                            for (int k = 1; k < 64; ++k) {
                                if (zz[k] != 0) {
                                    count = 64;
                                    break;
                                }
                            }
                            int16_t* out = chunkSamples_[c].data() +
                                           size_t(v) * blockSize_ * chunkStride_[c] +
                                           size_t(m * fc.h + h) * blockSize_;
                            DecodeBlockToSamples(zz, count, c, out, chunkStride_[c]);
                        }
                    }
                }
            }
            if (!coefficientsOnly) {
                EmitChunk(my, mx0, n);
            }
        }
        if (!coefficientsOnly && !EndBand(my)) {
            return;
        }
    }
}

}  // namespace HXJPEG
