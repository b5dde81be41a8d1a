#include "ThumbMetaLib/formats/layered/LayeredHeader.h"

#include <cstring>
#include <string>

#include "ThumbMetaLib/formats/layered/LayeredFormatError.h"
#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {
namespace {

constexpr uint16_t kMaxChannels = 56;
constexpr uint32_t kMaxSide = 30000;
constexpr uint32_t kMaxLargeSide = 300000;

[[noreturn]] void Refuse(const std::string& why) {
    throw LayeredFormatError(why);
}

}  // namespace

uint16_t ModeChannels(uint16_t mode) {
    switch (mode) {
        case kModeRGB:
        case kModeLab:
            return 3;
        case kModeCMYK:
            return 4;
        case kModeBitmap:
        case kModeGrayscale:
        case kModeIndexed:
        case kModeMultichannel:
        case kModeDuotone:
            return 1;
        default:
            return 0;
    }
}

bool LooksLayered(const uint8_t* bytes, size_t size) {
    return size >= 6 && std::memcmp(bytes, "8BPS", 4) == 0 && bytes[4] == 0 &&
           (bytes[5] == 1 || bytes[5] == 2);
}

LayeredHeader ReadLayeredHeader(SourceCursor& cursor) {
    uint8_t signature[4];
    cursor.Read(signature, 4);
    if (std::memcmp(signature, "8BPS", 4) != 0) {
        Refuse("not a layered document (no 8BPS signature)");
    }
    LayeredHeader header;
    header.version = cursor.U16();
    if (header.version != 1 && header.version != 2) {
        Refuse("unknown document version " + std::to_string(header.version));
    }
    cursor.Skip(6);  // reserved
    header.channels = cursor.U16();
    header.height = cursor.U32();
    header.width = cursor.U32();
    header.depth = cursor.U16();
    header.mode = cursor.U16();

    if (header.channels < 1 || header.channels > kMaxChannels) {
        Refuse("channel count " + std::to_string(header.channels) + " outside 1-56");
    }
    const uint32_t maxSide = header.IsLarge() ? kMaxLargeSide : kMaxSide;
    if (header.width < 1 || header.height < 1 || header.width > maxSide ||
        header.height > maxSide) {
        Refuse("image size " + std::to_string(header.width) + " x " +
               std::to_string(header.height) + " outside the format's limits");
    }
    if (header.depth != 1 && header.depth != 8 && header.depth != 16 && header.depth != 32) {
        Refuse("bit depth " + std::to_string(header.depth) + " unknown");
    }
    const uint16_t modeChannels = ModeChannels(header.mode);
    if (modeChannels == 0) {
        Refuse("colour mode " + std::to_string(header.mode) + " unknown");
    }
    if ((header.mode == kModeBitmap) != (header.depth == 1)) {
        Refuse("bit depth 1 belongs to bitmap documents alone");
    }
    if (header.mode == kModeIndexed && header.depth != 8) {
        Refuse("indexed documents have 8 bits per channel");
    }
    if (header.channels < modeChannels) {
        Refuse("fewer channels than the colour mode needs");
    }
    return header;
}

}  // namespace ThumbMetaLib
