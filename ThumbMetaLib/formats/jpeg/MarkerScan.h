#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace ThumbMetaLib {

// Reads exactly `count` bytes at `offset` of the file; false when it ends before.
using ReadAtFunction = std::function<bool(uint64_t offset, uint8_t* buffer, size_t count)>;

// What the header part of a JPEG file says before its first frame.
struct MarkerScanResult {
    bool frameFound = false;
    uint32_t width = 0;  // of the full image, from the first SOF0-SOF3
    uint32_t height = 0;
    std::vector<uint8_t> thumbnail;  // the JPEG data of the first embedded thumbnail, if any
    bool swapChannels = false;       // its pixels keep the first and third channel swapped
};

// At most this many markers are looked at: the header of a real file has a few dozen, and a
// file of tiny segments must not keep the scan reading for long.
inline constexpr size_t kMaxScannedMarkers = 4096;

// Walks the markers from SOI up to the first frame header (or EOI, SOS or anything that is
// not a marker), taking the first embedded thumbnail of an Exif APP1 segment (tags 0x201 and
// 0x202) or of an APP13 image-resource segment (resources 1036 and 1033). A file without SOI
// yields nothing.
MarkerScanResult ScanMarkers(const ReadAtFunction& readAt);

}  // namespace ThumbMetaLib
