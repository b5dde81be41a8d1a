#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "ThumbMetaLib/pixels/PixelData.h"

namespace ThumbMetaLib {

// A colour profile of the colour engine (ThumbMetaLib/color/). Pixels only carry it: a shared
// pointer is the reference-counted holder, empty when the pixels have no profile.
class ColorProfile;
using ColorProfileHolder = std::shared_ptr<const ColorProfile>;

// Layout numbers as stored in Pixels::Layout().
enum PixelLayout : int32_t {
    kLayoutPlanar = 1,       // each channel is a block of `height` rows, one byte per pixel
    kLayoutInterleaved = 2,  // 3 or 4 bytes per pixel in one block
};

// Colour modes: the layered-document mode numbers used throughout the engine.
enum ColorMode : int32_t {
    kModeBitmap = 0,
    kModeGrayscale = 1,
    kModeIndexed = 2,
    kModeRGB = 3,
    kModeCMYK = 4,
    kModeMultichannel = 7,
    kModeDuotone = 8,
    kModeLab = 9,
};

// The engine's 8-bit pixel buffer. Always owned by a shared pointer; filled by one thread and
// only read afterwards, so it takes no locks.
class Pixels : public std::enable_shared_from_this<Pixels> {
public:
    // Channel count of a colour mode: 0, 1, 2 -> 1; 3, 5, 6, 9, 10 -> 3; 4 -> 4;
    // 7 -> `multichannelCount`; 8 -> 2; above 10 -> 0. Plus one for alpha.
    static int32_t ChannelsForMode(int32_t mode, int32_t multichannelCount = 0,
                                   bool withAlpha = false);
    // Bytes of one row (of one plane when planar); rows are padded to 4 bytes.
    // 0 when the row would not fit in 32 bits or the layout is unknown.
    static uint32_t RowBytesFor(int32_t layout, int32_t channels, uint32_t width);

    // A buffer of the given geometry. `channels` <= 0 derives the count from the mode. With
    // `allocate` the memory for the layout is allocated too; when that fails the buffer has no
    // data (Data() is null), which callers treat as "no thumbnail". Returns null only for an
    // unknown layout.
    static std::shared_ptr<Pixels> Create(uint32_t width, uint32_t height, int32_t channels,
                                          int32_t mode, int32_t layout, bool allocate);

    virtual ~Pixels();
    Pixels(const Pixels&) = delete;
    Pixels& operator=(const Pixels&) = delete;

    int32_t Layout() const { return layout_; }
    int32_t Channels() const { return channels_; }
    uint32_t Height() const { return height_; }
    uint32_t Width() const { return width_; }
    uint32_t RowBytes() const { return rowBytes_; }
    int32_t Mode() const { return mode_; }
    bool InOutputSpace() const { return inOutputSpace_ != 0; }
    const ColorProfileHolder& Profile() const { return profile_; }
    const std::string& SourceFile() const { return sourceFile_; }
    const std::shared_ptr<PixelData>& Data() const { return data_; }

    void SetInOutputSpace(bool on) { inOutputSpace_ = on ? 1 : 0; }
    void SetProfile(ColorProfileHolder profile) { profile_ = std::move(profile); }
    void SetSourceFile(std::string path) { sourceFile_ = std::move(path); }
    // Adopts memory that is at least ByteCount() long; shorter memory is refused (false).
    bool SetData(std::shared_ptr<PixelData> data);
    // Allocates memory for the current geometry; false (and no data) when that fails.
    bool AllocateData();

    // The pixel memory, or null when there is none.
    uint8_t* Bytes() const { return data_ ? data_->Bytes() : nullptr; }
    // Planar: first byte of channel `c` (null when out of range or no data).
    // Interleaved: the block itself for c == 0.
    uint8_t* Plane(int32_t c) const;
    // Total bytes the layout needs: planar height x channels x row bytes, interleaved
    // height x row bytes.
    size_t ByteCount() const;

protected:
    Pixels(uint32_t width, uint32_t height, int32_t channels, int32_t mode, int32_t layout);

private:
    void ClearRowPadding();

    int32_t layout_;
    int32_t channels_;
    uint32_t height_;
    uint32_t width_;
    uint32_t rowBytes_;
    int32_t mode_;
    int32_t inOutputSpace_ = 0;
    ColorProfileHolder profile_;
    std::string sourceFile_;  // a JPEG from which the full image can be decoded again
    std::shared_ptr<PixelData> data_;
};

using PixelsPtr = std::shared_ptr<Pixels>;

}  // namespace ThumbMetaLib
