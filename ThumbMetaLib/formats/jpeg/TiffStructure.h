#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace ThumbMetaLib {

// A bounded reader of a TIFF structure held in memory, as an Exif segment embeds one (TIFF 6.0
// section 2: byte order, magic 42, a chain of image file directories). Every offset is checked
// against the data before it is followed, so a hostile segment can neither read outside it nor
// make a walk loop.
class TiffStructure {
public:
    struct Entry {
        uint16_t tag;
        uint16_t type;
        uint32_t count;
        uint32_t valueField;  // the entry's last four bytes: a value or an offset
        size_t fieldPos;      // where those four bytes sit in the data
    };
    using Directory = std::vector<Entry>;

    // TIFF types used here.
    static constexpr uint16_t kTypeAscii = 2;
    static constexpr uint16_t kTypeShort = 3;
    static constexpr uint16_t kTypeLong = 4;

    // At most this many directories are followed in one chain: real files have two.
    static constexpr size_t kMaxChainLength = 8;

    // Null when the data does not begin with a TIFF header. `data` must outlive the result.
    static std::optional<TiffStructure> Parse(const uint8_t* data, size_t size);

    // The directory at `offset`; null when it does not lie within the data. `next` receives
    // the offset of the following directory (0 at the end of a chain).
    std::optional<Directory> ReadDirectory(uint32_t offset, uint32_t* next = nullptr) const;
    // The chain from the first directory, ending early at a loop, at a directory outside the
    // data, or after kMaxChainLength directories.
    std::vector<Directory> Chain() const;
    // The sub-directory that a pointer tag (Exif 0x8769, interoperability 0xA005) of
    // `directory` names; null when the tag is absent or the directory is unreadable.
    std::optional<Directory> SubDirectory(const Directory& directory, uint16_t pointerTag) const;

    static const Entry* Find(const Directory& directory, uint16_t tag);
    // A single SHORT or LONG value.
    std::optional<uint32_t> UnsignedValue(const Entry& entry) const;
    // An ASCII value up to its first zero byte, at most `maxLength` characters.
    std::string AsciiValue(const Entry& entry, size_t maxLength) const;

    // True when [offset, offset + length) lies within the data.
    bool Contains(uint64_t offset, uint64_t length) const { return offset + length <= size_; }
    const uint8_t* Data() const { return data_; }

private:
    TiffStructure(const uint8_t* data, size_t size, bool bigEndian, uint32_t first)
        : data_(data), size_(size), bigEndian_(bigEndian), firstDirectory_(first) {}

    uint16_t Get16(size_t pos) const;
    uint32_t Get32(size_t pos) const;

    const uint8_t* data_;
    size_t size_;
    bool bigEndian_;
    uint32_t firstDirectory_;
};

}  // namespace ThumbMetaLib
