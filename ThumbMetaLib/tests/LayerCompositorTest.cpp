// Documents without a usable merged image: their visible layers drawn over white, and what
// happens when a layer cannot be drawn as the document shows it.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>

#include "ThumbMetaLib/formats/layered/LayerCompositor.h"
#include "ThumbMetaLib/formats/layered/LayeredComposite.h"
#include "ThumbMetaLib/formats/layered/LayeredFormatError.h"
#include "ThumbMetaLib/formats/layered/MergedImage.h"
#include "ThumbMetaLib/tests/ColorTestSupport.h"
#include "ThumbMetaLib/tests/LayeredDocumentBuilder.h"
#include "ThumbMetaLib/tests/RasterTestSupport.h"

namespace ThumbMetaLib {
namespace {

using layeredtest::Bytes;
using layeredtest::Document;
using layeredtest::Layer;

const Bytes kNoMergedData = layeredtest::Resource(1057, {0, 0, 0, 1, 0});

Layer Solid(int32_t left, int32_t right, uint8_t value, uint16_t colours) {
    Layer layer;
    layer.bottom = 1;
    layer.left = left;
    layer.right = right;
    for (int16_t c = 0; c < int16_t(colours); ++c) {
        layer.channels.push_back({c, Bytes(size_t(right - left), value)});
    }
    return layer;
}

Layer GroupMarker(uint32_t type, uint8_t flags) {
    Layer marker;
    Bytes data;
    layeredtest::Put32(data, type);
    marker.blocks = layeredtest::TaggedBlock("lsct", data);
    marker.flags = flags;
    return marker;
}

// A 4 x 1 document of `mode` whose merged image is a white placeholder.
Document Placeholder(uint16_t mode, uint16_t colours, const std::vector<Layer>& layers,
                     uint16_t version = 1) {
    Document doc;
    doc.version = version;
    doc.mode = mode;
    doc.channels = colours;
    doc.width = 4;
    doc.height = 1;
    doc.resources = kNoMergedData;
    doc.channelData.assign(colours, Bytes(4, 255));
    doc.layerSection =
        layeredtest::LayerAndMask(layeredtest::LayerInfo(layers, version == 2), version == 2);
    return doc;
}

LayeredComposite Read(const Bytes& file) {
    MemoryRasterSource source(file.data(), file.size());
    return ReadLayeredComposite(source);
}

std::vector<int> Row(const Pixels& p, int32_t c) {
    std::vector<int> v;
    for (uint32_t x = 0; x < p.Width(); ++x) {
        v.push_back(colortest::SampleAt(p, x, 0, c));
    }
    return v;
}

TEST(LayerCompositorTest, VisibleLayersBlendInOrderWithOpacityAndTransparencyOverWhite) {
    // Bottom: grey 100 over x 0-2. Above it: 200 at half opacity from x 2 to past the right
    // edge, transparent at x 2. A hidden layer and a layer inside a hidden group draw nothing.
    Layer half = Solid(2, 6, 200, 3);
    half.opacity = 128;
    half.channels.push_back({-1, {0, 255, 255, 255}});
    Layer hidden = Solid(0, 4, 0, 3);
    hidden.flags = 0x02;
    const std::vector<Layer> layers = {
        Solid(0, 3, 100, 3), half, hidden, GroupMarker(3, 0), Solid(0, 4, 0, 3),
        GroupMarker(1, 0x02)};
    for (uint16_t version : {1, 2}) {
        const LayeredComposite c = Read(Placeholder(kModeRGB, 3, layers, version).Build());
        EXPECT_EQ(c.source, CompositeSource::kLayers);
        // x 3: (200 * 128 + 255 * 127) / 255 over the white canvas.
        EXPECT_EQ(Row(*c.pixels, 0), (std::vector<int>{100, 100, 100, 227})) << version;
        EXPECT_EQ(Row(*c.pixels, 2), Row(*c.pixels, 0));
    }
    // CMYK layers are stored as 255 minus the ink, like the merged image: ink 100 on x 0-2,
    // none elsewhere.
    const LayeredComposite cmyk = Read(Placeholder(kModeCMYK, 4, {Solid(0, 3, 155, 4)}).Build());
    EXPECT_EQ(cmyk.source, CompositeSource::kLayers);
    EXPECT_EQ(Row(*cmyk.pixels, 3), (std::vector<int>{100, 100, 100, 0}));
}

// A fuzz finding: a layer whose rows hold no samples came with null row buffers, which the
// reader handed to memcpy (undefined even for no bytes, and reported by the sanitizer run).
TEST(LayerCompositorTest, LayerRowsWithoutSamplesAreReadWithoutCopying) {
    auto source =
        OpenFileRasterSource(rastertest::CorpusFile("fuzz-regressions/psd_read/null-row-buffer"));
    ASSERT_TRUE(source);
    const LayeredStructure structure = ReadLayeredStructure(*source);
    try {
        DrawVisibleLayers(*source, structure);
    } catch (const LayeredFormatError&) {
        // refusing the damaged document is as good as drawing it
    }
}

TEST(LayerCompositorTest, LayersThatCannotBeDrawnExactlyGiveWayToTheStoredThumbnail) {
    auto hopper = OpenFileRasterSource(rastertest::CorpusFile("psd/pil-hopper-rgb8-layers.psd"));
    ASSERT_NE(hopper, nullptr);
    const Bytes jpeg =
        ReadDocumentResources(*hopper, ReadLayeredStructure(*hopper).imageResources, true)
            .thumbnailJPEG;
    ASSERT_FALSE(jpeg.empty());
    Layer fill;  // a fill layer: settings, no pixels
    fill.blocks = layeredtest::TaggedBlock("SoCo", Bytes(8, 0));
    Layer softLight = Solid(0, 4, 50, 3);  // a blend mode drawn as normal
    softLight.blendMode = "sLit";
    Layer vectorMasked = Solid(0, 4, 50, 3);
    vectorMasked.channels.push_back({-3, {}});
    const std::vector<std::vector<Layer>> inexact = {
        {Solid(0, 4, 50, 3), fill}, {softLight}, {vectorMasked}};
    for (const std::vector<Layer>& layers : inexact) {
        Document doc = Placeholder(kModeRGB, 3, layers);
        EXPECT_EQ(Read(doc.Build()).source, CompositeSource::kLayers);  // as far as they go
        const Bytes thumbnail = layeredtest::ThumbnailResource(1036, jpeg);
        doc.resources.insert(doc.resources.end(), thumbnail.begin(), thumbnail.end());
        EXPECT_EQ(Read(doc.Build()).source, CompositeSource::kStoredThumbnail);
    }
    // Nothing drawable and no thumbnail: refused, never a blank page.
    EXPECT_THROW(Read(Placeholder(kModeRGB, 3, {fill}).Build()), LayeredFormatError);
    EXPECT_THROW(Read(Placeholder(kModeRGB, 3, {}).Build()), LayeredFormatError);
}

TEST(LayerCompositorTest, HostileLayerRecordsAreRefusedQuicklyWithoutLargeAllocations) {
    auto draw = [](const Bytes& file) {
        MemoryRasterSource source(file.data(), file.size());
        LayeredStructure structure = ReadLayeredStructure(source);
        return DrawVisibleLayers(source, structure);
    };
    const auto start = std::chrono::steady_clock::now();
    // A layer count the section cannot hold; a channel whose length runs past the section.
    Document doc = Placeholder(kModeRGB, 3, {Solid(0, 4, 50, 3)});
    Bytes& section = doc.layerSection;
    section[4] = 0x7F;
    EXPECT_THROW(draw(doc.Build()), LayeredFormatError);
    section[4] = 0;
    section[6 + 16 + 2 + 2] = 0x7F;  // first channel's length
    EXPECT_THROW(draw(doc.Build()), LayeredFormatError);
    // A layer two billion pixels wide (its rows would be allocated) and one whose PackBits
    // table points past the file: left out, not read.
    Layer wide = Solid(0, 4, 50, 3);
    wide.left = -2000000000;
    const LayerDrawing drawn = draw(Placeholder(kModeRGB, 3, {Solid(0, 4, 9, 3), wide}).Build());
    EXPECT_FALSE(drawn.exact);
    EXPECT_EQ(Row(*drawn.pixels, 0), (std::vector<int>{9, 9, 9, 9}));
    Document packed = Placeholder(kModeRGB, 3, {Solid(0, 4, 50, 3)});
    const size_t channelData = packed.layerSection.size() - 4 - 3 * 6;
    packed.layerSection[channelData + 1] = 1;  // PackBits, row count from the samples: 50 * 256
    EXPECT_EQ(draw(packed.Build()).pixels, nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST(LayerCompositorTest, ZipChannelsMasksClippingAndBlendModes) {
    const auto drawRow = [](const std::vector<Layer>& layers) {
        const LayeredComposite c = Read(Placeholder(kModeRGB, 3, layers).Build());
        EXPECT_EQ(c.source, CompositeSource::kLayers);
        return Row(*c.pixels, 1);
    };
    // Zip with and without prediction: the same samples as raw.
    Layer ramp = Solid(0, 4, 0, 3);
    for (auto& channel : ramp.channels) {
        channel.second = {10, 60, 200, 250};
    }
    for (uint16_t compression : {2, 3}) {
        ramp.compression = compression;
        EXPECT_EQ(drawRow({ramp}), (std::vector<int>{10, 60, 200, 250})) << compression;
    }
    // A user mask over x 1-2 (0 then 255), 255 beyond it: x 1 shows the white canvas. Switched
    // off, it changes nothing; its own zip data is read at the mask's width.
    Layer masked = Solid(0, 4, 200, 3);
    masked.compression = 3;
    masked.mask = {true, 0, 1, 1, 3, 255, 0};
    masked.channels.push_back({-2, {0, 255}});
    EXPECT_EQ(drawRow({masked}), (std::vector<int>{200, 255, 200, 200}));
    masked.mask.outside = 0;
    EXPECT_EQ(drawRow({masked}), (std::vector<int>{255, 255, 200, 255}));
    masked.mask.flags = 0x02;
    EXPECT_EQ(drawRow({masked}), (std::vector<int>{200, 200, 200, 200}));

    // Layer 200 over backdrop 100, by the modes' definitions (rounded to nearest).
    const std::pair<const char*, int> modes[] = {
        {"mul ", 78},  {"scrn", 222}, {"over", 157}, {"hLit", 188}, {"dark", 100}, {"lite", 200},
        {"diff", 100}, {"smud", 144}, {"lddg", 255}, {"lbrn", 45},  {"div ", 255}, {"idiv", 58},
    };
    for (const auto& [mode, expected] : modes) {
        Layer top = Solid(0, 4, 200, 3);
        top.blendMode = mode;
        EXPECT_EQ(drawRow({Solid(0, 4, 100, 3), top})[0], expected) << mode;
    }

    // Clipped to a base over x 0-1: the clipped layer shows there only; with its base hidden,
    // not at all.
    Layer clipped = Solid(0, 4, 20, 3);
    clipped.clipping = 1;
    Layer base = Solid(0, 2, 50, 3);
    EXPECT_EQ(drawRow({base, clipped}), (std::vector<int>{20, 20, 255, 255}));
    base.flags = 0x02;
    EXPECT_EQ(drawRow({Solid(3, 4, 90, 3), base, clipped}), (std::vector<int>{255, 255, 255, 90}));
}

// The documents of the corpus that have both: their layers drawn against their merged image.
TEST(LayerCompositorTest, LayersOfRealDocumentsRedrawTheirMergedImage) {
    struct Case {
        const char* file;
        double bound;  // mean difference per sample, measured
    };
    for (const Case& c :
         {Case{"psd/pil-hopper-rgb8-layers.psd", 0.0}, Case{"psd/psdt-gray1-gray8.psd", 0.5},
          Case{"psd/psdt-transparentbg-gimp.psd", 0.5}, Case{"psd/psdt-32bit5x5.psd", 0.5},
          Case{"psd/psdt-colormodes-4x4_8bit_lab.psd", 0.5}}) {
        SCOPED_TRACE(c.file);
        auto source = OpenFileRasterSource(rastertest::CorpusFile(c.file));
        ASSERT_NE(source, nullptr) << "missing test file " << c.file;
        const LayeredStructure structure = ReadLayeredStructure(*source);
        const PixelsPtr merged = ReadMergedImage(*source, structure);
        const LayerDrawing layers = DrawVisibleLayers(*source, structure);
        ASSERT_NE(layers.pixels, nullptr) << layers.why;
        EXPECT_TRUE(layers.exact) << layers.why;
        const double mean = rastertest::MeanDifference(rastertest::ToRgb(*layers.pixels),
                                                       rastertest::ToRgb(*merged));
        std::printf("%-40s mean difference %.2f\n", c.file, mean);
        EXPECT_LE(mean, c.bound);
    }
    // Gradient fills (16-bit layers in their own block): not drawn as shown.
    for (const char* file : {"psd/psdt-colormodes-4x4_16bit_rgb.psd"}) {
        auto source = OpenFileRasterSource(rastertest::CorpusFile(file));
        ASSERT_NE(source, nullptr) << "missing test file " << file;
        EXPECT_FALSE(DrawVisibleLayers(*source, ReadLayeredStructure(*source)).exact) << file;
    }
    // Cut inside the merged image, its layers intact: the whole picture from the layers.
    auto whole = OpenFileRasterSource(rastertest::CorpusFile("psd/pil-hopper-rgb8-layers.psd"));
    auto cut = OpenFileRasterSource(
        rastertest::CorpusFile("psd/derived-pil-hopper-truncated-in-composite.psd"));
    ASSERT_NE(cut, nullptr);
    const LayeredComposite fromCut = ReadLayeredComposite(*cut);
    EXPECT_EQ(fromCut.source, CompositeSource::kLayers);
    EXPECT_EQ(rastertest::MeanDifference(rastertest::ToRgb(*fromCut.pixels),
                                         rastertest::ToRgb(*ReadLayeredComposite(*whole).pixels)),
              0.0);
}

}  // namespace
}  // namespace ThumbMetaLib
