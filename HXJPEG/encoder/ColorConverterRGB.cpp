#include "HXJPEG/encoder/ColorConverterRGB.h"

#include <algorithm>
#include <vector>

#include "HXJPEG/encoder/EncoderSIMD.h"
#include "HXJPEG/encoder/InterleavedRows.h"
#include "HXJPEG/encoder/YCbCrArithmetic.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace HXJPEG {
namespace {

// The three products of one sample, each sum the 16-bit fixed-point value of Y - 128,
// Cb - 128 and Cr - 128 times 256 (the nine weights of the conversion).
struct Weighted {
    int32_t y, cb, cr;
};

inline int32_t Weigh(const YCbCrWeights& w, int32_t r, int32_t g, int32_t b) {
    return w.r * r + w.g * g + w.b * b;
}

inline Weighted Weigh(int32_t r, int32_t g, int32_t b) {
    return {Weigh(kLumaWeights, r, g, b) + kLumaOffset, Weigh(kBlueWeights, r, g, b),
            Weigh(kRedWeights, r, g, b)};
}

}  // namespace

void ColorConverterRGB::Convert(const HXJPEGImageContent& input, const BandWindow& window,
                                ComponentBand* out) {
    ConvertChannels({{input.planes[0], input.planes[1], input.planes[2]}, false}, input, window,
                    out);
}

// One row of planar 8-bit R, G and B to Y, Cb and Cr. Every sum fits 16 bits (the magnitudes
// of each row's weights add up to 256), so eight samples go through 16-bit lanes at once.
static void ConvertPlanarRow(const uint8_t* r, const uint8_t* g, const uint8_t* b, uint32_t count,
                             bool useSSE2, int16_t* yOut, int16_t* cbOut, int16_t* crOut) {
    uint32_t x = 0;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i yOffset = _mm_set1_epi16(int16_t(kLumaOffset));
    for (; useSSE2 && x + 8 <= count; x += 8) {
        const __m128i red =
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(r + x)), zero);
        const __m128i green =
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(g + x)), zero);
        const __m128i blue =
            _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(b + x)), zero);
        auto weigh = [&](const YCbCrWeights& w) {
            return _mm_add_epi16(_mm_add_epi16(_mm_mullo_epi16(red, _mm_set1_epi16(w.r)),
                                               _mm_mullo_epi16(green, _mm_set1_epi16(w.g))),
                                 _mm_mullo_epi16(blue, _mm_set1_epi16(w.b)));
        };
        const __m128i y = RoundedSamples(_mm_add_epi16(weigh(kLumaWeights), yOffset));
        const __m128i cb = RoundedSamples(weigh(kBlueWeights));
        const __m128i cr = RoundedSamples(weigh(kRedWeights));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(yOut + x), y);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(cbOut + x), cb);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(crOut + x), cr);
    }
#else
    (void)useSSE2;
#endif
    for (; x < count; ++x) {
        const Weighted w = Weigh(r[x], g[x], b[x]);
        yOut[x] = RoundedSample(w.y);
        cbOut[x] = RoundedSample(w.cb);
        crOut[x] = RoundedSample(w.cr);
    }
}

void ColorConverterRGB::ConvertEqual(const Channels& channels, const HXJPEGImageContent& input,
                                     const BandWindow& window, ComponentBand* out) {
    const uint32_t realRight = std::min(window.right, window.imageWidth);
    const uint32_t count = realRight - window.left;
    const uint8_t flip = channels.inverted ? 255 : 0;
    const uint32_t step = input.pixelStride;
    const EncoderSIMDLevel level = ActiveEncoderSIMDLevel();
    // Interleaved pixels go through byte shuffles straight to the arithmetic; other layouts are
    // first gathered into separate planes of the row (inverted for CMYK input).
    const bool interleaved =
        level >= EncoderSIMDLevel::kSSSE3 && layout_.Describe(channels.planes, step);
    std::vector<uint8_t> planar(interleaved ? 0 : size_t{count} * 3);
    uint8_t* red = planar.data();
    uint8_t* green = red + (interleaved ? 0 : count);
    uint8_t* blue = green + (interleaved ? 0 : count);
    for (uint32_t y = 0; y < out[0].rows; ++y) {
        const size_t rowOffset =
            static_cast<size_t>(std::min(y, window.inputRows - 1)) * input.rowStride +
            size_t{window.left} * step;
        const uint8_t* r = channels.planes[0] + rowOffset;
        const uint8_t* g = channels.planes[1] + rowOffset;
        const uint8_t* b = channels.planes[2] + rowOffset;
        int16_t* yRow = out[0].samples + static_cast<size_t>(y) * out[0].stride;
        int16_t* cbRow = out[1].samples + static_cast<size_t>(y) * out[1].stride;
        int16_t* crRow = out[2].samples + static_cast<size_t>(y) * out[2].stride;
        int16_t* yOut = yRow + window.left;
        int16_t* cbOut = cbRow + window.left;
        int16_t* crOut = crRow + window.left;
        if (interleaved) {
            uint32_t x = ConvertInterleavedRow(
                layout_, layout_.base + rowOffset, count, window.imageWidth - window.left,
                channels.inverted, level >= EncoderSIMDLevel::kAVX2, yOut, cbOut, crOut);
            for (; x < count; ++x) {
                const size_t at = size_t{x} * step;
                const Weighted w = Weigh(flip ^ r[at], flip ^ g[at], flip ^ b[at]);
                yOut[x] = RoundedSample(w.y);
                cbOut[x] = RoundedSample(w.cb);
                crOut[x] = RoundedSample(w.cr);
            }
        } else {
            for (uint32_t x = 0; x < count; ++x) {
                const size_t at = size_t{x} * step;
                red[x] = flip ^ r[at];
                green[x] = flip ^ g[at];
                blue[x] = flip ^ b[at];
            }
            ConvertPlanarRow(red, green, blue, count, level >= EncoderSIMDLevel::kSSE2, yOut, cbOut,
                             crOut);
        }
        for (uint32_t x = realRight; x < window.right; ++x) {
            yRow[x] = yRow[realRight - 1];
            cbRow[x] = cbRow[realRight - 1];
            crRow[x] = crRow[realRight - 1];
        }
    }
}

void ColorConverterRGB::ConvertSubsampled(const Channels& channels, const HXJPEGImageContent& input,
                                          const BandWindow& window, ComponentBand* out) {
    const int32_t flip = channels.inverted ? 255 : 0;
    const uint32_t step = input.pixelStride;
    const uint32_t lastColumn = window.imageWidth - 1;
    const uint32_t realRight = std::min(window.right, window.imageWidth);
    const EncoderSIMDLevel level = ActiveEncoderSIMDLevel();
    const bool interleaved =
        level >= EncoderSIMDLevel::kSSSE3 && layout_.Describe(channels.planes, step);
    for (uint32_t chromaRow = 0; chromaRow < out[1].rows; ++chromaRow) {
        size_t rowOffsets[2];
        for (uint32_t half = 0; half < 2; ++half) {
            const uint32_t row = std::min(chromaRow * 2 + half, window.inputRows - 1);
            rowOffsets[half] = static_cast<size_t>(row) * input.rowStride;
        }
        int16_t* cbOut = out[1].samples + static_cast<size_t>(chromaRow) * out[1].stride;
        int16_t* crOut = out[2].samples + static_cast<size_t>(chromaRow) * out[2].stride;
        uint32_t done = 0;  // pixels from window.left on converted by the shuffling code
        if (interleaved) {
            const size_t left = size_t{window.left} * step;
            const uint8_t* rows[2] = {layout_.base + rowOffsets[0] + left,
                                      layout_.base + rowOffsets[1] + left};
            int16_t* yRows[2] = {
                out[0].samples + static_cast<size_t>(chromaRow * 2) * out[0].stride + window.left,
                out[0].samples + static_cast<size_t>(chromaRow * 2 + 1) * out[0].stride +
                    window.left};
            done = ConvertInterleavedRowPair(layout_, rows, realRight - window.left,
                                             window.imageWidth - window.left, channels.inverted,
                                             level >= EncoderSIMDLevel::kAVX2, yRows,
                                             cbOut + window.left / 2, crOut + window.left / 2);
        }
        for (uint32_t chromaX = (window.left + done) / 2; chromaX < window.right / 2; ++chromaX) {
            int32_t cbSum = 0;
            int32_t crSum = 0;
            for (uint32_t half = 0; half < 2; ++half) {
                int16_t* yOut =
                    out[0].samples + static_cast<size_t>(chromaRow * 2 + half) * out[0].stride;
                for (uint32_t dx = 0; dx < 2; ++dx) {
                    const uint32_t x = chromaX * 2 + dx;
                    const size_t at = rowOffsets[half] + std::min(x, lastColumn) * size_t{step};
                    const Weighted w =
                        Weigh(flip ^ channels.planes[0][at], flip ^ channels.planes[1][at],
                              flip ^ channels.planes[2][at]);
                    yOut[x] = RoundedSample(w.y);
                    cbSum += w.cb;
                    crSum += w.cr;
                }
            }
            cbOut[chromaX] = RoundedGroupOfFour(cbSum);
            crOut[chromaX] = RoundedGroupOfFour(crSum);
        }
    }
}

}  // namespace HXJPEG
