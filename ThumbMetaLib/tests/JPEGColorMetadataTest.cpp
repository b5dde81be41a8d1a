// What the JPEG handler learns about a file's colour while decoding: embedded ICC profiles
// assembled from their chunks, the Exif colour space and interoperability index with their
// default profiles, the colour-management marker, and the converted result against jpgicc.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "ColorTestSupport.h"
#include "JPEGTestSupport.h"
#include "ThumbMetaLib/color/ColorProfiles.h"
#include "ThumbMetaLib/color/ColorState.h"
#include "ThumbMetaLib/color/ConvertToOutput.h"
#include "ThumbMetaLib/formats/jpeg/DecodeJPEG.h"
#include "ThumbMetaLib/formats/jpeg/FBJPEGStream.h"

using namespace ThumbMetaLib;
using jpegtest::TiffBuilder;

namespace {

struct Collected {
    PixelsPtr pixels;
    ThumbImageInfo info;
    bool profileFound = false;
    ColorProfileHolder profile;
};

Collected DecodeWithMetadata(const std::vector<uint8_t>& jpeg, uint32_t size = 0) {
    Collected c;
    JPEGMemorySource source(jpeg.data(), jpeg.size());
    c.pixels = DecodeJPEG(source, size, &c.info);
    c.profileFound = source.GetMetaDataHandler()->ProfileFound();
    c.profile = source.GetMetaDataHandler()->Profile();
    return c;
}

// An Exif payload with the given ColorSpace and interoperability index.
std::vector<uint8_t> ExifColor(uint16_t colorSpace, const char* interop) {
    TiffBuilder tiff;
    const uint32_t first = tiff.AddDirectory({{0x8769, 4, 1, 0}});
    const uint32_t exif = tiff.AddDirectory({{0xA001, 3, 1, colorSpace}, {0xA005, 4, 1, 0}});
    uint32_t index = 0;
    std::memcpy(&index, interop, 4);
    const uint32_t interopDir = tiff.AddDirectory({{0x0001, 2, 4, index}});
    tiff.Patch32(first + 2 + 8, exif);
    tiff.Patch32(exif + 2 + 12 + 8, interopDir);
    return tiff.ExifPayload();
}

std::vector<uint8_t> ICCChunk(uint8_t sequence, uint8_t count, const uint8_t* data, size_t size) {
    std::vector<uint8_t> out(14 + size);
    std::memcpy(out.data(), "ICC_PROFILE", 12);  // with its zero byte
    out[12] = sequence;
    out[13] = count;
    if (size != 0)
        std::memcpy(out.data() + 14, data, size);
    return out;
}

std::vector<uint8_t> SRGBProfileBytes() {
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(srgb, nullptr, &size);
    std::vector<uint8_t> bytes(size);
    cmsSaveProfileToMem(srgb, bytes.data(), &size);
    cmsCloseProfile(srgb);
    return bytes;
}

}  // namespace

TEST(JPEGColorMetadata, ExifColorSpaceAndInteroperabilityChooseTheDefaultProfile) {
    const auto image = jpegtest::EncodeGradient(32, 32);
    const auto state = ColorState::Current();
    struct Case {
        uint16_t space;
        const char* interop;
        const ColorProfileHolder* expected;
    };
    for (const Case& c :
         {Case{1, "XXX", &state->SRGBProfile()}, Case{0xFFFF, "R98", &state->SRGBProfile()},
          Case{1, "R03", &state->WideGamutRGBProfile()}, Case{0xFFFF, "XXX", nullptr}}) {
        SCOPED_TRACE(std::to_string(c.space) + " " + c.interop);
        const auto got =
            DecodeWithMetadata(jpegtest::WithSegment(image, 1, ExifColor(c.space, c.interop)));
        ASSERT_NE(got.pixels, nullptr);
        EXPECT_EQ(got.profileFound, c.expected != nullptr);
        if (c.expected != nullptr) {
            ASSERT_NE(got.profile, nullptr);
            EXPECT_TRUE(got.profile->SameAs(**c.expected));
            EXPECT_EQ(got.info.profileName, ProfileName(*c.expected));
        }
    }
}

TEST(JPEGColorMetadata, ICCChunksAssembleInArrivalOrderAndBadChunksAreRefused) {
    const auto image = jpegtest::EncodeGradient(32, 32);
    const auto icc = SRGBProfileBytes();
    const size_t half = icc.size() / 2;
    // Two chunks after SOI, in file order (WithSegment inserts at the front, so the last
    // inserted comes first).
    auto twoChunks =
        jpegtest::WithSegment(image, 2, ICCChunk(2, 2, icc.data() + half, icc.size() - half));
    twoChunks = jpegtest::WithSegment(twoChunks, 2, ICCChunk(1, 2, icc.data(), half));
    const auto whole = DecodeWithMetadata(twoChunks);
    EXPECT_TRUE(whole.profileFound);
    ASSERT_NE(whole.profile, nullptr);
    EXPECT_EQ(whole.profile->ColorSpace(), uint32_t(cmsSigRgbData));

    // A missing chunk, and chunk counts of 0 and 255, leave the file without a profile.
    EXPECT_FALSE(
        DecodeWithMetadata(jpegtest::WithSegment(image, 2, ICCChunk(1, 2, icc.data(), half)))
            .profileFound);
    EXPECT_FALSE(
        DecodeWithMetadata(jpegtest::WithSegment(image, 2, ICCChunk(1, 0, icc.data(), icc.size())))
            .profileFound);
    EXPECT_FALSE(
        DecodeWithMetadata(jpegtest::WithSegment(image, 2, ICCChunk(3, 2, icc.data(), icc.size())))
            .profileFound);
    EXPECT_FALSE(
        DecodeWithMetadata(jpegtest::WithSegment(image, 2, ICCChunk(1, 255, icc.data(), half)))
            .profileFound);

    // Corpus files: many chunks, a second profile after the frame, out of order, missing.
    for (const char* name :
         {"jpeg/pil-icc_profile_big-progressive.jpg", "jpeg/mei-Multiple_ICC_segments-ycck.jpg"}) {
        const std::string path = jpegtest::Corpus(name);
        ASSERT_TRUE(std::filesystem::exists(path)) << "missing corpus file " << path;
        EXPECT_TRUE(DecodeWithMetadata(colortest::ReadAll(path)).profileFound) << name;
    }
    // Out of order and missing chunks, and two seven-byte fragments that are no profile.
    for (const char* name : {"jpeg/jd-icc_chunk_order.jpeg", "jpeg/jd-icc_missing_chunk.jpeg",
                             "jpeg/pil-icc-after-SOF.jpg"}) {
        const std::string path = jpegtest::Corpus(name);
        ASSERT_TRUE(std::filesystem::exists(path)) << "missing corpus file " << path;
        const auto got = DecodeWithMetadata(colortest::ReadAll(path));
        EXPECT_NE(got.pixels, nullptr) << name;  // the image decodes whatever its profile
    }
}

TEST(JPEGColorMetadata, ColorMarkerSetsTheOutputSpaceFlag) {
    const auto image = jpegtest::EncodeGradient(32, 32);
    for (uint8_t flag : {0, 1}) {
        const std::vector<uint8_t> mark = {'Q', 'u', 'a', 'r', 'n', '_', 'C', 'M', 0, flag};
        const auto got = DecodeWithMetadata(jpegtest::WithSegment(image, 11, mark));
        ASSERT_NE(got.pixels, nullptr);
        EXPECT_EQ(got.pixels->InOutputSpace(), flag != 0);
    }
    // Too short to hold the flag byte: ignored.
    const std::vector<uint8_t> shortMark = {'Q', 'u', 'a', 'r', 'n', '_', 'C', 'M', 0};
    EXPECT_FALSE(
        DecodeWithMetadata(jpegtest::WithSegment(image, 11, shortMark)).pixels->InOutputSpace());
}

TEST(JPEGColorMetadata, ConvertedPixelsMatchJpgicc) {
    colortest::ScratchFolder scratch;
    ASSERT_TRUE(scratch.Ok());
    ASSERT_TRUE(colortest::Run("command -v jpgicc && command -v convert"));
    // An embedded RGB profile over 7 chunks, and a CMYK file with its profile over 9 chunks.
    for (const char* name :
         {"jpeg/pil-icc_profile_big-progressive.jpg", "jpeg/mei-Multiple_ICC_segments-ycck.jpg"}) {
        SCOPED_TRACE(name);
        const std::string path = jpegtest::Corpus(name);
        ASSERT_TRUE(std::filesystem::exists(path)) << "missing corpus file " << path;
        const auto got = DecodeWithMetadata(colortest::ReadAll(path));
        ASSERT_NE(got.pixels, nullptr);
        ASSERT_TRUE(got.profileFound);
        const auto converted = ConvertToOutput(got.pixels, got.profile);
        ASSERT_NE(converted, nullptr);
        ASSERT_TRUE(colortest::Run("jpgicc -q 100 '" + path + "' '" + scratch.File("ref.jpg") +
                                   "' && convert '" + scratch.File("ref.jpg") + "' -depth 8 rgb:'" +
                                   scratch.File("ref.rgb") + "'"));
        colortest::Samples ref{converted->Width(), converted->Height(), 3,
                               colortest::ReadAll(scratch.File("ref.rgb"))};
        const double mean = colortest::Compare(*converted, ref, 3).mean;
        EXPECT_LT(mean, 2.0);  // measured 0.33 (RGB) and 0.25 (CMYK)
    }
}
