// The scan loops: a sequential scan of every component goes straight to the output, every
// other scan into the coefficient store.
#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "HXJPEG/decoder/IDCT.h"
#include "HXJPEG/decoder/JPEGDecoder.h"

namespace HXJPEG {

namespace {

// Clears one block of 64 coefficients with plain vector stores (a memset of this size tends to
// become a slow string instruction).
inline void ZeroBlock(int16_t* zz) {
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    for (int i = 0; i < 64; i += 8) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(zz + i), zero);
    }
#else
    std::memset(zz, 0, 64 * sizeof(int16_t));
#endif
}

}  // namespace

bool JPEGDecoder::AllocateStore() {
    if (store_.Allocated()) {
        return true;
    }
    if (!store_.Allocate(frame_.components, frame_.componentCount, frame_.mcusAcross,
                         frame_.mcusDown)) {
        status_.Fail(HXJPEG_ERR_OUT_OF_MEMORY);
        return false;
    }
    return true;
}

// Decodes one scan: straight to the output when it is a sequential scan of every component,
// else into the coefficient store.
void JPEGDecoder::DecodeScanIntoStore() {
    blocks_.StartScan(scan_, restartInterval_);
    if (frame_.Empty()) {
        return;
    }
    if (!frame_.progressive && scan_.count == frame_.componentCount && !storeUsed_) {
        if (!contentSinglePassDone_) {
            contentSinglePassDone_ = true;
            DecodeSinglePass();
        }
        return;
    }
    if (contentSinglePassDone_ || !AllocateStore()) {
        return;
    }
    storeUsed_ = true;
    auto decodeBlock = [&](int16_t* zz, ScanComponent& sc) -> bool {
        if (!frame_.progressive) {
            ZeroBlock(zz);
            return blocks_.DecodeSequential(zz, sc, false) >= 0;
        }
        return blocks_.DecodeProgressive(zz, sc);
    };

    if (scan_.count == 1) {
        // Non-interleaved: the MCU is one block; only the component's own blocks are coded.
        ScanComponent& sc = scan_.components[0];
        const FrameComponent& fc = frame_.components[sc.frameIndex];
        int compWidth = (frame_.width * fc.h + frame_.hMax - 1) / frame_.hMax;
        int compHeight = (frame_.height * fc.v + frame_.vMax - 1) / frame_.vMax;
        int blocksAcross = (compWidth + 7) / 8;
        int blocksDown = (compHeight + 7) / 8;
        for (int by = 0; by < blocksDown; ++by) {
            for (int bx = 0; bx < blocksAcross; ++bx) {
                if (!blocks_.BeforeUnit(true)) {
                    return;
                }
                if (!decodeBlock(store_.Block(sc.frameIndex, bx, by), sc) ||
                    !blocks_.CheckDataEnd()) {
                    return;
                }
            }
        }
        return;
    }
    for (int my = 0; my < frame_.mcusDown; ++my) {
        for (int mx = 0; mx < frame_.mcusAcross; ++mx) {
            if (!blocks_.BeforeUnit(true)) {
                return;
            }
            for (int i = 0; i < scan_.count; ++i) {
                ScanComponent& sc = scan_.components[i];
                const FrameComponent& fc = frame_.components[sc.frameIndex];
                for (int v = 0; v < fc.v; ++v) {
                    for (int h = 0; h < fc.h; ++h) {
                        int16_t* zz = store_.Block(sc.frameIndex, mx * fc.h + h, my * fc.v + v);
                        if (!decodeBlock(zz, sc)) {
                            return;
                        }
                    }
                }
            }
            if (!blocks_.CheckDataEnd()) {
                return;
            }
        }
    }
}

// Sequential scan of every component: entropy decoding, inverse DCT and output band by band,
// chunk by chunk, without holding the image.
void JPEGDecoder::DecodeSinglePass() {
    bool coefficientsOnly = (mode_ & kModeCoefficients) != 0;
    if (!PrepareOutput()) {
        return;
    }
    bool notify = handler_ != &defaultHandler_;
    bool dcOnly = reduced_ && !coefficientsOnly && !notify;
    if (dcOnly) {
        for (int i = 0; i < scan_.count; ++i) {
            huffmanTables_.PrepareSkipping(scan_.components[i].acTable);
        }
    }
    int16_t* zz = zzScratch_.data();
    for (int my = 0; my < frame_.mcusDown; ++my) {
        if (!coefficientsOnly && !BeginBand(my)) {
            return;
        }
        for (int mx0 = 0; mx0 < frame_.mcusAcross; mx0 += chunkMCUs_) {
            int n = std::min(chunkMCUs_, frame_.mcusAcross - mx0);
            for (int m = 0; m < n; ++m) {
                if (!blocks_.BeforeUnit(false)) {
                    return;
                }
                for (int i = 0; i < scan_.count; ++i) {
                    ScanComponent& sc = scan_.components[i];
                    int c = sc.frameIndex;
                    const FrameComponent& fc = frame_.components[c];
                    for (int v = 0; v < fc.v; ++v) {
                        for (int h = 0; h < fc.h; ++h) {
                            int count = blocks_.DecodeSequential(zz, sc, dcOnly);
                            if (count < 0) {
                                return;
                            }
                            if (notify) {
                                NotifyDecodedBlock(zz, c);
                            }
                            if (coefficientsOnly) {
                                handler_->OnBlockNatural(zz, c, 1);
                                ZeroBlock(zz);
                                continue;
                            }
                            int16_t* out = output_.BlockSamples(c, m * fc.h + h, v);
                            if (dcOnly) {
                                // The reduced decode: one sample from the DC term, which is
                                // also the only coefficient written.
                                *out = DCOnlySample(zz[0], quant_[fc.quantTable]);
                                zz[0] = 0;
                                continue;
                            }
                            DecodeBlockToSamples(zz, count, c, out, output_.ChunkStride(c));
                            ZeroBlock(zz);  // for the next block
                        }
                    }
                }
                if (!blocks_.CheckDataEnd()) {
                    return;
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
