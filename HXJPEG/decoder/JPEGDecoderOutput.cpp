// Output: inverse DCT into the band writer's chunks, and the output pass over the coefficient
// store.
#include <algorithm>
#include <cstring>

#include "HXJPEG/common/ZigZag.h"
#include "HXJPEG/decoder/IDCT.h"
#include "HXJPEG/decoder/JPEGDecoder.h"

namespace HXJPEG {

bool JPEGDecoder::PrepareOutput() {
    zzScratch_.assign(64 + 16, 0);
    chunkMCUs_ = std::max(1, 48 / frame_.hMax);
    if (mode_ & kModeCoefficients) {
        return true;
    }
    const int blockSize = reduced_ ? 1 : 8;
    const BandWriter::Layout layout = {frame_.components,
                                       frame_.componentCount,
                                       frame_.hMax,
                                       frame_.vMax,
                                       blockSize,
                                       reduced_ ? frame_.mcusAcross * frame_.hMax : frame_.width,
                                       reduced_ ? frame_.mcusDown * frame_.vMax : frame_.height,
                                       chunkMCUs_};
    if (!output_.Begin(layout, SelectRowConverter(frame_.componentCount, output_.ColorSpace(),
                                                  untransformed_))) {
        status_.Fail(HXJPEG_ERR_TILE_CALLBACK);
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
    const QuantTable& table = quant_[frame_.components[component].quantTable];
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
    if (!output_.BeginBand(bandIndex)) {
        status_.Fail(HXJPEG_ERR_TILE_CALLBACK);
        return false;
    }
    return true;
}

bool JPEGDecoder::EndBand(int bandIndex) {
    if (!output_.EndBand(bandIndex)) {
        status_.Fail(HXJPEG_ERR_TILE_CALLBACK);
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
    for (int my = 0; my < frame_.mcusDown; ++my) {
        if (!coefficientsOnly && !BeginBand(my)) {
            return;
        }
        for (int mx0 = 0; mx0 < frame_.mcusAcross; mx0 += chunkMCUs_) {
            int n = std::min(chunkMCUs_, frame_.mcusAcross - mx0);
            for (int m = 0; m < n; ++m) {
                for (int c = 0; c < frame_.componentCount; ++c) {
                    const FrameComponent& fc = frame_.components[c];
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
                            DecodeBlockToSamples(zz, count, c,
                                                 output_.BlockSamples(c, m * fc.h + h, v),
                                                 output_.ChunkStride(c));
                        }
                    }
                }
            }
            if (!coefficientsOnly) {
                output_.EmitChunk(my, mx0, n);
            }
        }
        if (!coefficientsOnly && !EndBand(my)) {
            return;
        }
    }
}

}  // namespace HXJPEG
