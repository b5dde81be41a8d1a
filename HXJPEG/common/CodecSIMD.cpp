#include "HXJPEG/common/CodecSIMD.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>

namespace HXJPEG {
namespace {

bool PortableForced() {
    const char* value = std::getenv("VANTORY_FORCE_PORTABLE");
    return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

// The table packed into one word, so that a reader never sees half of an update.
constexpr uint32_t kUnset = 0xFFFFFFFFu;
std::atomic<uint32_t> g_packed{kUnset};

uint32_t Pack(const CodecSIMD& t) {
    return uint32_t(t.decoderColor) | (uint32_t(t.inverseDCT) << 8) | (uint32_t(t.encoder) << 16);
}

CodecSIMD Unpack(uint32_t packed) {
    return {SIMDLevel(packed & 0xFF), InverseDCTKind((packed >> 8) & 0xFF),
            SIMDLevel((packed >> 16) & 0xFF)};
}

}  // namespace

CodecSIMD BestCodecSIMD(bool allowSIMD) {
    CodecSIMD best;
#if defined(__x86_64__) && defined(__SSE2__)
    if (allowSIMD) {
        __builtin_cpu_init();
        const SIMDLevel level = __builtin_cpu_supports("avx2")    ? SIMDLevel::kAVX2
                                : __builtin_cpu_supports("ssse3") ? SIMDLevel::kSSSE3
                                                                  : SIMDLevel::kSSE2;
        best.decoderColor = level;
        best.encoder = level;
        best.inverseDCT =
            __builtin_cpu_supports("avx") ? InverseDCTKind::kFloatAVX : InverseDCTKind::kFloatSSE2;
    }
#else
    (void)allowSIMD;
#endif
    return best;
}

CodecSIMD ActiveCodecSIMD() {
    uint32_t packed = g_packed.load(std::memory_order_acquire);
    if (packed == kUnset) {
        const uint32_t chosen = Pack(BestCodecSIMD(!PortableForced()));
        // A choice made meanwhile by another thread (or HXJPEGLibInit) stays.
        packed = g_packed.compare_exchange_strong(packed, chosen, std::memory_order_acq_rel)
                     ? chosen
                     : packed;
    }
    return Unpack(packed);
}

void ChooseCodecSIMD() {
    g_packed.store(Pack(BestCodecSIMD(!PortableForced())), std::memory_order_release);
}

void OverrideCodecSIMD(CodecSIMD table) {
    const CodecSIMD best = BestCodecSIMD(true);
    table.decoderColor = std::min(table.decoderColor, best.decoderColor);
    table.inverseDCT = std::min(table.inverseDCT, best.inverseDCT);
    table.encoder = std::min(table.encoder, best.encoder);
    g_packed.store(Pack(table), std::memory_order_release);
}

}  // namespace HXJPEG
