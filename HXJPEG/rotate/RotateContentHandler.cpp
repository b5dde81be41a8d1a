#include "HXJPEG/rotate/RotateContentHandler.h"

#include <algorithm>
#include <cstring>

#include "HXJPEG.h"
#include "HXJPEG/common/ZigZag.h"

namespace HXJPEG {

void RotateContentHandler::OnQuantTable(uint8_t, const uint16_t values[64], uint8_t tableNumber) {
    if (tableNumber > 3) {
        return;
    }
    QuantTableSpec& table = frame_.tables[tableNumber];
    for (int r = 0; r < 8; ++r) {
        for (int c = 0; c < 8; ++c) {
            // A turned block's coefficient (u, v) was quantised with the source's (v, u).
            table.values[r * 8 + c] = Turns() ? values[c * 8 + r] : values[r * 8 + c];
        }
    }
    table.precision = 0;
    for (int k = 0; k < 64; ++k) {
        if (table.values[k] > 255) {
            table.precision = 1;
        }
    }
    frame_.tableDefined[tableNumber] = true;
}

void RotateContentHandler::OnFrame(uint16_t width, uint16_t height,
                                   const FrameComponent* components, uint8_t componentCount) {
    if (frameSeen_ || componentCount < 1 || componentCount > 4) {
        return;
    }
    frameSeen_ = true;
    uint32_t hmax = 1;
    uint32_t vmax = 1;
    for (uint32_t i = 0; i < componentCount; ++i) {
        hmax = std::max<uint32_t>(hmax, components[i].h);
        vmax = std::max<uint32_t>(vmax, components[i].v);
    }
    if (!SizeAllowed(width, height, hmax, vmax)) {
        result_ = HXJPEG_ERR_TRANSFORM_SIZE;
        return;
    }
    const bool turns = Turns();
    frame_.width = turns ? height : width;
    frame_.height = turns ? width : height;
    frame_.count = componentCount;
    for (uint32_t i = 0; i < componentCount; ++i) {
        frame_.h[i] = turns ? components[i].v : components[i].h;
        frame_.v[i] = turns ? components[i].h : components[i].v;
        frame_.quantTable[i] = components[i].quantTable;
    }
    const uint32_t outHmax = turns ? vmax : hmax;
    const uint32_t outVmax = turns ? hmax : vmax;
    const uint32_t mcusAcross = (frame_.width + 8 * outHmax - 1) / (8 * outHmax);
    const uint32_t mcusDown = (frame_.height + 8 * outVmax - 1) / (8 * outVmax);
    uint64_t totalBytes = 0;
    for (uint32_t i = 0; i < componentCount; ++i) {
        totalBytes += uint64_t{mcusAcross} * mcusDown * frame_.h[i] * frame_.v[i] * 64 * 2;
    }
    // The encoder keeps a packed copy of the same size: together they stay within the limit.
    if (totalBytes > (uint64_t{HXJPEG_MAX_COEFFICIENT_STORE_MB} << 20) / 2) {
        result_ = HXJPEG_ERR_OUT_OF_MEMORY;
        return;
    }
    for (uint32_t i = 0; i < componentCount; ++i) {
        helpers_[i] = MakeHelper();
        helpers_[i]->Init(frame_.h[i], frame_.v[i], mcusAcross, mcusDown);
        stores_[i].Assign(size_t{mcusAcross} * mcusDown * frame_.h[i] * frame_.v[i] * 64);
    }
}

void RotateContentHandler::OnBlockNatural(const int16_t* natural, int component, int) {
    if (component < 0 || component >= frame_.count || helpers_[component] == nullptr) {
        return;
    }
    int16_t turned[64];
    TransformBlock(natural, turned);
    const size_t destination = helpers_[component]->Next();
    ZeroedBuffer<int16_t>& store = stores_[component];
    if (destination >= store.size() / 64) {
        return;
    }
    int16_t* block = store.data() + destination * 64;
    for (int k = 0; k < 64; ++k) {
        block[k] = turned[kZigZagToNatural[k]];
    }
}

bool RotateContentHandler::Read(int16_t* buffer, uint32_t count, uint32_t component) {
    if (component >= 4) {
        return false;
    }
    const ZeroedBuffer<int16_t>& store = stores_[component];
    size_t& position = readPositions_[component];
    if (position + count > store.size()) {
        return false;
    }
    std::memcpy(buffer, store.data() + position, count * sizeof(int16_t));
    position += count;
    return true;
}

void RotateContentHandler::TransformBlock(const int16_t* in, int16_t* out) const {
    std::memcpy(out, in, 64 * sizeof(int16_t));
}

bool RotateContentHandler::SizeAllowed(uint32_t, uint32_t, uint32_t, uint32_t) const {
    return true;
}

std::unique_ptr<RotateHelper> RotateContentHandler::MakeHelper() const {
    return std::make_unique<DefaultRotateHelper>();
}

// Clockwise: transpose, then mirror left to right, which negates the odd columns of the
// transposed block, i.e. the coefficients that come from odd source rows.
void ClockwiseRotateContentHandler::TransformBlock(const int16_t* in, int16_t* out) const {
    for (int u = 0; u < 8; ++u) {
        for (int v = 0; v < 8; ++v) {
            const int16_t value = in[v * 8 + u];
            out[u * 8 + v] = (v & 1) ? static_cast<int16_t>(-value) : value;
        }
    }
}

// The source's bottom edge becomes the left edge: it must end on a whole MCU. The source
// width must also be a multiple of 8 x Vmax, the rule the codec has always applied.
bool ClockwiseRotateContentHandler::SizeAllowed(uint32_t width, uint32_t height, uint32_t,
                                                uint32_t vmax) const {
    return width % (8 * vmax) == 0 && height % (8 * vmax) == 0;
}

std::unique_ptr<RotateHelper> ClockwiseRotateContentHandler::MakeHelper() const {
    return std::make_unique<ClockwiseRotateHelper>();
}

void FlipRotateContentHandler::TransformBlock(const int16_t* in, int16_t* out) const {
    for (int u = 0; u < 8; ++u) {
        for (int v = 0; v < 8; ++v) {
            const int16_t value = in[u * 8 + v];
            out[u * 8 + v] = ((u + v) & 1) ? static_cast<int16_t>(-value) : value;
        }
    }
}

// Both edges move to the opposite side: both must end on whole MCUs.
bool FlipRotateContentHandler::SizeAllowed(uint32_t width, uint32_t height, uint32_t hmax,
                                           uint32_t vmax) const {
    return width % (8 * hmax) == 0 && height % (8 * vmax) == 0;
}

std::unique_ptr<RotateHelper> FlipRotateContentHandler::MakeHelper() const {
    return std::make_unique<FlipRotateHelper>();
}

// Anticlockwise: transpose, then mirror top to bottom, which negates the odd rows of the
// transposed block, i.e. the coefficients that come from odd source columns.
void AntiClockwiseRotateContentHandler::TransformBlock(const int16_t* in, int16_t* out) const {
    for (int u = 0; u < 8; ++u) {
        for (int v = 0; v < 8; ++v) {
            const int16_t value = in[v * 8 + u];
            out[u * 8 + v] = (u & 1) ? static_cast<int16_t>(-value) : value;
        }
    }
}

// The source's right edge becomes the top edge: the width must end on a whole MCU (and be a
// multiple of 8 x Vmax, as for the clockwise turn).
bool AntiClockwiseRotateContentHandler::SizeAllowed(uint32_t width, uint32_t, uint32_t hmax,
                                                    uint32_t vmax) const {
    return width % (8 * vmax) == 0 && width % (8 * hmax) == 0;
}

std::unique_ptr<RotateHelper> AntiClockwiseRotateContentHandler::MakeHelper() const {
    return std::make_unique<AntiClockwiseRotateHelper>();
}

}  // namespace HXJPEG
