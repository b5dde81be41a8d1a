#include "HXJPEG/encoder/EncoderSIMD.h"

#include <algorithm>
#include <atomic>

namespace HXJPEG {
namespace {

EncoderSIMDLevel BestSupportedLevel() {
#if defined(__x86_64__) && defined(__SSE2__)
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2")) {
        return EncoderSIMDLevel::kAVX2;
    }
    return __builtin_cpu_supports("ssse3") ? EncoderSIMDLevel::kSSSE3 : EncoderSIMDLevel::kSSE2;
#else
    return EncoderSIMDLevel::kPortable;
#endif
}

// Until HXJPEGLibInit chooses, the best level is taken on first use (same bytes either way).
constexpr uint8_t kUnset = 0xFF;
std::atomic<uint8_t> g_level{kUnset};

}  // namespace

void SelectEncoderSIMD(bool allowSIMD) {
    g_level.store(
        static_cast<uint8_t>(allowSIMD ? BestSupportedLevel() : EncoderSIMDLevel::kPortable),
        std::memory_order_relaxed);
}

void SetEncoderSIMDLevel(EncoderSIMDLevel level) {
    g_level.store(static_cast<uint8_t>(std::min(level, BestSupportedLevel())),
                  std::memory_order_relaxed);
}

EncoderSIMDLevel ActiveEncoderSIMDLevel() {
    uint8_t level = g_level.load(std::memory_order_relaxed);
    if (level == kUnset) {
        const uint8_t best = static_cast<uint8_t>(BestSupportedLevel());
        // A choice made meanwhile by HXJPEGLibInit stays.
        level =
            g_level.compare_exchange_strong(level, best, std::memory_order_relaxed) ? best : level;
    }
    return static_cast<EncoderSIMDLevel>(level);
}

}  // namespace HXJPEG
