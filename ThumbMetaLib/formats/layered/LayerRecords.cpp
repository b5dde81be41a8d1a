#include "ThumbMetaLib/formats/layered/LayerRecords.h"

#include <algorithm>
#include <cstdlib>
#include <initializer_list>
#include <string>

#include "ThumbMetaLib/formats/layered/LayeredFormatError.h"
#include "ThumbMetaLib/formats/layered/SourceCursor.h"

namespace ThumbMetaLib {
namespace {

constexpr uint32_t kSignature = FourCC("8BIM");
constexpr uint32_t kLargeSignature = FourCC("8B64");
// Rectangle, channel count, signature, blend key, four flag bytes and the extra-data length.
constexpr uint64_t kMinimumRecordBytes = 34;
constexpr uint16_t kMaxLayerChannels = 56;
// Mask data: rectangle, default value and flags, of which bit 1 switches the mask off.
constexpr uint32_t kMinimumMaskBytes = 18;
constexpr uint8_t kMaskDisabled = 0x02;

bool IsOneOf(uint32_t key, std::initializer_list<const char*> keys) {
    return std::any_of(keys.begin(), keys.end(), [key](const char* k) {
        return (uint32_t(uint8_t(k[0])) << 24 | uint32_t(uint8_t(k[1])) << 16 |
                uint32_t(uint8_t(k[2])) << 8 | uint8_t(k[3])) == key;
    });
}

// In large documents these blocks carry 8-byte lengths.
bool HasLongLength(uint32_t key) {
    return IsOneOf(key, {"LMsk", "Lr16", "Lr32", "Layr", "Mt16", "Mt32", "Mtrn", "Alph", "FMsk",
                         "lnk2", "FEid", "FXid", "PxSD"});
}

// Fill layers and adjustment layers: their look is computed from settings.
bool IsComputedContent(uint32_t key) {
    return IsOneOf(key, {"SoCo", "GdFl", "PtFl", "levl", "curv", "brit", "blnc",
                         "hue ", "hue2", "selc", "mixr", "grdm", "phfl", "expA",
                         "vibA", "thrs", "post", "nvrt", "blwh", "clrL", "CgEd"});
}

// Moves to the next block signature within `end`, past up to three bytes of padding (writers
// disagree on whether block lengths are rounded). False when there is none.
bool FindSignature(SourceCursor& cursor, uint64_t end) {
    for (int pad = 0; pad < 4; ++pad) {
        const uint64_t at = cursor.Position();
        if (at + 12 > end) {
            return false;
        }
        const uint32_t signature = cursor.U32();
        if (signature == kSignature || signature == kLargeSignature) {
            return true;
        }
        cursor.Seek(at + 1);
    }
    return false;
}

struct Block {
    uint32_t key;
    uint64_t offset;
    uint64_t length;
};

// The tagged blocks of [position, end): calls `visit` for each until it returns false.
template <typename Visit>
void WalkBlocks(SourceCursor& cursor, uint64_t end, bool large, Visit visit) {
    while (FindSignature(cursor, end)) {
        Block block{cursor.U32(), 0, 0};
        if (cursor.Position() + (large && HasLongLength(block.key) ? 8 : 4) > end) {
            return;
        }
        block.length = large && HasLongLength(block.key) ? cursor.U64() : cursor.U32();
        block.offset = cursor.Position();
        if (block.length > end - block.offset || !visit(block)) {
            return;
        }
        cursor.Seek(block.offset + block.length);
    }
}

// Where the layer count and records start, and where the layer info ends; empty when the
// document has no layers.
SectionSpan FindLayerInfo(SourceCursor& cursor, const LayeredStructure& structure) {
    const SectionSpan& section = structure.layerAndMask;
    const bool large = structure.header.IsLarge();
    const uint64_t end = section.offset + section.length;
    if (section.length < (large ? 8u : 4u)) {
        return {};
    }
    cursor.Seek(section.offset);
    const uint64_t length = cursor.Length(large);
    if (length > end - cursor.Position()) {
        throw LayeredFormatError("layer info is longer than its section");
    }
    if (length > 0) {
        return {cursor.Position(), length};
    }
    // 16- and 32-bit documents keep their layers in a block after the global mask info.
    if (end - cursor.Position() < 4) {
        return {};
    }
    const uint32_t globalMask = cursor.U32();
    if (globalMask > end - cursor.Position()) {
        return {};
    }
    cursor.Skip(globalMask);
    SectionSpan found;
    WalkBlocks(cursor, end, large, [&](const Block& block) {
        if (IsOneOf(block.key, {"Lr16", "Lr32", "Layr"})) {
            found = {block.offset, block.length};
            return false;
        }
        return true;
    });
    return found;
}

// The layer's extra data after the mask and blending ranges: its name, then tagged blocks.
void ReadExtraData(SourceCursor& cursor, uint64_t end, bool large, LayerRecord& layer) {
    for (int part = 0; part < 2; ++part) {  // mask data, blending ranges
        if (end - cursor.Position() < 4) {
            return;
        }
        const uint32_t length = cursor.U32();
        if (length > end - cursor.Position()) {
            return;
        }
        const uint64_t next = cursor.Position() + length;
        if (part == 0 && length >= kMinimumMaskBytes) {
            layer.mask.present = true;
            layer.mask.rect = {cursor.S32(), cursor.S32(), cursor.S32(), cursor.S32()};
            layer.mask.defaultValue = cursor.U8();
            layer.mask.disabled = (cursor.U8() & kMaskDisabled) != 0;
        }
        cursor.Seek(next);
    }
    if (cursor.Position() >= end) {
        return;
    }
    const uint64_t nameBytes = (uint64_t{cursor.U8()} + 1 + 3) & ~uint64_t{3};  // padded to 4
    if (nameBytes - 1 > end - cursor.Position()) {
        return;
    }
    cursor.Skip(nameBytes - 1);
    WalkBlocks(cursor, end, large, [&](const Block& block) {
        if (IsOneOf(block.key, {"lsct", "lsdk"}) && block.length >= 4) {
            layer.sectionType = cursor.U32();
        } else if (IsComputedContent(block.key)) {
            layer.computedContent = true;
        }
        return true;
    });
}

LayerRecord ReadRecord(SourceCursor& cursor, uint64_t end, bool large) {
    LayerRecord layer;
    layer.top = cursor.S32();
    layer.left = cursor.S32();
    layer.bottom = cursor.S32();
    layer.right = cursor.S32();
    const uint16_t channels = cursor.U16();
    if (channels > kMaxLayerChannels) {
        throw LayeredFormatError("layer with " + std::to_string(channels) + " channels");
    }
    if (uint64_t{channels} * (large ? 10 : 6) > end - cursor.Position()) {
        throw LayeredFormatError("layer channels run past the layer info");
    }
    layer.channels.resize(channels);
    for (LayerChannel& channel : layer.channels) {
        channel.id = cursor.S16();
        channel.length = cursor.Length(large);
    }
    if (end - cursor.Position() < 16 || cursor.U32() != kSignature) {
        throw LayeredFormatError("layer record without its blend signature");
    }
    layer.blendMode = cursor.U32();
    layer.opacity = cursor.U8();
    layer.clipped = cursor.U8() != 0;
    layer.hidden = (cursor.U8() & 0x02) != 0;
    cursor.Skip(1);
    const uint32_t extraLength = cursor.U32();
    const uint64_t extraStart = cursor.Position();
    if (extraLength > end - extraStart) {
        throw LayeredFormatError("layer extra data runs past the layer info");
    }
    ReadExtraData(cursor, extraStart + extraLength, large, layer);
    cursor.Seek(extraStart + extraLength);
    return layer;
}

// Reading from the top down, a group's marker (1 or 2) comes before its layers and its closing
// divider (3) after them; a hidden group hides everything inside.
void ApplyGroupVisibility(std::vector<LayerRecord>& layers) {
    std::vector<bool> hiddenGroups;
    for (auto layer = layers.rbegin(); layer != layers.rend(); ++layer) {
        const bool insideHidden = !hiddenGroups.empty() && hiddenGroups.back();
        if (layer->sectionType == 3) {
            if (!hiddenGroups.empty()) {
                hiddenGroups.pop_back();
            }
            continue;
        }
        layer->hidden = layer->hidden || insideHidden;
        if (layer->sectionType == 1 || layer->sectionType == 2) {
            hiddenGroups.push_back(layer->hidden);
        }
    }
}

}  // namespace

std::vector<LayerRecord> ReadLayerRecords(RasterSource& source, const LayeredStructure& structure) {
    SourceCursor cursor(source, 0);
    const SectionSpan info = FindLayerInfo(cursor, structure);
    if (info.length < 2) {
        return {};
    }
    const bool large = structure.header.IsLarge();
    const uint64_t end = info.offset + info.length;
    cursor.Seek(info.offset);
    // A negative count says the merged image's first extra channel is its transparency.
    const uint32_t count = uint32_t(std::abs(int32_t{cursor.S16()}));
    if (count * kMinimumRecordBytes > end - cursor.Position()) {
        throw LayeredFormatError("layer count larger than the layer info can hold");
    }
    std::vector<LayerRecord> layers;
    layers.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
        layers.push_back(ReadRecord(cursor, end, large));
    }
    // The channels' data follows the records, layer by layer, channel by channel.
    uint64_t offset = cursor.Position();
    for (LayerRecord& layer : layers) {
        for (LayerChannel& channel : layer.channels) {
            if (channel.length > end - offset) {
                throw LayeredFormatError("layer channel data runs past the layer info");
            }
            channel.offset = offset;
            offset += channel.length;
        }
    }
    ApplyGroupVisibility(layers);
    return layers;
}

}  // namespace ThumbMetaLib
