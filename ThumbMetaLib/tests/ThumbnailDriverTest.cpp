// The thumbnail driver's paths: null and unknown handlers, fitting, the colour steps, the
// full-image path, the desktop and video fall-backs, and a real JPEG end to end.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

#include "ThumbMetaLib/color/ColorProfiles.h"
#include "ThumbMetaLib/color/ColorState.h"
#include "ThumbMetaLib/color/ConvertToOutput.h"
#include "ThumbMetaLib/engine/EngineStartup.h"
#include "ThumbMetaLib/engine/FBNullFileFormat.h"
#include "ThumbMetaLib/engine/ThumbnailDriver.h"
#include "ThumbMetaLib/engine/ThumbnailHooks.h"
#include "ThumbMetaLib/tests/ColorTestSupport.h"
#include "ThumbMetaLib/tests/EngineTestSupport.h"
#include "xmp/core/TXMPMeta.h"
#include "xmp/core/XMPConsts.h"

namespace ThumbMetaLib {
namespace {

using enginetest::FakeFormat;

PixelsPtr Filled(uint32_t width, uint32_t height, int32_t mode,
                 std::initializer_list<uint8_t> sample) {
    const int32_t channels = static_cast<int32_t>(sample.size());
    // One channel is a single plane; interleaving is for three or four.
    const int32_t layout = channels == 1 ? kLayoutPlanar : kLayoutInterleaved;
    PixelsPtr pixels = Pixels::Create(width, height, channels, mode, layout, true);
    for (uint32_t y = 0; y < height; ++y) {
        uint8_t* row = pixels->Bytes() + static_cast<size_t>(y) * pixels->RowBytes();
        for (uint32_t x = 0; x < width; ++x) {
            std::memcpy(row + static_cast<size_t>(x) * channels, sample.begin(), sample.size());
        }
    }
    return pixels;
}

PixelsPtr Copy(const Pixels& pixels) {
    PixelsPtr copy = Pixels::Create(pixels.Width(), pixels.Height(), pixels.Channels(),
                                    pixels.Mode(), pixels.Layout(), true);
    std::memcpy(copy->Bytes(), pixels.Bytes(), pixels.ByteCount());
    return copy;
}

class ThumbnailDriverTest : public ::testing::Test {
protected:
    void SetUp() override { ColorState::Start(); }
    void TearDown() override {
        SetDesktopThumbnailer(nullptr);
        SetVideoAvailability(nullptr);
    }

    PixelsPtr Thumbnail(FBFileFormatPtr handler, const std::string& path, uint32_t size,
                        bool preferFullImage = false) {
        return GetThumbnail(std::move(handler), path, size, options, isVideo, preferFullImage);
    }

    std::shared_ptr<FakeFormat> fake = std::make_shared<FakeFormat>("fake");
    ThumbOptions options;
    bool isVideo = true;  // the driver must clear it
};

TEST_F(ThumbnailDriverTest, NamesWithoutThumbnailsGiveNothingWithStatusMinusOne) {
    options.status = 0;
    for (const char* path :
         {"notes.txt", "x.xmp", "/p/._photo.jpg", "/missing/scan.tif", "README"}) {
        EXPECT_EQ(Thumbnail(nullptr, path, 256), nullptr) << path;
        EXPECT_EQ(options.status, -1);
        EXPECT_FALSE(isVideo);
    }
}

TEST_F(ThumbnailDriverTest, EnginePathFitsTheSizeAndLeavesInSRGB) {
    fake->pixels = Filled(1000, 500, kModeRGB, {200, 100, 50});
    options.status = 7;
    const PixelsPtr result = Thumbnail(fake, "/a/b.fake", 256);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->Width(), 256u);
    EXPECT_EQ(result->Height(), 128u);
    EXPECT_TRUE(result->InOutputSpace());
    EXPECT_EQ(options.status, 0);
    ASSERT_EQ(fake->calls.size(), 1u);
    EXPECT_EQ(fake->calls[0].path, "/a/b.fake");
    EXPECT_EQ(fake->calls[0].size, 256u);
    EXPECT_EQ(fake->calls[0].statusOnEntry, -1);
}

TEST_F(ThumbnailDriverTest, FullImagePathKeepsTheSizeAndUsesFreshOptions) {
    fake->pixels = Filled(1000, 500, kModeRGB, {1, 2, 3});
    options.page = 3;
    const PixelsPtr result = Thumbnail(fake, "/a/b.fake", 256, true);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->Width(), 1000u);
    EXPECT_EQ(fake->calls.at(0).page, -1);
    EXPECT_EQ(options.status, 0);
}

TEST_F(ThumbnailDriverTest, TheEmbeddedProfileIsTheSource) {
    const ColorProfileHolder wide = StandardProfile(kStandardProfileWideGamutRGB);
    fake->embedded = wide;
    fake->pixels = Filled(8, 8, kModeRGB, {100, 150, 200});
    const PixelsPtr expected = ConvertToOutput(Copy(*fake->pixels), wide);
    const PixelsPtr result = Thumbnail(fake, "/a/b.fake", 256);
    ASSERT_NE(result, nullptr);
    ASSERT_EQ(result->ByteCount(), expected->ByteCount());
    EXPECT_EQ(std::memcmp(result->Bytes(), expected->Bytes(), expected->ByteCount()), 0);
    EXPECT_NE(result->Bytes()[0], 100);  // a conversion from sRGB would have kept it
}

// The profile a file's XMP names wins over the embedded one and marks where it came from.
TEST_F(ThumbnailDriverTest, TheProfileNamedInTheMetadataIsTheSource) {
    const ColorProfileHolder wide = StandardProfile(kStandardProfileWideGamutRGB);
    fake->embedded = StandardProfile(kStandardProfileSRGB);
    fake->pixels = Filled(8, 8, kModeRGB, {100, 150, 200});
    options.metadata = std::make_shared<xmp::TXMPMeta>();
    options.metadata->SetProperty(xmp::ns::kPictorium, "ICCProfile", wide->Description(), 0);
    const PixelsPtr expected = ConvertToOutput(Copy(*fake->pixels), wide);
    const PixelsPtr result = Thumbnail(fake, "/a/b.fake", 256);
    ASSERT_NE(result, nullptr);
    ASSERT_EQ(result->ByteCount(), expected->ByteCount());
    EXPECT_EQ(std::memcmp(result->Bytes(), expected->Bytes(), expected->ByteCount()), 0);
    EXPECT_EQ(options.profileSource, kProfileFromMetadata);

    // A name no installed profile carries leaves the embedded profile in charge.
    options = ThumbOptions{};
    options.metadata = std::make_shared<xmp::TXMPMeta>();
    options.metadata->SetProperty(xmp::ns::kPictorium, "ICCProfile", "No Such Profile", 0);
    fake->pixels = Filled(8, 8, kModeRGB, {100, 150, 200});
    const PixelsPtr unchanged = Thumbnail(fake, "/a/b.fake", 256);
    ASSERT_NE(unchanged, nullptr);
    EXPECT_EQ(unchanged->Bytes()[0], 100);
    EXPECT_EQ(options.profileSource, kProfileFromPixels);
}

TEST_F(ThumbnailDriverTest, CMYKAndGrayAreAlwaysConvertedAndOutputPixelsLeftAlone) {
    fake->pixels = Filled(4, 4, kModeCMYK, {0, 0, 0, 0});  // no ink
    PixelsPtr result = Thumbnail(fake, "/a/b.fake", 256);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->Mode(), kModeRGB);
    EXPECT_TRUE(result->InOutputSpace());
    EXPECT_GT(result->Bytes()[0], 230);

    fake->pixels = Filled(4, 4, kModeGrayscale, {128});
    result = Thumbnail(fake, "/a/b.fake", 256);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->Mode(), kModeGrayscale);
    EXPECT_TRUE(result->InOutputSpace());

    fake->pixels = Filled(4, 4, kModeRGB, {10, 20, 30});
    fake->pixels->SetInOutputSpace(true);
    fake->embedded = StandardProfile(kStandardProfileWideGamutRGB);
    result = Thumbnail(fake, "/a/b.fake", 256);
    ASSERT_EQ(result, fake->pixels);
    EXPECT_EQ(result->Bytes()[0], 10);
}

TEST_F(ThumbnailDriverTest, EmptyOrFailingHandlersGiveNothing) {
    fake->pixels = Pixels::Create(0, 5, 3, kModeRGB, kLayoutInterleaved, false);
    EXPECT_EQ(Thumbnail(fake, "/a/b.fake", 256), nullptr);
    EXPECT_EQ(options.status, -1);
    fake->pixels = Filled(4, 4, kModeRGB, {1, 2, 3});
    fake->onThumbnail = [] { throw std::runtime_error("broken file"); };
    EXPECT_EQ(Thumbnail(fake, "/a/b.fake", 256), nullptr);
    EXPECT_EQ(options.status, -1);
}

TEST_F(ThumbnailDriverTest, UnclaimedFilesGoToTheDesktopAndVideosToTheMainThread) {
    std::vector<std::string> asked;
    const PixelsPtr desktop = Filled(16, 16, kModeRGB, {9, 9, 9});
    SetDesktopThumbnailer([&](const std::string& path, uint32_t size) {
        asked.push_back(path + "@" + std::to_string(size));
        return path.find("shown") != std::string::npos ? desktop : nullptr;
    });
    EXPECT_EQ(Thumbnail(nullptr, "/d/shown.xyz", 128), desktop);
    EXPECT_FALSE(isVideo);
    EXPECT_EQ(options.status, 0);

    // Videos the desktop cannot show are marked for the video path.
    EXPECT_EQ(Thumbnail(nullptr, "/d/clip.WMV", 128), nullptr);
    EXPECT_TRUE(isVideo);
    EXPECT_EQ(Thumbnail(nullptr, "/d/clip.mov", 128), nullptr);
    EXPECT_TRUE(isVideo);
    EXPECT_EQ(Thumbnail(nullptr, "/d/file.xyz", 128), nullptr);
    EXPECT_FALSE(isVideo);
    EXPECT_EQ(asked, (std::vector<std::string>{"/d/shown.xyz@128", "/d/clip.WMV@128",
                                               "/d/clip.mov@128", "/d/file.xyz@128"}));

    // With frames available, mov and avi skip the desktop altogether.
    SetVideoAvailability([] { return true; });
    asked.clear();
    EXPECT_EQ(Thumbnail(nullptr, "/d/clip.AVI", 128), nullptr);
    EXPECT_TRUE(isVideo);
    EXPECT_EQ(Thumbnail(nullptr, "/d/clip.mp4", 128), nullptr);
    EXPECT_TRUE(isVideo);
    // The desktop's containers behave as MP4 does.
    EXPECT_EQ(Thumbnail(nullptr, "/d/clip.webm", 128), nullptr);
    EXPECT_TRUE(isVideo);
    EXPECT_EQ(Thumbnail(nullptr, "/d/clip.MKV", 128), nullptr);
    EXPECT_TRUE(isVideo);
    EXPECT_EQ(asked,
              (std::vector<std::string>{"/d/clip.mp4@128", "/d/clip.webm@128", "/d/clip.MKV@128"}));

    // TIFF reaches the unknown handler only when a caller names it; the desktop is not asked.
    asked.clear();
    EXPECT_EQ(Thumbnail(FBUnknownFileFormat::Instance(), "/d/scan.tif", 128), nullptr);
    EXPECT_TRUE(asked.empty());
}

TEST_F(ThumbnailDriverTest, AJPEGFileBecomesAFittedSRGBThumbnail) {
    colortest::ScratchFolder folder;
    ASSERT_TRUE(folder.Ok());
    const std::string path = folder.File("Photo.JPG");
    ASSERT_TRUE(colortest::Run("convert -size 1200x800 gradient:red-blue -quality 90 " + path))
        << "ImageMagick's convert is needed to make " << path;
    RegisterStandardFormats();
    const PixelsPtr result = Thumbnail(nullptr, path, 256);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->Width(), 256u);
    EXPECT_EQ(result->Height(), 170u);
    EXPECT_EQ(result->Mode(), kModeRGB);
    EXPECT_TRUE(result->InOutputSpace());
    EXPECT_EQ(options.status, 0);
}

}  // namespace
}  // namespace ThumbMetaLib
