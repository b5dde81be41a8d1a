// What every handler inherits: the claim rule over codes and extensions, the read-type list,
// and the defaults of the optional operations.
#include <gtest/gtest.h>

#include "ThumbMetaLib/tests/EngineTestSupport.h"

namespace ThumbMetaLib {
namespace {

using enginetest::FakeFormat;

constexpr OSCode kJPEG = MakeOSCode("JPEG");
constexpr OSCode kCreator = MakeOSCode("8BIM");

TEST(FileFormatBaseTest, PairsThenTypesThenExtensionsClaimAFile) {
    FakeFormat pairs("pairs");
    pairs.AddCreatorType(kCreator, kJPEG);
    EXPECT_TRUE(pairs.Matches(kCreator, kJPEG, ""));
    EXPECT_FALSE(pairs.Matches(kCreator, MakeOSCode("TIFF"), ""));
    EXPECT_FALSE(pairs.Matches(MakeOSCode("ABCD"), kJPEG, ""));

    FakeFormat anyCreator("any creator");
    anyCreator.AddCreatorType(kWildcardCode, kJPEG);
    EXPECT_TRUE(anyCreator.Matches(MakeOSCode("ABCD"), kJPEG, ""));
    EXPECT_FALSE(anyCreator.Matches(MakeOSCode("ABCD"), 0, ""));

    FakeFormat anyType("any type");
    anyType.AddCreatorType(kCreator, kWildcardCode);
    EXPECT_TRUE(anyType.Matches(kCreator, 0, ""));
    EXPECT_FALSE(anyType.Matches(0, 0, ""));

    FakeFormat types("types");
    types.AddFileType(kJPEG);
    EXPECT_TRUE(types.Matches(0, kJPEG, ""));
    EXPECT_FALSE(types.Matches(kJPEG, 0, ""));  // a creator is not a type

    // What the matching rules pass: no codes, so only wildcards and extensions decide.
    FakeFormat wildcard("wildcard");
    wildcard.AddCreatorType(kWildcardCode, kWildcardCode);
    EXPECT_TRUE(wildcard.Matches(0, 0, "anything"));
    EXPECT_TRUE(wildcard.CanHandle("/x/y", 0, 0, ""));

    auto extensions = FakeFormat::Claiming("extensions", {"JPG", ".Jpeg"});
    EXPECT_TRUE(extensions->Matches(0, 0, "jpg"));
    EXPECT_TRUE(extensions->Matches(0, 0, "JPEG"));
    EXPECT_FALSE(extensions->Matches(0, 0, "jp"));
    EXPECT_FALSE(extensions->Matches(0, 0, "jpgx"));
    EXPECT_FALSE(extensions->Matches(0, 0, ""));
}

TEST(FileFormatBaseTest, ReadTypesListPairsTypesAndExtensionsWithoutWildcards) {
    FakeFormat format("listed");
    format.AddExtension("PSD");
    format.AddFileType(MakeOSCode("8BPS"));
    format.AddFileType(kWildcardCode);
    format.AddCreatorType(kWildcardCode, kWildcardCode);
    format.AddCreatorType(kCreator, kWildcardCode);
    format.AddCreatorType(MakeOSCode("pJPG"), kJPEG);
    const std::vector<std::string> expected = {"8BIM", "    ", "pJPG", "JPEG", "8BPS", "psd"};
    EXPECT_EQ(format.GetReadTypes(), expected);
    EXPECT_EQ(format.GetWriteTypes(), expected);
}

TEST(FileFormatBaseTest, OptionalOperationsDefaultToNothing) {
    FakeFormat format("plain");
    FBImageInfo info{1, 2, "x", 4, 16, 300};
    EXPECT_FALSE(format.GetImageInfo("/f", info));
    EXPECT_EQ(info.width, 0);
    EXPECT_EQ(info.height, 0);
    EXPECT_EQ(info.modeName, "");
    EXPECT_EQ(info.mode, kModeRGB);
    EXPECT_EQ(info.bitsPerChannel, 8);
    EXPECT_EQ(info.resolution, 72);

    // Page thumbnails: the first page is the thumbnail with fresh options, later pages none.
    format.pixels = Pixels::Create(4, 4, 0, kModeRGB, kLayoutInterleaved, true);
    EXPECT_EQ(format.CreatePageThumbnail("/f", 0, 64), format.pixels);
    EXPECT_EQ(format.CreatePageThumbnail("/f", -1, 64), format.pixels);
    EXPECT_EQ(format.CreatePageThumbnail("/f", 1, 64), nullptr);
    ASSERT_EQ(format.calls.size(), 2u);
    EXPECT_EQ(format.calls[0].size, 64u);
    EXPECT_EQ(format.calls[0].page, -1);
    EXPECT_EQ(format.calls[0].statusOnEntry, -1);
}

}  // namespace
}  // namespace ThumbMetaLib
