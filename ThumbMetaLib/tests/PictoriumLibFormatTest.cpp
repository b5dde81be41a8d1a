// The layered-raster handler: stored thumbnails against exiftool, the fallbacks of damaged and
// composite-less documents, image information, the embedded profile, XMP, the format names, the
// reader's start step and one request at a time inside the readers.
#include <gtest/gtest.h>

#include <thread>

#include "TXMPMeta.h"
#include "ThumbMetaLib/formats/io/RasterSource.h"
#include "ThumbMetaLib/formats/layered/DocumentResources.h"
#include "ThumbMetaLib/formats/layered/LayeredComposite.h"
#include "ThumbMetaLib/formats/pictorium/PictoriumLibFormatImp.h"
#include "ThumbMetaLib/formats/pictorium/ReaderPreferences.h"
#include "ThumbMetaLib/tests/LayeredDocumentBuilder.h"
#include "ThumbMetaLib/tests/RasterTestSupport.h"

namespace ThumbMetaLib {
namespace {

using layeredtest::Bytes;

DocumentResources ResourcesOf(const std::string& path) {
    auto source = OpenFileRasterSource(path);
    EXPECT_NE(source, nullptr) << path;
    const LayeredStructure structure = ReadLayeredStructure(*source);
    return ReadDocumentResources(*source, structure.imageResources, true);
}

// The first pixel of a buffer, as its first three channels.
std::vector<int> FirstPixel(const Pixels& p) {
    return {colortest::SampleAt(p, 0, 0, 0), colortest::SampleAt(p, 0, 0, 1),
            colortest::SampleAt(p, 0, 0, 2)};
}

class PictoriumLibFormatTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(scratch.Ok()); }

    std::string Write(const std::string& name, const Bytes& bytes) {
        const std::string path = scratch.File(name);
        colortest::WriteAll(path, bytes);
        return path;
    }

    std::shared_ptr<PictoriumLibFormat> handler = PictoriumLibFormat::Instance();
    colortest::ScratchFolder scratch;
};

TEST_F(PictoriumLibFormatTest, StoredThumbnailsAreTheBytesExiftoolFindsAndDecode) {
    for (const char* file : {"psd/pil-hopper-rgb8-layers.psd", "psd/psdt-0layers.psb",
                             "psd/psdt-gray1-gray8.psd", "psd/psdt-32bit5x5.psd"}) {
        const std::string path = rastertest::CorpusFile(file);
        const std::string exiftool = scratch.File("thumb.jpg");
        ASSERT_TRUE(
            colortest::Run("(exiftool -b -PhotoshopThumbnail '" + path + "' > " + exiftool + ")"))
            << "exiftool is needed for " << path;
        EXPECT_EQ(ResourcesOf(path).thumbnailJPEG, colortest::ReadAll(exiftool)) << path;

        ThumbImageInfo info;
        const PixelsPtr quick = handler->CreateQuickThumbnail(path, info);
        ASSERT_NE(quick, nullptr) << path;
        test::RgbImage reference;
        ASSERT_TRUE(colortest::Run("djpeg -dct float -nosmooth -ppm -outfile " +
                                   scratch.File("t.ppm") + " " + exiftool));
        ASSERT_TRUE(test::ReadPpm(scratch.File("t.ppm"), reference));
        EXPECT_LE(rastertest::MeanDifference(rastertest::ToRgb(*quick), reference), 1.0) << path;
        // The document's own size, not the thumbnail's.
        FBImageInfo full;
        ASSERT_TRUE(handler->GetImageInfo(path, full));
        EXPECT_EQ(int32_t(info.width), full.width) << path;
    }
    // TIFF files have no stored thumbnail, even when one is really a layered document.
    ThumbImageInfo info;
    EXPECT_EQ(
        handler->CreateQuickThumbnail(rastertest::CorpusFile("tiff/libtiff-rgb-3c-8b.tiff"), info),
        nullptr);
    const Bytes psd = colortest::ReadAll(rastertest::CorpusFile("psd/pil-hopper-rgb8-layers.psd"));
    EXPECT_EQ(handler->CreateQuickThumbnail(Write("renamed.tif", psd), info), nullptr);
}

TEST_F(PictoriumLibFormatTest, DocumentsWithoutAMergedImageGiveTheirStoredThumbnail) {
    // Resource 1036 and the same JPEG as 1033 (red and blue the other way round), in documents
    // whose version info says there is no real merged image.
    const Bytes jpeg =
        ResourcesOf(rastertest::CorpusFile("psd/pil-hopper-rgb8-layers.psd")).thumbnailJPEG;
    ASSERT_FALSE(jpeg.empty());
    layeredtest::Document doc;
    doc.channelData = {{255, 255, 255, 255}, {255, 255, 255, 255}, {255, 255, 255, 255}};
    const Bytes noMergedData = layeredtest::Resource(1057, {0, 0, 0, 1, 0});
    std::vector<int> straight;
    for (uint16_t id : {1036, 1033}) {
        doc.resources = noMergedData;
        const Bytes thumbnail = layeredtest::ThumbnailResource(id, jpeg);
        doc.resources.insert(doc.resources.end(), thumbnail.begin(), thumbnail.end());
        const Bytes file = doc.Build();
        MemoryRasterSource source(file.data(), file.size());
        const LayeredComposite c = ReadLayeredComposite(source);
        EXPECT_EQ(c.source, CompositeSource::kStoredThumbnail);
        std::vector<int> pixel = FirstPixel(*c.pixels);
        if (id == 1036) {
            straight = pixel;
        } else {
            EXPECT_EQ(pixel, (std::vector<int>{straight[2], straight[1], straight[0]}));
        }
    }
    // The corpus's documents of this kind: never the blank placeholder.
    ThumbOptions options;
    const PixelsPtr p = handler->CreateThumbnail(
        rastertest::CorpusFile("psd/psdt-unicode_pathname-no-composite.psd"), 256, options);
    ASSERT_NE(p, nullptr);
    const test::RgbImage rgb = rastertest::ToRgb(*p);
    EXPECT_NE(std::count(rgb.rgb.begin(), rgb.rgb.end(), 255), ptrdiff_t(rgb.rgb.size()));
}

TEST_F(PictoriumLibFormatTest, DamagedFilesGiveTheirLayersOrNothing) {
    ThumbOptions options;
    // Cut inside the merged image: its intact layers stand in (LayerCompositorTest).
    const std::string cut =
        rastertest::CorpusFile("psd/derived-pil-hopper-truncated-in-composite.psd");
    EXPECT_NE(handler->CreateThumbnail(cut, 256, options), nullptr);
    // A header whose image is larger than the file can hold, and no thumbnail: nothing.
    EXPECT_EQ(
        handler->CreateThumbnail(
            rastertest::CorpusFile("psd/pil-combined_larger_than_size-corrupt.psd"), 256, options),
        nullptr);
    // Neither a layered document nor TIFF.
    EXPECT_EQ(handler->CreateThumbnail(Write("text.psd", {'h', 'i'}), 256, options), nullptr);
}

TEST_F(PictoriumLibFormatTest, ImageInformationProfileAndXMP) {
    FBImageInfo info;
    ASSERT_TRUE(handler->GetImageInfo(
        rastertest::CorpusFile("psd/psdt-colormodes-4x4_16bit_rgb.psd"), info));
    EXPECT_EQ(info.width, 4);
    EXPECT_EQ(info.bitsPerChannel, 16);
    EXPECT_EQ(info.mode, kModeRGB);
    EXPECT_EQ(info.modeName, "RGB");
    ASSERT_TRUE(handler->GetImageInfo(rastertest::CorpusFile("tiff/pil-hopper-Lab-xmp.tif"), info));
    EXPECT_EQ(info.mode, kModeLab);
    EXPECT_EQ(info.width, 128);

    // A 16-bit document gives 8-bit pixels and its embedded profile, until the thread's next
    // file, which has none.
    ThumbOptions options;
    const PixelsPtr deep = handler->CreateThumbnail(
        rastertest::CorpusFile("psd/psdt-colormodes-4x4_16bit_rgb.psd"), 256, options);
    ASSERT_NE(deep, nullptr);
    EXPECT_EQ(deep->Width(), 4u);
    EXPECT_TRUE(handler->HasEmbeddedProfile());
    ASSERT_NE(handler->GetEmbeddedProfile(), nullptr);
    EXPECT_EQ(handler->GetEmbeddedProfile()->Description(), "sRGB IEC61966-2.1");
    ASSERT_NE(handler->CreateThumbnail(rastertest::CorpusFile("tiff/libtiff-rgb-3c-8b.tiff"), 256,
                                       options),
              nullptr);
    EXPECT_FALSE(handler->HasEmbeddedProfile());

    // XMP from the document's resource and from TIFF tag 700; the service reads it through the
    // XMP layer, so the handler does not offer direct access.
    EXPECT_FALSE(handler->SupportsDirectXMPRead());
    EXPECT_FALSE(handler->SupportsDirectXMPWrite());
    for (const char* file : {"tiff/pil-hopper-Lab-xmp.tif", "psd/pil-hopper-rgb8-layers.psd"}) {
        xmp::TXMPMeta meta;
        bool found = false;
        EXPECT_EQ(handler->DoDirectXMPRead(rastertest::CorpusFile(file), meta, found), 0);
        EXPECT_TRUE(found) << file;
    }
}

TEST_F(PictoriumLibFormatTest, FormatNamesFollowTheContent) {
    using Imp = PictoriumLibFormatImp;
    const auto nameOf = [](const std::string& path) {
        auto source = OpenFileRasterSource(path);
        return std::string(Imp::FormatName(Imp::KindOf(*source)) ?: "none");
    };
    EXPECT_EQ(nameOf(rastertest::CorpusFile("psd/psdt-0layers.psb")), "pictorium35Format");
    EXPECT_EQ(nameOf(rastertest::CorpusFile("tiff/libtiff-quad-tile-jpeg.tiff")), "TIFFFormat");
    EXPECT_EQ(nameOf(Write("x.tif", {'G', 'I', 'F', '8'})), "none");
}

TEST_F(PictoriumLibFormatTest, StartStepFindsItsFoldersAndRunsOnce) {
    std::filesystem::create_directory(scratch.File("Presets"));
    auto params = TMLInitParams::ForService(nullptr, scratch.File(""), "VantoryQX3");
    const ReaderPreferences p = BuildReaderPreferences(&params);
    EXPECT_EQ(p.memoryUsagePercent, 20);
    EXPECT_TRUE(p.freeUnusedVMOnLastImage && p.delayScratchDiskAllocation);
    // Only the sub-folders that exist ("Color Books" does not).
    EXPECT_EQ(p.extraPresetsPaths, (std::vector<std::string>{scratch.File("Presets")}));
    EXPECT_EQ(p.pluginFolder, scratch.File("Plug-Ins"));

    StartLayeredReader();
    StartLayeredReader();
    EXPECT_TRUE(LayeredReaderStarted());
    handler->ShutDown();
    EXPECT_FALSE(LayeredReaderStarted());
    FBImageInfo info;  // the next use starts it again
    handler->GetImageInfo(rastertest::CorpusFile("psd/psdt-0layers.psb"), info);
    EXPECT_TRUE(LayeredReaderStarted());
}

TEST_F(PictoriumLibFormatTest, ConcurrentRequestsGetTheSameComposite) {
    const std::string path = rastertest::CorpusFile("psd/psdt-gray1-gray8.psd");
    std::vector<PixelsPtr> results(4);
    std::vector<std::thread> workers;
    for (PixelsPtr& result : results) {
        workers.emplace_back([&] {
            ThumbOptions options;
            result = handler->CreateThumbnail(path, 256, options);
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    for (const PixelsPtr& result : results) {
        ASSERT_NE(result, nullptr);
        EXPECT_EQ(
            rastertest::MeanDifference(rastertest::ToRgb(*result), rastertest::ToRgb(*results[0])),
            0.0);
    }
}

}  // namespace
}  // namespace ThumbMetaLib
