#include <algorithm>
#include <cstring>

#include "HXJPEG/common/ZigZag.h"
#include "HXJPEG/decoder/IDCT.h"

namespace HXJPEG {
namespace {

// AAN constants in 9 fractional bits.
constexpr int32_t k1_414 = 724;   // 1.414213562
constexpr int32_t k1_847 = 946;   // 1.847759065
constexpr int32_t k2_613 = 1338;  // 2.613125930
constexpr int32_t k1_082 = 554;   // 1.082392200

inline int32_t Mul(int32_t x, int32_t k) {
    return int32_t((int64_t(x) * k + 256) >> 9);
}

// One-dimensional AAN inverse transform (JPEG's float reference order of butterflies).
inline void Butterflies(int32_t* d, size_t step) {
    int32_t tmp0 = d[0], tmp1 = d[2 * step], tmp2 = d[4 * step], tmp3 = d[6 * step];
    int32_t tmp10 = tmp0 + tmp2, tmp11 = tmp0 - tmp2;
    int32_t tmp13 = tmp1 + tmp3;
    int32_t tmp12 = Mul(tmp1 - tmp3, k1_414) - tmp13;
    tmp0 = tmp10 + tmp13;
    tmp3 = tmp10 - tmp13;
    tmp1 = tmp11 + tmp12;
    tmp2 = tmp11 - tmp12;

    int32_t z13 = d[5 * step] + d[3 * step], z10 = d[5 * step] - d[3 * step];
    int32_t z11 = d[1 * step] + d[7 * step], z12 = d[1 * step] - d[7 * step];
    int32_t tmp7 = z11 + z13;
    tmp11 = Mul(z11 - z13, k1_414);
    int32_t z5 = Mul(z10 + z12, k1_847);
    tmp10 = Mul(z12, k1_082) - z5;
    tmp12 = z5 - Mul(z10, k2_613);
    int32_t tmp6 = tmp12 - tmp7;
    int32_t tmp5 = tmp11 - tmp6;
    int32_t tmp4 = tmp10 + tmp5;

    d[0] = tmp0 + tmp7;
    d[7 * step] = tmp0 - tmp7;
    d[1 * step] = tmp1 + tmp6;
    d[6 * step] = tmp1 - tmp6;
    d[2 * step] = tmp2 + tmp5;
    d[5 * step] = tmp2 - tmp5;
    d[4 * step] = tmp3 + tmp4;
    d[3 * step] = tmp3 - tmp4;
}

// Dequantised inputs are held with 8 fractional bits and clamped far outside anything a real
// encoder produces, so that a hostile block cannot overflow the 32-bit butterflies.
constexpr int64_t kInputLimit = int64_t(1) << 21;

}  // namespace

void IDCTInteger(const int16_t* natural, int count, const QuantTable& table, int16_t* out,
                 size_t stride) {
    if (count < 2) {
        int16_t v = DCOnlySample(natural[0], table);
        for (int r = 0; r < 8; ++r) {
            std::fill(out + r * stride, out + r * stride + 8, v);
        }
        return;
    }
    int32_t block[64];
    for (int n = 0; n < 64; ++n) {
        int64_t v = (int64_t(natural[n]) * table.intMultiplier[n]) >> 8;
        block[n] = int32_t(std::clamp(v, -kInputLimit, kInputLimit));
    }
    for (int c = 0; c < 8; ++c) {
        int32_t* col = block + c;
        if ((col[8] | col[16] | col[24] | col[32] | col[40] | col[48] | col[56]) == 0) {
            for (int r = 1; r < 8; ++r) {
                col[r * 8] = col[0];
            }
            continue;
        }
        Butterflies(col, 8);
    }
    for (int r = 0; r < 8; ++r) {
        int32_t* row = block + r * 8;
        Butterflies(row, 1);
        for (int c = 0; c < 8; ++c) {
            int32_t v = (row[c] + 128) >> 8;
            out[r * stride + c] = int16_t(std::clamp(v, -32768, 32767));
        }
    }
}

}  // namespace HXJPEG
