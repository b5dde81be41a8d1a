// The half and quarter decodes: each block transformed straight to N x N samples (N = 4 or 2),
// each the mean of the n x n full-size samples it stands for (n = 8 / N), computed from all 64
// coefficients at once: the 8-point inverse DCT averaged over n neighbours is again a sum of
// the coefficients with fixed weights. The result is what a box filter over the full decode
// would give, without the full decode.
#include <algorithm>
#include <cmath>

#include "HXJPEG/decoder/IDCT.h"

namespace HXJPEG {
namespace {

// weight[x][u]: sqrt(2) C(u) times the mean over the n samples of output x of the frequency-u
// basis cos((2i + 1) u pi / 16). With the factors of both directions the 8 x 8 output's scaling
// (eight times the sample) is kept, so a DC-only block gives DCOnlySample's value.
template <int N>
struct Kernel {
    float weight[N][8];
    Kernel() {
        const double pi = std::acos(-1.0);
        const int n = 8 / N;
        for (int x = 0; x < N; ++x) {
            for (int u = 0; u < 8; ++u) {
                double mean = 0;
                for (int j = 0; j < n; ++j) {
                    mean += std::cos((2 * (n * x + j) + 1) * u * pi / 16) / n;
                }
                weight[x][u] = float(u == 0 ? mean : std::sqrt(2.0) * mean);
            }
        }
    }
};

inline int16_t Saturate(float v) {
    // Clamped as a float first: a hostile block's products are far outside int16.
    v = std::clamp(v, -32768.0f, 32767.0f);
    return int16_t(std::lrint(v));
}

template <int N>
void Transform(const int16_t* natural, int count, const QuantTable& table, int16_t* out,
               size_t stride) {
    if (count < 2) {
        const int16_t dc = DCOnlySample(natural[0], table);
        for (int y = 0; y < N; ++y) {
            std::fill_n(out + size_t(y) * stride, N, dc);
        }
        return;
    }
    static const Kernel<N> kernel;
    float rows[8][N];  // [vertical frequency][x]
    for (int v = 0; v < 8; ++v) {
        const int16_t* row = natural + v * 8;
        float coefficients[8];
        bool any = false;
        for (int u = 0; u < 8; ++u) {
            coefficients[u] = float(row[u]) * table.plainMultiplier[v * 8 + u];
            any |= row[u] != 0;
        }
        for (int x = 0; x < N; ++x) {
            float sum = 0.0f;
            if (any) {
                for (int u = 0; u < 8; ++u) {
                    sum += kernel.weight[x][u] * coefficients[u];
                }
            }
            rows[v][x] = sum;
        }
    }
    for (int y = 0; y < N; ++y) {
        for (int x = 0; x < N; ++x) {
            float sum = 0.0f;
            for (int v = 0; v < 8; ++v) {
                sum += kernel.weight[y][v] * rows[v][x];
            }
            out[size_t(y) * stride + x] = Saturate(sum);
        }
    }
}

}  // namespace

void IDCTScaled(const int16_t* natural, int count, const QuantTable& table, int16_t* out,
                size_t stride, int size) {
    if (size == 4) {
        Transform<4>(natural, count, table, out, stride);
    } else {
        Transform<2>(natural, count, table, out, stride);
    }
}

}  // namespace HXJPEG
