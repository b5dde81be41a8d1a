#include "ThumbMetaLib/formats/jpeg/ExifSegment.h"

#include <cstring>

#include "ThumbMetaLib/formats/jpeg/JPEGLog.h"
#include "ThumbMetaLib/formats/jpeg/TiffStructure.h"

namespace ThumbMetaLib {
namespace {

constexpr uint16_t kTagThumbnailOffset = 0x201;
constexpr uint16_t kTagThumbnailLength = 0x202;
constexpr uint16_t kTagOrientation = 0x112;
constexpr uint16_t kTagExifDirectory = 0x8769;
constexpr uint16_t kTagColorSpace = 0xA001;
constexpr uint16_t kTagInteropDirectory = 0xA005;
constexpr uint16_t kTagInteropIndex = 0x0001;

std::optional<TiffStructure> TiffOf(const uint8_t* data, size_t length) {
    if (!IsExifSegment(data, length)) {
        return std::nullopt;
    }
    return TiffStructure::Parse(data + kExifHeaderSize, length - kExifHeaderSize);
}

}  // namespace

bool IsExifSegment(const uint8_t* data, size_t length) {
    if (data == nullptr || length < kExifHeaderSize || data[4] != 0 || data[5] != 0) {
        return false;
    }
    return std::memcmp(data, "Exif", 4) == 0 || std::memcmp(data, "Meta", 4) == 0 ||
           std::memcmp(data, "META", 4) == 0;
}

std::optional<ExifThumbnailSpan> FindExifThumbnail(const uint8_t* data, size_t length) {
    const auto tiff = TiffOf(data, length);
    if (!tiff) {
        return std::nullopt;
    }
    auto directories = tiff->Chain();
    if (!directories.empty()) {
        if (auto exif = tiff->SubDirectory(directories.front(), kTagExifDirectory)) {
            directories.push_back(std::move(*exif));
        }
    }
    for (const auto& directory : directories) {
        const auto* offsetTag = TiffStructure::Find(directory, kTagThumbnailOffset);
        const auto* lengthTag = TiffStructure::Find(directory, kTagThumbnailLength);
        if (offsetTag == nullptr || lengthTag == nullptr) {
            continue;
        }
        const auto offset = tiff->UnsignedValue(*offsetTag);
        const auto size = tiff->UnsignedValue(*lengthTag);
        if (!offset || !size || *size == 0) {
            continue;
        }
        if (!tiff->Contains(*offset, *size)) {
            LogJPEGRefusal("Exif thumbnail past the segment");
            return std::nullopt;
        }
        return ExifThumbnailSpan{kExifHeaderSize + size_t{*offset}, size_t{*size}};
    }
    return std::nullopt;
}

std::optional<ExifColorInfo> ReadExifColorInfo(const uint8_t* data, size_t length) {
    const auto tiff = TiffOf(data, length);
    if (!tiff) {
        return std::nullopt;
    }
    ExifColorInfo info;
    const auto chain = tiff->Chain();
    if (chain.empty()) {
        return info;
    }
    if (const auto* orientation = TiffStructure::Find(chain.front(), kTagOrientation)) {
        info.orientation = static_cast<uint16_t>(tiff->UnsignedValue(*orientation).value_or(0));
    }
    const auto exif = tiff->SubDirectory(chain.front(), kTagExifDirectory);
    if (!exif) {
        return info;
    }
    if (const auto* space = TiffStructure::Find(*exif, kTagColorSpace)) {
        info.colorSpace = static_cast<uint16_t>(tiff->UnsignedValue(*space).value_or(0));
    }
    if (const auto interop = tiff->SubDirectory(*exif, kTagInteropDirectory)) {
        if (const auto* index = TiffStructure::Find(*interop, kTagInteropIndex)) {
            const std::string text = tiff->AsciiValue(*index, 4);
            info.interopIndex = text == "R03" ? 1 : text == "R98" ? 2 : 0;
        }
    }
    return info;
}

}  // namespace ThumbMetaLib
