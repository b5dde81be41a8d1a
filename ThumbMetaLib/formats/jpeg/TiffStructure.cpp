#include "ThumbMetaLib/formats/jpeg/TiffStructure.h"

#include <algorithm>

#include "ThumbMetaLib/formats/jpeg/JPEGLog.h"

namespace ThumbMetaLib {
namespace {

constexpr size_t kHeaderSize = 8;
constexpr size_t kEntrySize = 12;

}  // namespace

std::optional<TiffStructure> TiffStructure::Parse(const uint8_t* data, size_t size) {
    if (data == nullptr || size < kHeaderSize) {
        return std::nullopt;
    }
    bool bigEndian;
    if (data[0] == 'M' && data[1] == 'M') {
        bigEndian = true;
    } else if (data[0] == 'I' && data[1] == 'I') {
        bigEndian = false;
    } else {
        LogJPEGRefusal("TIFF structure without a byte order mark");
        return std::nullopt;
    }
    TiffStructure tiff(data, size, bigEndian, 0);
    if (tiff.Get16(2) != 42) {
        LogJPEGRefusal("TIFF structure without its magic number");
        return std::nullopt;
    }
    tiff.firstDirectory_ = tiff.Get32(4);
    return tiff;
}

uint16_t TiffStructure::Get16(size_t pos) const {
    const uint8_t* p = data_ + pos;
    return bigEndian_ ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]);
}

uint32_t TiffStructure::Get32(size_t pos) const {
    const uint8_t* p = data_ + pos;
    return bigEndian_ ? uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3]
                      : uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

std::optional<TiffStructure::Directory> TiffStructure::ReadDirectory(uint32_t offset,
                                                                     uint32_t* next) const {
    if (!Contains(offset, 2)) {
        LogJPEGRefusal("TIFF directory offset past the segment");
        return std::nullopt;
    }
    const uint16_t count = Get16(offset);
    // The count is checked against the data before anything is reserved for it.
    if (!Contains(uint64_t{offset} + 2, uint64_t{count} * kEntrySize)) {
        LogJPEGRefusal("TIFF directory entries past the segment");
        return std::nullopt;
    }
    Directory directory;
    directory.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const size_t pos = size_t{offset} + 2 + i * kEntrySize;
        directory.push_back({Get16(pos), Get16(pos + 2), Get32(pos + 4), Get32(pos + 8), pos + 8});
    }
    if (next != nullptr) {
        const uint64_t nextPos = uint64_t{offset} + 2 + uint64_t{count} * kEntrySize;
        *next = Contains(nextPos, 4) ? Get32(nextPos) : 0;
    }
    return directory;
}

std::vector<TiffStructure::Directory> TiffStructure::Chain() const {
    std::vector<Directory> chain;
    std::vector<uint32_t> visited;
    uint32_t offset = firstDirectory_;
    while (offset != 0 && chain.size() < kMaxChainLength) {
        if (std::find(visited.begin(), visited.end(), offset) != visited.end()) {
            LogJPEGRefusal("TIFF directory chain loops");
            break;
        }
        visited.push_back(offset);
        uint32_t next = 0;
        auto directory = ReadDirectory(offset, &next);
        if (!directory) {
            break;
        }
        chain.push_back(std::move(*directory));
        offset = next;
    }
    return chain;
}

std::optional<TiffStructure::Directory> TiffStructure::SubDirectory(const Directory& directory,
                                                                    uint16_t pointerTag) const {
    const Entry* pointer = Find(directory, pointerTag);
    if (pointer == nullptr) {
        return std::nullopt;
    }
    const auto offset = UnsignedValue(*pointer);
    return offset ? ReadDirectory(*offset) : std::nullopt;
}

const TiffStructure::Entry* TiffStructure::Find(const Directory& directory, uint16_t tag) {
    for (const Entry& entry : directory) {
        if (entry.tag == tag) {
            return &entry;
        }
    }
    return nullptr;
}

std::optional<uint32_t> TiffStructure::UnsignedValue(const Entry& entry) const {
    if (entry.count != 1) {
        return std::nullopt;
    }
    if (entry.type == kTypeShort) {
        return Get16(entry.fieldPos);  // left-justified in the four bytes
    }
    if (entry.type == kTypeLong) {
        return entry.valueField;
    }
    return std::nullopt;
}

std::string TiffStructure::AsciiValue(const Entry& entry, size_t maxLength) const {
    if (entry.type != kTypeAscii) {
        return {};
    }
    // Values of up to four bytes sit in the entry itself, longer ones at the offset it holds.
    const uint64_t start = entry.count <= 4 ? entry.fieldPos : entry.valueField;
    const uint64_t length = std::min<uint64_t>(entry.count, maxLength);
    if (!Contains(start, length)) {
        LogJPEGRefusal("TIFF text value past the segment");
        return {};
    }
    const char* text = reinterpret_cast<const char*>(data_ + start);
    return std::string(text, std::find(text, text + length, '\0'));
}

}  // namespace ThumbMetaLib
