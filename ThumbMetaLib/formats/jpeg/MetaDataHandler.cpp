#include "ThumbMetaLib/formats/jpeg/MetaDataHandler.h"

#include <cstring>
#include <exception>

#include "ThumbMetaLib/color/ColorProfiles.h"
#include "ThumbMetaLib/formats/jpeg/ExifSegment.h"
#include "ThumbMetaLib/formats/jpeg/JPEGLog.h"

namespace ThumbMetaLib {
namespace {

constexpr uint8_t kICCSignature[12] = {'I', 'C', 'C', '_', 'P', 'R', 'O', 'F', 'I', 'L', 'E', 0};
constexpr size_t kICCChunkHeader = 14;  // signature, sequence number, chunk count
constexpr uint8_t kColorMarkSignature[9] = {'Q', 'u', 'a', 'r', 'n', '_', 'C', 'M', 0};
constexpr size_t kICCHeaderSize = 128;

uint32_t DeclaredProfileSize(const std::vector<uint8_t>& icc) {
    return uint32_t(icc[0]) << 24 | uint32_t(icc[1]) << 16 | uint32_t(icc[2]) << 8 | icc[3];
}

}  // namespace

void MetaDataHandler::Begin(uint8_t /*appIndex*/, uint16_t length, uint8_t** buffer) {
    if (target_ == nullptr || length == 0) {
        *buffer = nullptr;
        return;
    }
    segment_.assign(length, 0);  // at most 65535 bytes, as the length field allows
    *buffer = segment_.data();
}

void MetaDataHandler::End(uint8_t /*appIndex*/, uint16_t length, uint8_t* buffer, bool complete) {
    if (target_ != nullptr && complete && buffer != nullptr && length <= segment_.size()) {
        if (!ReadExifSegment(buffer, length) && !ReadICCSegment(buffer, length)) {
            ReadColorMarkSegment(buffer, length);
        }
    }
    segment_.clear();
    segment_.shrink_to_fit();
    if (target_ != nullptr && !profileFound_) {
        ApplyExifDefaultProfile();
    }
}

void MetaDataHandler::ApplyExifDefaultProfile() {
    if (interopIndex_ != 1 && interopIndex_ != 2 && exifColorSpace_ != 1) {
        return;
    }
    try {
        // "R03" names the wide-gamut RGB space, whatever the colour space tag says.
        SetProfile(StandardProfile(interopIndex_ == 1 ? kStandardProfileWideGamutRGB
                                                      : kStandardProfileSRGB));
    } catch (const std::exception& error) {
        LogJPEGRefusal(error.what());  // no colour engine: the file stays without a profile
    }
}

void MetaDataHandler::SetProfile(ColorProfileHolder profile) {
    if (!profile) {
        return;
    }
    profile_ = std::move(profile);
    profileFound_ = true;
    target_->profile = profile_;
    target_->profileName = ProfileName(profile_);
}

bool MetaDataHandler::ReadExifSegment(const uint8_t* data, size_t length) {
    if (!IsExifSegment(data, length)) {
        return false;
    }
    if (const auto info = ReadExifColorInfo(data, length)) {
        exifColorSpace_ = info->colorSpace;
        interopIndex_ = info->interopIndex;
        exifOrientation_ = info->orientation;
    }
    target_->bitsPerChannel = 8;
    return true;
}

bool MetaDataHandler::ReadICCSegment(const uint8_t* data, size_t length) {
    if (length <= 11 || std::memcmp(data, kICCSignature, sizeof kICCSignature) != 0) {
        return false;
    }
    if (length < kICCChunkHeader) {
        LogJPEGRefusal("ICC chunk without its sequence number and count");
        return true;
    }
    const uint8_t sequence = data[12];
    const uint8_t count = data[13];
    if (count == 0 || sequence == 0 || sequence > count) {
        LogJPEGRefusal("ICC chunk with an impossible sequence number or count");
        return true;
    }
    const size_t payload = length - kICCChunkHeader;
    if (icc_.size() + payload > kMaxICCBytes) {
        LogJPEGRefusal("ICC profile larger than the limit");
        return true;
    }
    // Chunks are taken in the order they arrive, as the file stores them.
    icc_.insert(icc_.end(), data + kICCChunkHeader, data + length);
    // A profile cannot parse before the bytes its header declares have all arrived; trying
    // only then keeps a file of many small chunks from re-parsing the growing data each time.
    if (iccTried_ || icc_.size() < kICCHeaderSize || icc_.size() < DeclaredProfileSize(icc_)) {
        return true;
    }
    iccTried_ = true;
    try {
        ColorProfileHolder profile = ProfileFromICC(icc_.data(), icc_.size());
        if (profile) {
            SetProfile(std::move(profile));
        } else {
            LogJPEGRefusal("ICC chunks do not form a valid profile");
        }
    } catch (const std::exception& error) {
        LogJPEGRefusal(error.what());
    }
    return true;
}

bool MetaDataHandler::ReadColorMarkSegment(const uint8_t* data, size_t length) {
    if (length < sizeof kColorMarkSignature + 1 ||
        std::memcmp(data, kColorMarkSignature, sizeof kColorMarkSignature) != 0) {
        return false;
    }
    markerFlag_ = data[9] != 0;
    markerSeen_ = true;
    return true;
}

}  // namespace ThumbMetaLib
