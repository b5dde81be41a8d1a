#pragma once

#include <cstdint>
#include <vector>

#include "HXJPEG/wrapper/MetaDataHandler.h"
#include "ThumbMetaLib/engine/ThumbImageInfo.h"

namespace ThumbMetaLib {

// Collects, while the codec reads a header, what the engine's colour handling needs: the
// embedded ICC profile, the Exif colour space and interoperability index, and the
// colour-management marker. One per decode: it keeps the state of that file only, so decodes
// on different threads never share one.
class MetaDataHandler : public HXJPEG::MetaDataHandler {
public:
    // An ICC profile larger than this (all chunks together) is refused.
    static constexpr size_t kMaxICCBytes = size_t{8} << 20;

    // `target` receives the profile and bits; null ignores every segment.
    explicit MetaDataHandler(ThumbImageInfo* target) : target_(target) {}

    void Begin(uint8_t appIndex, uint16_t length, uint8_t** buffer) override;
    void End(uint8_t appIndex, uint16_t length, uint8_t* buffer, bool complete) override;

    bool MarkerSeen() const { return markerSeen_; }
    bool MarkerFlag() const { return markerFlag_; }
    bool ProfileFound() const { return profileFound_; }
    const ColorProfileHolder& Profile() const { return profile_; }
    uint16_t InteropIndex() const { return interopIndex_; }
    uint16_t ExifColorSpace() const { return exifColorSpace_; }
    // The Exif orientation code (1-8), 0 when the file records none.
    uint16_t ExifOrientation() const { return exifOrientation_; }

    // Each takes the segment when it is of its kind and answers whether it did.
    bool ReadExifSegment(const uint8_t* data, size_t length);
    bool ReadICCSegment(const uint8_t* data, size_t length);
    bool ReadColorMarkSegment(const uint8_t* data, size_t length);

private:
    void SetProfile(ColorProfileHolder profile);
    void ApplyExifDefaultProfile();

    bool markerFlag_ = false;
    bool markerSeen_ = false;
    std::vector<uint8_t> icc_;
    bool iccTried_ = false;  // the assembled bytes reached their declared size once
    ColorProfileHolder profile_;
    bool profileFound_ = false;
    uint16_t interopIndex_ = 0;
    uint16_t exifColorSpace_ = 0;
    uint16_t exifOrientation_ = 0;
    ThumbImageInfo* target_;
    std::vector<uint8_t> segment_;  // the segment the codec is filling
};

}  // namespace ThumbMetaLib
