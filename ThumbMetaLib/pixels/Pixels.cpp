#include "ThumbMetaLib/pixels/Pixels.h"

#include <cstring>
#include <limits>

namespace ThumbMetaLib {

int32_t Pixels::ChannelsForMode(int32_t mode, int32_t multichannelCount, bool withAlpha) {
    int32_t channels = 0;
    switch (mode) {
        case 0:
        case 1:
        case 2:
            channels = 1;
            break;
        case 3:
        case 5:
        case 6:
        case 9:
        case 10:
            channels = 3;
            break;
        case 4:
            channels = 4;
            break;
        case 7:
            channels = multichannelCount;
            break;
        case 8:
            channels = 2;
            break;
        default:
            return 0;  // above 10 (or negative): unknown mode
    }
    return withAlpha ? channels + 1 : channels;
}

uint32_t Pixels::RowBytesFor(int32_t layout, int32_t channels, uint32_t width) {
    uint64_t bitsPerPixel;
    if (layout == kLayoutPlanar) {
        bitsPerPixel = 8;
    } else if (layout == kLayoutInterleaved) {
        bitsPerPixel = channels == 4 ? 32 : 24;
    } else {
        return 0;
    }
    const uint64_t bytes = ((bitsPerPixel * width + 31) >> 3) & ~uint64_t{3};
    return bytes > std::numeric_limits<uint32_t>::max() ? 0 : static_cast<uint32_t>(bytes);
}

Pixels::Pixels(uint32_t width, uint32_t height, int32_t channels, int32_t mode, int32_t layout)
    : layout_(layout),
      channels_(channels),
      height_(height),
      width_(width),
      rowBytes_(RowBytesFor(layout, channels, width)),
      mode_(mode) {}

Pixels::~Pixels() = default;

std::shared_ptr<Pixels> Pixels::Create(uint32_t width, uint32_t height, int32_t channels,
                                       int32_t mode, int32_t layout, bool allocate) {
    if (layout != kLayoutPlanar && layout != kLayoutInterleaved) {
        return nullptr;
    }
    if (channels <= 0) {
        channels = ChannelsForMode(mode);
    }
    std::shared_ptr<Pixels> pixels(new Pixels(width, height, channels, mode, layout));
    if (allocate) {
        pixels->AllocateData();
    }
    return pixels;
}

size_t Pixels::ByteCount() const {
    const uint64_t rows = layout_ == kLayoutPlanar
                              ? uint64_t{height_} * uint64_t(channels_ > 0 ? channels_ : 0)
                              : uint64_t{height_};
    // Both factors are below 2^32 and channels is small, so this cannot wrap in 64 bits
    // unless channels is absurd; guard it anyway.
    if (rows != 0 && rowBytes_ > std::numeric_limits<uint64_t>::max() / rows) {
        return std::numeric_limits<size_t>::max();
    }
    return static_cast<size_t>(rows * rowBytes_);
}

bool Pixels::AllocateData() {
    data_.reset();
    if (rowBytes_ == 0 && width_ != 0) {
        return false;  // row does not fit in 32 bits
    }
    const size_t bytes = ByteCount();
    if (bytes == std::numeric_limits<size_t>::max()) {
        return false;
    }
    data_ = PixelData::Allocate(bytes);
    if (!data_) {
        return false;
    }
    ClearRowPadding();
    return true;
}

void Pixels::ClearRowPadding() {
    // Writers fill only the pixels; the padding is zeroed so whole rows can be read, hashed or
    // compared. Fresh anonymous mappings are zero already.
    const uint64_t pixelBytes =
        layout_ == kLayoutPlanar ? width_ : uint64_t{width_} * (channels_ == 4 ? 4 : 3);
    if (data_->GetKind() == PixelData::kLarge || pixelBytes >= rowBytes_) {
        return;
    }
    const size_t rows = ByteCount() / rowBytes_;
    for (size_t y = 0; y < rows; ++y) {
        std::memset(Bytes() + y * rowBytes_ + pixelBytes, 0, rowBytes_ - pixelBytes);
    }
}

bool Pixels::SetData(std::shared_ptr<PixelData> data) {
    if (data && data->Size() < ByteCount()) {
        return false;
    }
    data_ = std::move(data);
    return true;
}

uint8_t* Pixels::Plane(int32_t c) const {
    uint8_t* base = Bytes();
    if (base == nullptr || c < 0) {
        return nullptr;
    }
    if (layout_ == kLayoutInterleaved) {
        return c == 0 ? base : nullptr;
    }
    if (c >= channels_) {
        return nullptr;
    }
    return base + size_t(c) * height_ * rowBytes_;
}

}  // namespace ThumbMetaLib
