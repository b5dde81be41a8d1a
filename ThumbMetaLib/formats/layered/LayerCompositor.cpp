#include "ThumbMetaLib/formats/layered/LayerCompositor.h"

#include <algorithm>
#include <vector>

#include "ThumbMetaLib/formats/io/RasterLimits.h"
#include "ThumbMetaLib/formats/layered/BlendModes.h"
#include "ThumbMetaLib/formats/layered/ChannelRows.h"
#include "ThumbMetaLib/formats/layered/LayerRecords.h"
#include "ThumbMetaLib/formats/layered/LayeredFormatError.h"
#include "ThumbMetaLib/formats/layered/MergedImage.h"
#include "ThumbMetaLib/formats/layered/SampleRows.h"
#include "ThumbMetaLib/formats/layered/ZipChannelRows.h"

namespace ThumbMetaLib {
namespace {

constexpr int16_t kTransparencyChannel = -1;
constexpr int16_t kUserMaskChannel = -2;
// Wider layers than the largest document are not drawn (their rows would be allocated).
constexpr uint32_t kMaxLayerSide = 300000;

bool ModeHasLayers(uint16_t mode) {
    return mode == kModeGrayscale || mode == kModeDuotone || mode == kModeRGB ||
           mode == kModeCMYK || mode == kModeLab;
}

// The part of a layer that falls on the canvas.
struct Clip {
    uint32_t x0 = 0, y0 = 0, width = 0, height = 0;
};

Clip ClipToCanvas(const LayerRecord& layer, const LayeredHeader& header) {
    const int64_t x0 = std::max<int64_t>(layer.left, 0);
    const int64_t y0 = std::max<int64_t>(layer.top, 0);
    const int64_t x1 = std::min<int64_t>(layer.right, header.width);
    const int64_t y1 = std::min<int64_t>(layer.bottom, header.height);
    if (x1 <= x0 || y1 <= y0) {
        return {};
    }
    return {uint32_t(x0), uint32_t(y0), uint32_t(x1 - x0), uint32_t(y1 - y0)};
}

// The clipped samples of one layer: a plane per colour channel, one of transparency and one
// of its user mask.
class LayerPlanes {
public:
    LayerPlanes(const Clip& clip, uint32_t colourChannels, uint8_t maskDefault)
        : clip_(clip), colours_(colourChannels) {
        const uint64_t bytes = uint64_t{clip.width} * clip.height * (colourChannels + 2);
        if (bytes > kMaxCompositeBytes) {
            throw LayeredFormatError("layer larger than the composite cap");
        }
        samples_.assign(size_t(bytes), 0);
        std::fill(Alpha(), Alpha() + PlaneBytes(), uint8_t{255});
        std::fill(Mask(), Mask() + PlaneBytes(), maskDefault);
    }

    size_t PlaneBytes() const { return size_t{clip_.width} * clip_.height; }
    uint8_t* Plane(uint32_t index) { return samples_.data() + PlaneBytes() * index; }
    uint8_t* Alpha() { return Plane(colours_); }
    uint8_t* Mask() { return Plane(colours_ + 1); }
    // The plane of channel `id`, null for channels the composite does not use.
    uint8_t* PlaneOf(int16_t id, bool maskApplies) {
        if (id == kTransparencyChannel) {
            return Alpha();
        }
        if (id == kUserMaskChannel) {
            return maskApplies ? Mask() : nullptr;
        }
        return id >= 0 && uint32_t(id) < colours_ ? Plane(uint32_t(id)) : nullptr;
    }

private:
    Clip clip_;
    uint32_t colours_;
    std::vector<uint8_t> samples_;
};

// Decodes one channel stored for `rect` into the part of `plane` (the layer's clip) the
// rectangle covers. Throws LayeredFormatError.
void ReadLayerChannel(RasterSource& source, const LayeredHeader& header, const LayerRect& rect,
                      const LayerChannel& channel, const Clip& clip, uint8_t* plane) {
    if (channel.length < 2) {
        throw LayeredFormatError("layer channel without data");
    }
    if (rect.Width() > kMaxLayerSide || rect.Height() > kMaxLayerSide) {
        throw LayeredFormatError("a channel larger than any document");
    }
    SourceCursor cursor(source, channel.offset);
    const uint16_t compression = cursor.U16();
    const uint32_t width = rect.Width();
    const uint32_t height = rect.Height();
    const uint64_t rowBytes = StoredRowBytes(width, header.depth);
    const int64_t x0 = std::max<int64_t>(rect.left, clip.x0);
    const int64_t x1 = std::min<int64_t>(int64_t{rect.left} + width, int64_t{clip.x0} + clip.width);
    auto copyRow = [&](uint32_t y, const uint8_t* row) {
        const int64_t canvasY = int64_t{rect.top} + y;
        if (x1 > x0 && canvasY >= clip.y0 && canvasY < int64_t{clip.y0} + clip.height) {
            std::copy_n(row + (x0 - rect.left), x1 - x0,
                        plane + size_t(canvasY - clip.y0) * clip.width + (x0 - clip.x0));
        }
    };
    // Rows below the canvas are never decoded.
    const uint32_t neededRows = uint32_t(
        std::clamp<int64_t>(int64_t{clip.y0} + clip.height - rect.top, 0, int64_t{height}));
    if (compression == kCompressionZip || compression == kCompressionZipPredicted) {
        ReadZipChannelRows(cursor, channel.length - 2, compression == kCompressionZipPredicted,
                           width, header.depth, neededRows, copyRow);
        return;
    }
    std::vector<uint32_t> counts;
    if (compression == kCompressionPackBits) {
        counts = ReadRowByteCounts(cursor, height, header.IsLarge(), rowBytes);
    } else if (compression != kCompressionRaw) {
        throw LayeredFormatError("layer compression " + std::to_string(compression) +
                                 " is not read");
    } else if (rowBytes * height > channel.length - 2) {
        throw LayeredFormatError("raw layer channel longer than its data");
    }
    ReadChannelRows(cursor, counts.empty() ? nullptr : counts.data(), width, header.depth,
                    neededRows, copyRow);
}

// The effective alpha of every sample of the layer: transparency, user mask, opacity and, for
// a clipped layer, the alpha of its base below.
void EffectiveAlpha(LayerPlanes& planes, const Clip& clip, uint8_t opacity,
                    const std::vector<uint8_t>* base, uint32_t canvasWidth) {
    uint8_t* alpha = planes.Alpha();
    const uint8_t* mask = planes.Mask();
    for (uint32_t y = 0; y < clip.height; ++y) {
        const size_t row = size_t{y} * clip.width;
        const uint8_t* under =
            base != nullptr ? base->data() + size_t{clip.y0 + y} * canvasWidth + clip.x0 : nullptr;
        for (uint32_t x = 0; x < clip.width; ++x) {
            uint32_t a = (uint32_t{alpha[row + x]} * mask[row + x] + 127) / 255;
            a = (a * opacity + 127) / 255;
            if (under != nullptr) {
                a = (a * under[x] + 127) / 255;
            }
            alpha[row + x] = uint8_t(a);
        }
    }
}

// Draws the layer's clipped samples onto the canvas with its blend mode, in additive values
// (CMYK samples are stored as 255 minus the ink while the canvas holds ink).
void Blend(LayerPlanes& planes, const Clip& clip, uint32_t colours, uint32_t mode, bool inkMode,
           Pixels& canvas) {
    const uint8_t* alpha = planes.Alpha();
    for (uint32_t c = 0; c < colours; ++c) {
        const uint8_t* samples = planes.Plane(c);
        for (uint32_t y = 0; y < clip.height; ++y) {
            uint8_t* out =
                canvas.Plane(int32_t(c)) + size_t{canvas.RowBytes()} * (clip.y0 + y) + clip.x0;
            const size_t row = size_t{y} * clip.width;
            for (uint32_t x = 0; x < clip.width; ++x) {
                const uint32_t a = alpha[row + x];
                const uint32_t backdrop = inkMode ? 255u - out[x] : out[x];
                const uint32_t blended = BlendSample(mode, backdrop, samples[row + x]);
                const uint32_t v = (blended * a + backdrop * (255 - a) + 127) / 255;
                out[x] = uint8_t(inkMode ? 255 - v : v);
            }
        }
    }
}

// Keeps the layer's effective alpha on a canvas-sized plane, for the clipped layers above it.
void KeepBaseAlpha(LayerPlanes& planes, const Clip& clip, uint32_t canvasWidth,
                   std::vector<uint8_t>& base) {
    std::fill(base.begin(), base.end(), uint8_t{0});
    for (uint32_t y = 0; y < clip.height; ++y) {
        std::copy_n(planes.Alpha() + size_t{y} * clip.width, clip.width,
                    base.data() + size_t{clip.y0 + y} * canvasWidth + clip.x0);
    }
}

}  // namespace

LayerDrawing DrawVisibleLayers(RasterSource& source, const LayeredStructure& structure) {
    LayerDrawing drawing;
    const LayeredHeader& header = structure.header;
    if (!ModeHasLayers(header.mode)) {
        drawing.why = "layers of this colour mode are not drawn";
        return drawing;
    }
    const std::vector<LayerRecord> layers = ReadLayerRecords(source, structure);
    if (CompositeBytes(header) > kMaxCompositeBytes) {
        throw LayeredFormatError("canvas exceeds the 1 GiB cap");
    }
    // Allocated once a layer has decoded, so that records without data cost no canvas.
    PixelsPtr canvas;
    const uint32_t colours = uint32_t(Pixels::ChannelsForMode(CompositeMode(header.mode)));
    auto leaveOut = [&](const std::string& what) {
        if (drawing.exact) {
            drawing.why = what;
        }
        drawing.exact = false;
    };
    // The effective alpha of the last base layer, kept while clipped layers follow it.
    std::vector<uint8_t> baseAlpha;
    bool baseDrawn = false;
    for (size_t i = 0; i < layers.size(); ++i) {
        const LayerRecord& layer = layers[i];
        if (!layer.clipped) {
            baseDrawn = false;
        } else if (!baseDrawn) {
            continue;  // its base shows nothing (hidden, empty), so neither does it
        }
        if (layer.hidden || layer.sectionType != 0) {
            continue;
        }
        const Clip clip = ClipToCanvas(layer, header);
        const bool hasColour = std::any_of(layer.channels.begin(), layer.channels.end(),
                                           [](const LayerChannel& c) { return c.id >= 0; });
        if (clip.width == 0 || !hasColour) {
            if (layer.computedContent) {
                leaveOut("a fill or adjustment layer");
            }
            continue;
        }
        if (layer.Width() > kMaxLayerSide || layer.Height() > kMaxLayerSide) {
            leaveOut("a layer larger than any document");
            continue;
        }
        uint32_t mode = layer.blendMode;
        if (!IsDrawnBlendMode(mode) || (header.mode == kModeLab && mode != FourCC("norm"))) {
            leaveOut("a blend mode drawn as normal");
            mode = FourCC("norm");
        }
        const bool maskApplies = layer.mask.present && !layer.mask.disabled;
        LayerPlanes planes(clip, colours, maskApplies ? layer.mask.defaultValue : 255);
        try {
            for (const LayerChannel& channel : layer.channels) {
                if (channel.id < kUserMaskChannel) {
                    leaveOut("a layer mask combined with a vector mask");
                } else if (uint8_t* plane = planes.PlaneOf(channel.id, maskApplies)) {
                    const LayerRect rect =
                        channel.id == kUserMaskChannel ? layer.mask.rect : layer.Rect();
                    ReadLayerChannel(source, header, rect, channel, clip, plane);
                }
            }
        } catch (const LayeredFormatError& error) {
            leaveOut(error.what());
            continue;
        }
        if (!canvas) {
            canvas = NewCompositeBuffer(header);
        }
        EffectiveAlpha(planes, clip, layer.opacity, layer.clipped ? &baseAlpha : nullptr,
                       header.width);
        Blend(planes, clip, colours, mode, header.mode == kModeCMYK, *canvas);
        const bool clippedAbove = i + 1 < layers.size() && layers[i + 1].clipped;
        if (!layer.clipped && clippedAbove) {
            baseAlpha.resize(size_t{header.width} * header.height);
            KeepBaseAlpha(planes, clip, header.width, baseAlpha);
            baseDrawn = true;
        }
    }
    if (!canvas) {
        drawing.exact = false;
        if (drawing.why.empty()) {
            drawing.why = "no visible layer has pixels";
        }
        return drawing;
    }
    drawing.pixels = std::move(canvas);
    return drawing;
}

}  // namespace ThumbMetaLib
