#include "HXJPEG/decoder/CoefficientStore.h"

#include <cstdlib>
#include <cstring>

#include "HXJPEG.h"

namespace HXJPEG {

void CoefficientStore::AlignedFree::operator()(void* memory) const {
    std::free(memory);
}

bool CoefficientStore::Allocate(const FrameComponent* frame, int componentCount, int mcusAcross,
                                int mcusDown) {
    uint64_t total = 0;
    uint64_t sizes[4] = {};
    for (int c = 0; c < componentCount; ++c) {
        const uint64_t blocks = uint64_t(mcusAcross) * frame[c].h * uint64_t(mcusDown) * frame[c].v;
        // 16 spare coefficients: vector code may read a little past a component's last block.
        sizes[c] = ((blocks * 64 + 16) * sizeof(int16_t) + 63) & ~uint64_t(63);
        total += sizes[c];
    }
    if (total > uint64_t(HXJPEG_MAX_COEFFICIENT_STORE_MB) << 20) {
        return false;
    }
    memory_.reset(std::aligned_alloc(64, size_t(total == 0 ? 64 : total)));
    if (memory_ == nullptr) {
        return false;
    }
    std::memset(memory_.get(), 0, size_t(total));
    auto* at = static_cast<uint8_t*>(memory_.get());
    for (int c = 0; c < componentCount; ++c) {
        planes_[c] = {reinterpret_cast<int16_t*>(at), mcusAcross * frame[c].h};
        at += sizes[c];
    }
    return true;
}

}  // namespace HXJPEG
