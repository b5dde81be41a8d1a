#pragma once

// Helpers of the JPEG handler's tests: JPEG files made in-process with the codec's encoder,
// segments spliced in after SOI, Exif and image-resource payloads built byte by byte.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "HXJPEG.h"

namespace jpegtest {

inline std::string Corpus(const std::string& relative) {
    return std::string(VANTORY_CORPUS_DIR) + "/" + relative;
}

// Samples for an encode: a smooth diagonal gradient (so reduced decodes stay comparable).
inline uint8_t GradientSample(uint32_t x, uint32_t y, int c, uint32_t w, uint32_t h) {
    const uint32_t v = c == 0   ? x * 255 / (w ? w : 1)
                       : c == 1 ? y * 255 / (h ? h : 1)
                                : (x + y) * 127 / (w + h);
    return uint8_t(v);
}

struct BandSource {
    uint32_t width, height;
    int channels;
    std::vector<uint8_t> band;
    static bool Begin(void* self, uint32_t bandHeight, uint32_t width) {
        auto* s = static_cast<BandSource*>(self);
        s->band.resize(size_t{bandHeight} * width * s->channels);
        return true;
    }
    static bool GetTile(void* self, HXJPEGRect rect, HXJPEGImageContent* out) {
        auto* s = static_cast<BandSource*>(self);
        for (uint32_t y = 0; y < rect.height; ++y) {
            for (uint32_t x = 0; x < rect.width; ++x) {
                for (int c = 0; c < s->channels; ++c) {
                    s->band[(size_t{y} * rect.width + x) * s->channels + c] =
                        GradientSample(x, rect.top + y, c, s->width, s->height);
                }
            }
        }
        *out = {};
        out->numPlanes = uint8_t(s->channels);
        out->pixelStride = uint32_t(s->channels);
        out->rowStride = uint32_t(rect.width) * s->channels;
        for (int c = 0; c < s->channels; ++c) {
            out->planes[c] = s->band.data() + c;
        }
        return true;
    }
    static void End(void*) {}
};

// A baseline JPEG of a gradient, band by band so large sizes need little memory.
// colorSpace: HXJPEG_COLOR_RGB, HXJPEG_COLOR_GREY or HXJPEG_COLOR_CMYK.
inline std::vector<uint8_t> EncodeGradient(uint32_t width, uint32_t height,
                                           uint32_t colorSpace = HXJPEG_COLOR_RGB,
                                           uint32_t quality = 8) {
    std::vector<uint8_t> out;
    HXJPEGWriter writer{&out,
                        [](void* self, const uint8_t* data, uint32_t count, uint32_t) {
                            auto* v = static_cast<std::vector<uint8_t>*>(self);
                            v->insert(v->end(), data, data + count);
                        },
                        [](void*) {}};
    HXJPEGEncodeOptions options;
    HXJPEGEncodeOptionsInitDefault(&options);
    options.quality = quality;
    HXJPEGEncoder* encoder = nullptr;
    if (HXJPEGEncoderCreate(writer, options, &encoder) != 0) {
        return {};
    }
    const int channels = colorSpace == HXJPEG_COLOR_GREY   ? 1
                         : colorSpace == HXJPEG_COLOR_CMYK ? 4
                                                           : 3;
    BandSource source{width, height, channels, {}};
    HXJPEGHeader header{uint16_t(width), uint16_t(height), uint8_t(channels), colorSpace};
    const int32_t rc = HXJPEGEncoderWriteTiledContent(
        encoder, header, {&source, &BandSource::Begin, &BandSource::GetTile, &BandSource::End});
    HXJPEGEncoderRelease(encoder);
    return rc == 0 ? out : std::vector<uint8_t>{};
}

// The file with an APPn segment (marker 0xFFE0 + index) inserted right after SOI.
inline std::vector<uint8_t> WithSegment(std::vector<uint8_t> jpeg, uint8_t appIndex,
                                        const std::vector<uint8_t>& payload) {
    const size_t length = payload.size() + 2;
    std::vector<uint8_t> segment = {0xFF, uint8_t(0xE0 + appIndex), uint8_t(length >> 8),
                                    uint8_t(length)};
    segment.insert(segment.end(), payload.begin(), payload.end());
    jpeg.insert(jpeg.begin() + 2, segment.begin(), segment.end());
    return jpeg;
}

// A little-endian TIFF structure written entry by entry.
class TiffBuilder {
public:
    struct Entry {
        uint16_t tag, type;
        uint32_t count, value;
    };
    // Appends a directory at the current end and returns its offset; `next` 0 ends the chain.
    uint32_t AddDirectory(const std::vector<Entry>& entries, uint32_t next = 0) {
        const uint32_t offset = uint32_t(bytes_.size());
        Put16(uint16_t(entries.size()));
        for (const auto& e : entries) {
            Put16(e.tag);
            Put16(e.type);
            Put32(e.count);
            Put32(e.value);
        }
        Put32(next);
        return offset;
    }
    uint32_t AddBytes(const std::vector<uint8_t>& data) {
        const uint32_t offset = uint32_t(bytes_.size());
        bytes_.insert(bytes_.end(), data.begin(), data.end());
        return offset;
    }
    void Patch32(uint32_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes_[at + i] = uint8_t(value >> (8 * i));
    }
    // The APP1 payload: "Exif\0\0" and the structure.
    std::vector<uint8_t> ExifPayload(const char* header = "Exif") const {
        std::vector<uint8_t> out(header, header + 4);
        out.push_back(0);
        out.push_back(0);
        out.insert(out.end(), bytes_.begin(), bytes_.end());
        return out;
    }
    uint32_t Size() const { return uint32_t(bytes_.size()); }

private:
    void Put16(uint16_t v) {
        bytes_.push_back(uint8_t(v));
        bytes_.push_back(uint8_t(v >> 8));
    }
    void Put32(uint32_t v) {
        for (int i = 0; i < 4; ++i)
            bytes_.push_back(uint8_t(v >> (8 * i)));
    }
    std::vector<uint8_t> bytes_ = {'I', 'I', 42, 0, 8, 0, 0, 0};
};

inline void PutBig32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 3; i >= 0; --i)
        out.push_back(uint8_t(v >> (8 * i)));
}

// An APP13 payload with one thumbnail resource holding `jpeg`; `declaredSize` replaces the
// block's length field when non-zero.
inline std::vector<uint8_t> ResourcePayload(uint16_t id, const std::vector<uint8_t>& jpeg,
                                            uint32_t declaredSize = 0) {
    const std::string signature = "Pictorium 3.0";
    std::vector<uint8_t> out(signature.begin(), signature.end());
    out.push_back(0);
    out.insert(out.end(), {'8', 'B', 'I', 'M', uint8_t(id >> 8), uint8_t(id), 0, 0});
    std::vector<uint8_t> block;
    for (uint32_t v : {1u, 0u, 0u, 0u, 0u, uint32_t(jpeg.size())})
        PutBig32(block, v);
    block.insert(block.end(), {0, 24, 0, 1});
    block.insert(block.end(), jpeg.begin(), jpeg.end());
    PutBig32(out, declaredSize != 0 ? declaredSize : uint32_t(block.size()));
    out.insert(out.end(), block.begin(), block.end());
    if (block.size() & 1)
        out.push_back(0);
    return out;
}

}  // namespace jpegtest
