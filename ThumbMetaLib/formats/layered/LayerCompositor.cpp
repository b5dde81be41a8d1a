#include "ThumbMetaLib/formats/layered/LayerCompositor.h"

#include <algorithm>
#include <vector>

#include "ThumbMetaLib/formats/io/RasterLimits.h"
#include "ThumbMetaLib/formats/layered/ChannelRows.h"
#include "ThumbMetaLib/formats/layered/LayerRecords.h"
#include "ThumbMetaLib/formats/layered/LayeredFormatError.h"
#include "ThumbMetaLib/formats/layered/MergedImage.h"
#include "ThumbMetaLib/formats/layered/SampleRows.h"

namespace ThumbMetaLib {
namespace {

constexpr int16_t kTransparencyChannel = -1;
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

// The clipped samples of one layer, a plane per colour channel and one of transparency.
class LayerPlanes {
public:
    LayerPlanes(const Clip& clip, uint32_t colourChannels) : clip_(clip), colours_(colourChannels) {
        const uint64_t bytes = uint64_t{clip.width} * clip.height * (colourChannels + 1);
        if (bytes > kMaxCompositeBytes) {
            throw LayeredFormatError("layer larger than the composite cap");
        }
        samples_.assign(size_t(bytes), 0);
        std::fill(Plane(colourChannels), Plane(colourChannels) + PlaneBytes(), uint8_t{255});
    }

    size_t PlaneBytes() const { return size_t{clip_.width} * clip_.height; }
    uint8_t* Plane(uint32_t index) { return samples_.data() + PlaneBytes() * index; }
    // The plane of channel `id`, null for channels the composite does not use.
    uint8_t* PlaneOf(int16_t id) {
        if (id == kTransparencyChannel) {
            return Plane(colours_);
        }
        return id >= 0 && uint32_t(id) < colours_ ? Plane(uint32_t(id)) : nullptr;
    }

private:
    Clip clip_;
    uint32_t colours_;
    std::vector<uint8_t> samples_;
};

// Decodes one channel of `layer` into `plane` (clipped). Throws LayeredFormatError.
void ReadLayerChannel(RasterSource& source, const LayeredHeader& header, const LayerRecord& layer,
                      const LayerChannel& channel, const Clip& clip, uint8_t* plane) {
    if (channel.length < 2) {
        throw LayeredFormatError("layer channel without data");
    }
    SourceCursor cursor(source, channel.offset);
    const uint16_t compression = cursor.U16();
    const uint32_t width = layer.Width();
    const uint32_t height = layer.Height();
    const uint64_t rowBytes = StoredRowBytes(width, header.depth);
    std::vector<uint32_t> counts;
    if (compression == kCompressionPackBits) {
        counts = ReadRowByteCounts(cursor, height, header.IsLarge(), rowBytes);
    } else if (compression != kCompressionRaw) {
        throw LayeredFormatError("layer compression " + std::to_string(compression) +
                                 " is not read");
    } else if (rowBytes * height > channel.length - 2) {
        throw LayeredFormatError("raw layer channel longer than its data");
    }
    const int64_t skipX = int64_t{clip.x0} - layer.left;
    ReadChannelRows(cursor, counts.empty() ? nullptr : counts.data(), width, header.depth, height,
                    [&](uint32_t y, const uint8_t* row) {
                        const int64_t canvasY = int64_t{layer.top} + y;
                        if (canvasY >= clip.y0 && canvasY < int64_t{clip.y0} + clip.height) {
                            std::copy_n(row + skipX, clip.width,
                                        plane + size_t(canvasY - clip.y0) * clip.width);
                        }
                    });
}

// Normal blending of the layer's clipped samples onto the canvas.
void Blend(LayerPlanes& planes, const Clip& clip, uint32_t colours, uint8_t opacity, bool inkMode,
           Pixels& canvas) {
    const uint8_t* alpha = planes.Plane(colours);
    for (uint32_t c = 0; c < colours; ++c) {
        const uint8_t* samples = planes.Plane(c);
        for (uint32_t y = 0; y < clip.height; ++y) {
            uint8_t* out =
                canvas.Plane(int32_t(c)) + size_t{canvas.RowBytes()} * (clip.y0 + y) + clip.x0;
            const size_t row = size_t{y} * clip.width;
            for (uint32_t x = 0; x < clip.width; ++x) {
                const uint32_t a = (uint32_t{alpha[row + x]} * opacity + 127) / 255;
                // CMYK samples are stored as 255 minus the ink, the canvas holds ink.
                const uint32_t v = inkMode ? 255u - samples[row + x] : samples[row + x];
                out[x] = uint8_t((v * a + uint32_t{out[x]} * (255 - a) + 127) / 255);
            }
        }
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
    for (const LayerRecord& layer : layers) {
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
        if (layer.blendMode != FourCC("norm")) {
            leaveOut("a blend mode other than normal");
        }
        if (layer.clipped) {
            leaveOut("a clipped layer");
        }
        LayerPlanes planes(clip, colours);
        try {
            for (const LayerChannel& channel : layer.channels) {
                if (channel.id < kTransparencyChannel) {
                    leaveOut("a layer mask");
                } else if (uint8_t* plane = planes.PlaneOf(channel.id)) {
                    ReadLayerChannel(source, header, layer, channel, clip, plane);
                }
            }
        } catch (const LayeredFormatError& error) {
            leaveOut(error.what());
            continue;
        }
        if (!canvas) {
            canvas = NewCompositeBuffer(header);
        }
        Blend(planes, clip, colours, layer.opacity, header.mode == kModeCMYK, *canvas);
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
