// Profiles, the working state, the sRGB shortcut, Lab, and the colour error.
#include <gtest/gtest.h>

#include <algorithm>

#include <lcms2.h>

#include "ThumbMetaLib/color/ColorProfile.h"
#include "ThumbMetaLib/color/ColorProfiles.h"
#include "ThumbMetaLib/color/ColorState.h"
#include "ThumbMetaLib/color/ConvertToOutput.h"
#include "ThumbMetaLib/color/HuekoException.h"
#include "ThumbMetaLib/tests/ColorTestSupport.h"

namespace {

using namespace ThumbMetaLib;

std::vector<uint8_t> SavedBytes(const ColorProfileHolder& profile) {
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile->Handle(), nullptr, &size);
    std::vector<uint8_t> bytes(size);
    cmsSaveProfileToMem(profile->Handle(), bytes.data(), &size);
    return bytes;
}

TEST(ColorProfilesTest, WideGamutProfileMatchesTheInstalledOneOfTheSameDefinition) {
    // Built from the published primaries; Ghostscript ships a profile of the same definition.
    const std::vector<uint8_t> a98 = colortest::ReadAll("/usr/share/color/icc/ghostscript/a98.icc");
    if (a98.empty()) {
        GTEST_SKIP() << "a98.icc not installed";
    }
    const colortest::Samples samples = colortest::SweepSamples(64, 64, 3);
    PixelsPtr ours = colortest::MakePixels(samples, kModeRGB, kLayoutInterleaved);
    PixelsPtr theirs = colortest::MakePixels(samples, kModeRGB, kLayoutInterleaved);
    ours = ConvertToOutput(ours, StandardProfile(kStandardProfileWideGamutRGB));
    theirs = ConvertToOutput(theirs, ProfileFromICC(a98.data(), a98.size()));
    colortest::Samples expected{64, 64, 3, {}};
    expected.bytes.assign(theirs->Bytes(), theirs->Bytes() + 64 * 64 * 3);
    const colortest::Difference d = colortest::Compare(*ours, expected, 3);
    std::printf("[ profile  ] built wide-gamut vs a98.icc: max %d levels, mean %.3f\n", d.maximum,
                d.mean);
    EXPECT_LE(d.maximum, 2);
    EXPECT_EQ(ProfileName(StandardProfile(kStandardProfileWideGamutRGB)), "Wide-gamut RGB (1998)");
}

TEST(ColorProfilesTest, ProfilesFromBytesAndByName) {
    const ColorProfileHolder srgb = StandardProfile(kStandardProfileSRGB);
    ASSERT_TRUE(srgb);
    EXPECT_FALSE(StandardProfile(FourCharCode("none")));

    // Valid bytes give a profile equal to the original; broken bytes give none.
    std::vector<uint8_t> bytes = SavedBytes(srgb);
    const ColorProfileHolder copy = ProfileFromICC(bytes.data(), bytes.size());
    ASSERT_TRUE(copy);
    EXPECT_TRUE(copy->SameAs(*srgb));
    EXPECT_FALSE(ProfileFromICC(bytes.data(), bytes.size() / 2));
    EXPECT_FALSE(ProfileFromICC(bytes.data(), 100));
    EXPECT_FALSE(ProfileFromICC(nullptr, 0));
    std::vector<uint8_t> garbage(bytes.size(), 0x5a);
    EXPECT_FALSE(ProfileFromICC(garbage.data(), garbage.size()));

    EXPECT_EQ(ProfileName(nullptr), "");
    const ColorProfileHolder found = FindProfileByName(ProfileName(srgb));
    ASSERT_TRUE(found);
    EXPECT_TRUE(found->SameAs(*srgb));
    EXPECT_FALSE(FindProfileByName("No Such Profile v0"));

    // Installed profiles are found by their description.
    auto installed = ColorState::Current()->InstalledProfiles();
    if (!installed->Entries().empty()) {
        const auto& entry = installed->Entries().front();
        const ColorProfileHolder byName = FindProfileByName(entry.name);
        ASSERT_TRUE(byName) << entry.name;
        EXPECT_EQ(ProfileName(byName), entry.name);
    }
}

TEST(ColorProfilesTest, AnUnknownColourSpaceSignatureFallsBackToTheWorkingProfile) {
    // Embedded profiles may claim any 32-bit colour space; such a profile never drives a
    // conversion, and the pixels are converted with the working profile of their mode.
    std::vector<uint8_t> bytes = SavedBytes(StandardProfile(kStandardProfileWideGamutRGB));
    const uint8_t bogus[4] = {0xb6, 0x07, 0x00, 0x00};
    std::copy(bogus, bogus + 4, bytes.begin() + 16);
    const ColorProfileHolder odd = ProfileFromICC(bytes.data(), bytes.size());
    if (odd) {
        EXPECT_EQ(odd->ColorSpace(), 0xb6070000u);
    }
    const colortest::Samples samples = colortest::SweepSamples(8, 8, 3);
    PixelsPtr viaOdd = colortest::MakePixels(samples, kModeRGB, kLayoutInterleaved);
    PixelsPtr viaNone = colortest::MakePixels(samples, kModeRGB, kLayoutInterleaved);
    viaOdd = ConvertToOutput(viaOdd, odd);
    viaNone = ConvertToOutput(viaNone, nullptr);
    EXPECT_TRUE(std::equal(viaOdd->Bytes(), viaOdd->Bytes() + 8 * 8 * 3, viaNone->Bytes()));
}

TEST(ColorProfilesTest, SRGBSourceIsOnlyMarkedAndOtherProfilesConvert) {
    const colortest::Samples samples = colortest::SweepSamples(31, 7, 3);
    const std::vector<uint8_t> bytes = SavedBytes(StandardProfile(kStandardProfileSRGB));
    for (int32_t layout : {kLayoutPlanar, kLayoutInterleaved}) {
        PixelsPtr pixels = colortest::MakePixels(samples, kModeRGB, layout);
        const std::vector<uint8_t> before(pixels->Bytes(), pixels->Bytes() + pixels->ByteCount());
        // An embedded copy of the same profile counts as the same profile.
        PixelsPtr result = ConvertToOutput(pixels, ProfileFromICC(bytes.data(), bytes.size()));
        EXPECT_EQ(result, pixels);
        EXPECT_TRUE(result->InOutputSpace());
        EXPECT_EQ(std::vector<uint8_t>(result->Bytes(), result->Bytes() + result->ByteCount()),
                  before);
    }
}

TEST(ColorProfilesTest, LabBecomesRGB) {
    // L* 100 is white, L* 0 black, L* 50 neutral mid-grey (sRGB 119); a*, b* are stored +128.
    colortest::Samples lab{3, 1, 3, {255, 128, 128, 0, 128, 128, 128, 128, 128}};
    for (int32_t layout : {kLayoutPlanar, kLayoutInterleaved}) {
        PixelsPtr result = ConvertToOutput(colortest::MakePixels(lab, kModeLab, layout), nullptr);
        EXPECT_EQ(result->Mode(), kModeRGB);
        EXPECT_EQ(result->Channels(), 3);
        for (int32_t c = 0; c < 3; ++c) {
            EXPECT_NEAR(colortest::SampleAt(*result, 0, 0, c), 255, 1);
            EXPECT_NEAR(colortest::SampleAt(*result, 1, 0, c), 0, 1);
            EXPECT_NEAR(colortest::SampleAt(*result, 2, 0, c), 119, 2);
        }
    }
}

TEST(ColorProfilesTest, UnsupportedBuffersRaiseTheColourError) {
    PixelsPtr indexed = Pixels::Create(4, 4, 1, kModeIndexed, kLayoutPlanar, true);
    try {
        ConvertToOutput(indexed, nullptr);
        FAIL() << "indexed pixels were converted";
    } catch (const HuekoException& e) {
        EXPECT_EQ(e.Code(), kHuekoUnsupportedPixels);
    }
    PixelsPtr empty = Pixels::Create(4, 4, 3, kModeRGB, kLayoutPlanar, false);
    EXPECT_THROW(ConvertToOutput(empty, nullptr), HuekoException);
    EXPECT_THROW(ConvertToOutput(nullptr, nullptr), HuekoException);
}

// Last in this file: stops the engine.
TEST(ColorProfilesTest, WithoutTheEngineEveryRequestFailsWithGen) {
    EXPECT_STREQ(HuekoException(FourCharCode("gen ")).what(),
                 "$$$/Loom/AlertText/HuekoError=A color management error has occurred.  "
                 "Error code: gen ");
    EXPECT_EQ(HuekoException::CodeText(7), "7");

    PixelsPtr gray = Pixels::Create(8, 8, 1, kModeGrayscale, kLayoutPlanar, true);
    ColorState::Terminate();
    EXPECT_FALSE(IsColorManagementOn());
    for (auto request : std::initializer_list<std::function<void()>>{
             [] { StandardProfile(kStandardProfileSRGB); },
             [] { FindProfileByName("sRGB built-in"); },
             [] { ProfileFromICC(nullptr, 0); },
             [&] { ConvertToOutput(gray, nullptr); },
         }) {
        try {
            request();
            ADD_FAILURE() << "no colour error without the engine";
        } catch (const HuekoException& e) {
            EXPECT_EQ(e.Code(), kHuekoNoEngine);
        }
    }
    ColorState::Start();
    EXPECT_TRUE(IsColorManagementOn());
    EXPECT_NO_THROW(ConvertToOutput(gray, nullptr));
}

}  // namespace
