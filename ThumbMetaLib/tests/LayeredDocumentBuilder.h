#pragma once

// Test helper: writes small layered documents byte by byte, so that tests can state exactly
// what a file holds (and damage it on purpose).
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace layeredtest {

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, uint32_t v) {
    b.push_back(uint8_t(v >> 8));
    b.push_back(uint8_t(v));
}
inline void Put32(Bytes& b, uint64_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) {
        b.push_back(uint8_t(v >> shift));
    }
}
inline void Put64(Bytes& b, uint64_t v) {
    Put32(b, v >> 32);
    Put32(b, v & 0xFFFFFFFFu);
}

// One image-resource block with an empty name.
inline Bytes Resource(uint16_t id, const Bytes& data) {
    Bytes b = {'8', 'B', 'I', 'M'};
    Put16(b, id);
    Put16(b, 0);  // empty Pascal name, padded
    Put32(b, data.size());
    b.insert(b.end(), data.begin(), data.end());
    if (data.size() % 2 != 0) {
        b.push_back(0);
    }
    return b;
}

// A thumbnail resource (1036 or 1033) around JFIF data.
inline Bytes ThumbnailResource(uint16_t id, const Bytes& jpeg) {
    Bytes data;
    Put32(data, 1);  // kJpegRGB
    for (int i = 0; i < 4; ++i) {
        Put32(data, 0);  // width, height, row bytes, total size: not read
    }
    Put32(data, jpeg.size());
    Put16(data, 24);
    Put16(data, 1);
    data.insert(data.end(), jpeg.begin(), jpeg.end());
    return Resource(id, data);
}

// Literal-only PackBits (one header per 128 bytes).
inline Bytes PackLiterals(const uint8_t* row, size_t size) {
    Bytes out;
    for (size_t i = 0; i < size; i += 128) {
        const size_t n = std::min<size_t>(128, size - i);
        out.push_back(uint8_t(n - 1));
        out.insert(out.end(), row + i, row + i + n);
    }
    return out;
}

struct Document {
    uint16_t version = 1;
    uint16_t channels = 3;
    uint32_t width = 2;
    uint32_t height = 2;
    uint16_t depth = 8;
    uint16_t mode = 3;
    Bytes colorModeData;
    Bytes resources;
    uint64_t layerSectionLength = 0;  // written as zeros
    Bytes layerSection;               // the section's content, when given (LayerAndMask())
    uint16_t compression = 0;         // 0 raw, 1 PackBits
    // The stored bytes of every channel, rows one after another.
    std::vector<Bytes> channelData;

    Bytes Build() const {
        Bytes b = {'8', 'B', 'P', 'S'};
        Put16(b, version);
        b.insert(b.end(), 6, 0);
        Put16(b, channels);
        Put32(b, height);
        Put32(b, width);
        Put16(b, depth);
        Put16(b, mode);
        Put32(b, colorModeData.size());
        b.insert(b.end(), colorModeData.begin(), colorModeData.end());
        Put32(b, resources.size());
        b.insert(b.end(), resources.begin(), resources.end());
        const uint64_t layerLength =
            layerSection.empty() ? layerSectionLength : layerSection.size();
        if (version == 2) {
            Put64(b, layerLength);
        } else {
            Put32(b, layerLength);
        }
        if (layerSection.empty()) {
            b.insert(b.end(), layerSectionLength, 0);
        } else {
            b.insert(b.end(), layerSection.begin(), layerSection.end());
        }
        Put16(b, compression);
        if (compression == 0) {
            for (const Bytes& channel : channelData) {
                b.insert(b.end(), channel.begin(), channel.end());
            }
            return b;
        }
        const size_t rowBytes = (size_t{width} * depth + 7) / 8;
        std::vector<Bytes> rows;
        for (const Bytes& channel : channelData) {
            for (uint32_t y = 0; y < height; ++y) {
                rows.push_back(PackLiterals(channel.data() + rowBytes * y, rowBytes));
            }
        }
        for (const Bytes& row : rows) {
            version == 2 ? Put32(b, row.size()) : Put16(b, uint32_t(row.size()));
        }
        for (const Bytes& row : rows) {
            b.insert(b.end(), row.begin(), row.end());
        }
        return b;
    }
};

// One tagged block of a layer's extra data or of the layer and mask section.
inline Bytes TaggedBlock(const char* key, const Bytes& data) {
    const auto size = uint32_t(data.size());
    Bytes b = {'8',
               'B',
               'I',
               'M',
               uint8_t(key[0]),
               uint8_t(key[1]),
               uint8_t(key[2]),
               uint8_t(key[3]),
               uint8_t(size >> 24),
               uint8_t(size >> 16),
               uint8_t(size >> 8),
               uint8_t(size)};
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

// A user mask (channel -2): its rectangle, the value beyond it and its flags (0x02: off).
struct Mask {
    bool present = false;
    int32_t top = 0, left = 0, bottom = 0, right = 0;
    uint8_t outside = 0;
    uint8_t flags = 0;
};

// 8-bit rows of `width` samples zip-compressed, with horizontal differences first when
// `predicted` (layer channel compression 3; 2 without).
inline Bytes Zipped(Bytes rows, uint32_t width, bool predicted) {
    if (predicted) {
        for (size_t start = 0; start < rows.size(); start += width) {
            for (size_t x = std::min(rows.size(), start + width) - 1; x > start; --x) {
                rows[x] = uint8_t(rows[x] - rows[x - 1]);
            }
        }
    }
    uLongf size = compressBound(uLong(rows.size()));
    Bytes out(size);
    compress2(out.data(), &size, rows.data(), uLong(rows.size()), 9);
    out.resize(size);
    return out;
}

// A layer with 8-bit channel data (rows of the layer's own width, or of the mask's), stored as
// `compression` says (0 raw, 2 zip, 3 zip with prediction).
struct Layer {
    int32_t top = 0, left = 0, bottom = 0, right = 0;
    std::vector<std::pair<int16_t, Bytes>> channels;
    const char* blendMode = "norm";
    uint8_t opacity = 255;
    uint8_t clipping = 0;
    uint8_t flags = 0;  // 0x02 hides the layer
    Bytes blocks;       // tagged blocks after the name
    uint16_t compression = 0;
    Mask mask;
};

// The layer info (count, records, channel data) without its length field.
inline Bytes LayerInfo(const std::vector<Layer>& layers, bool large = false) {
    Bytes b;
    Put16(b, uint32_t(layers.size()));
    std::vector<Bytes> stored;
    for (const Layer& layer : layers) {
        for (int32_t v : {layer.top, layer.left, layer.bottom, layer.right}) {
            Put32(b, uint32_t(v));
        }
        Put16(b, uint32_t(layer.channels.size()));
        for (const auto& [id, data] : layer.channels) {
            const int32_t left = id == -2 ? layer.mask.left : layer.left;
            const int32_t right = id == -2 ? layer.mask.right : layer.right;
            Bytes channel;
            Put16(channel, layer.compression);
            const Bytes body = layer.compression == 0
                                   ? data
                                   : Zipped(data, uint32_t(right - left), layer.compression == 3);
            channel.insert(channel.end(), body.begin(), body.end());
            Put16(b, uint16_t(id));
            large ? Put64(b, channel.size()) : Put32(b, channel.size());
            stored.push_back(std::move(channel));
        }
        b.insert(b.end(), {'8', 'B', 'I', 'M'});
        b.insert(b.end(), layer.blendMode, layer.blendMode + 4);
        b.insert(b.end(), {layer.opacity, layer.clipping, layer.flags, 0});
        Bytes extra;
        if (layer.mask.present) {
            const Mask& m = layer.mask;
            Put32(extra, 20);
            for (int32_t v : {m.top, m.left, m.bottom, m.right}) {
                Put32(extra, uint32_t(v));
            }
            extra.insert(extra.end(), {m.outside, m.flags, 0, 0});
        } else {
            Put32(extra, 0);
        }
        Put32(extra, 0);                          // no blending ranges
        extra.insert(extra.end(), {0, 0, 0, 0});  // empty name, padded to 4
        extra.insert(extra.end(), layer.blocks.begin(), layer.blocks.end());
        Put32(b, extra.size());
        b.insert(b.end(), extra.begin(), extra.end());
    }
    for (const Bytes& channel : stored) {
        b.insert(b.end(), channel.begin(), channel.end());
    }
    return b;
}

// The layer and mask section around a layer info, with an empty global mask.
inline Bytes LayerAndMask(const Bytes& layerInfo, bool large = false) {
    Bytes b;
    large ? Put64(b, layerInfo.size()) : Put32(b, layerInfo.size());
    b.insert(b.end(), layerInfo.begin(), layerInfo.end());
    Put32(b, 0);
    return b;
}

}  // namespace layeredtest
