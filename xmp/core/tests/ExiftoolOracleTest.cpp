// exiftool as an independent reader and writer of XMP: packets it writes (arrays, structs,
// lang-alt, qualifiers, a Base64 thumbnail) read the same through us, and it reads in our
// packets exactly what it reads in its own.
#include <unistd.h>

#include <cstdlib>

#include "XMPTestSupport.h"

namespace xmp::test {
namespace {

class ExiftoolOracleTest : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/xmp-oracle-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        int status = 0;
        RunCommand("exiftool -ver", &status);
        ASSERT_EQ(status, 0) << "exiftool (libimage-exiftool-perl) is needed";
    }
    void TearDown() override { RunCommand("rm -rf '" + dir_ + "'"); }

    // exiftool's JSON view of every XMP tag of a file, without the file's own name.
    std::string ExiftoolView(const std::string& file) {
        std::string json = RunCommand("exiftool -j -struct -b -XMP:all -x XMPToolkit '" + file +
                                      "' | grep -v '\"SourceFile\"'");
        EXPECT_FALSE(json.empty());
        return json;
    }

    std::string dir_;
};

TEST_F(ExiftoolOracleTest, RichPacketWrittenByExiftoolReadsTheSame) {
    const std::string thumb = dir_ + "/thumb.jpg", packetFile = dir_ + "/rich.xmp";
    int status = 0;
    RunCommand("convert -size 40x30 xc:red '" + thumb + "'", &status);
    ASSERT_EQ(status, 0);
    RunCommand("exiftool -q -o '" + packetFile +
                   "' -XMP-dc:Title='Main title' -XMP-dc:Title-de-DE=Haupttitel"
                   " -XMP-dc:Subject=alpha -XMP-dc:Subject='beta & gamma'"
                   " -XMP-dc:Creator='Ann <Editor>' -XMP-xmp:Rating=4"
                   " -XMP-iptcCore:CreatorWorkEmail=ann@example.com"
                   " -XMP-xmpMM:HistoryAction=created -XMP-xmpMM:HistoryAction=saved"
                   " -XMP-xmp:ThumbnailFormat=JPEG -XMP-xmp:ThumbnailWidth=40"
                   " -XMP-xmp:ThumbnailHeight=30 '-XMP-xmp:ThumbnailImage<=" +
                   thumb +
                   "' -XMP-tiff:Orientation#=6"
                   " -XMP-photoshop:ICCProfileName='sRGB IEC61966-2.1'",
               &status);
    ASSERT_EQ(status, 0);
    TXMPMeta meta(ReadSampleFile(packetFile));

    std::string value, lang;
    ASSERT_TRUE(meta.GetLocalizedText(ns::kDC, "title", "", "de-DE", &lang, &value, nullptr));
    EXPECT_EQ(value, "Haupttitel");
    ASSERT_TRUE(meta.GetLocalizedText(ns::kDC, "title", "", "x-default", &lang, &value, nullptr));
    EXPECT_EQ(value, "Main title");
    EXPECT_EQ(meta.CountArrayItems(ns::kDC, "subject"), 2);
    ASSERT_TRUE(meta.GetArrayItem(ns::kDC, "subject", 2, &value, nullptr));
    EXPECT_EQ(value, "beta & gamma");
    ASSERT_TRUE(meta.GetArrayItem(ns::kDC, "creator", kArrayLastItem, &value, nullptr));
    EXPECT_EQ(value, "Ann <Editor>");
    ASSERT_TRUE(meta.GetStructField(ns::kIPTCCore, "CreatorContactInfo", ns::kIPTCCore,
                                    "CiEmailWork", &value, nullptr));
    EXPECT_EQ(value, "ann@example.com");
    ASSERT_TRUE(meta.GetProperty(ns::kXMPMM, "History[2]/stEvt:action", &value, nullptr));
    EXPECT_EQ(value, "saved");
    int32_t orientation = 0;
    ASSERT_TRUE(meta.GetProperty_Int(ns::kTIFF, "Orientation", &orientation, nullptr));
    EXPECT_EQ(orientation, 6);
    ASSERT_TRUE(meta.GetProperty(ns::kPictorium, "ICCProfile", &value, nullptr));
    EXPECT_EQ(value, "sRGB IEC61966-2.1");

    // The thumbnail the way the service reads it: item path, struct fields, Base64.
    std::string item, format, image, jpeg;
    TXMPUtils::ComposeArrayItemPath(ns::kXMP, "Thumbnails", 1, &item);
    ASSERT_TRUE(meta.GetStructField(ns::kXMP, item, ns::kXMPGImg, "format", &format, nullptr));
    EXPECT_EQ(format, "JPEG");
    int32_t height = 0;
    std::string heightPath;
    TXMPUtils::ComposeStructFieldPath(ns::kXMP, item, ns::kXMPGImg, "height", &heightPath);
    ASSERT_TRUE(meta.GetProperty_Int(ns::kXMP, heightPath, &height, nullptr));
    EXPECT_EQ(height, 30);
    ASSERT_TRUE(meta.GetStructField(ns::kXMP, item, ns::kXMPGImg, "image", &image, nullptr));
    TXMPUtils::DecodeFromBase64(image, &jpeg);
    EXPECT_EQ(jpeg, ReadSampleFile(thumb));

    // exiftool sees in our packet exactly what it saw in its own.
    std::string ours;
    meta.SerializeToBuffer(&ours);
    WriteFile(dir_ + "/ours.xmp", ours);
    EXPECT_EQ(ExiftoolView(dir_ + "/ours.xmp"), ExiftoolView(packetFile));
}

TEST_F(ExiftoolOracleTest, CorpusPacketsReadTheSameByExiftoolAfterOurRewrite) {
    for (const char* name : {"mei-APhotoManager-example.xmp", "mei-digikam-example.xmp",
                             "mei-exiftool-9.74-example.xmp"}) {
        std::string original = std::string(VANTORY_CORPUS_DIR) + "/xmp/" + name;
        std::string ours;
        TXMPMeta(ReadSampleFile(original)).SerializeToBuffer(&ours);
        WriteFile(dir_ + "/ours.xmp", ours);
        EXPECT_EQ(ExiftoolView(dir_ + "/ours.xmp"), ExiftoolView(original)) << name;
    }
}

TEST_F(ExiftoolOracleTest, PacketBuiltThroughTheAPIReadsBackInExiftool) {
    TXMPMeta meta;
    meta.SetLocalizedText(ns::kDC, "title", "", "en-GB", "Colour");
    meta.SetLocalizedText(ns::kDC, "title", "", "fr", "Couleur");
    meta.AppendArrayItem(ns::kDC, "subject", kPropValueIsArray, "one");
    meta.AppendArrayItem(ns::kDC, "subject", kPropValueIsArray, "two");
    meta.SetStructField(ns::kIPTCCore, "CreatorContactInfo", ns::kIPTCCore, "CiAdrCity", "Ghent");
    meta.SetProperty_Int(ns::kXMP, "Rating", 5);
    std::string packet;
    meta.SerializeToBuffer(&packet);
    WriteFile(dir_ + "/api.xmp", packet);
    std::string view = ExiftoolView(dir_ + "/api.xmp");
    for (const char* expected :
         {"\"Title\": \"Colour\"", "\"Title-en-GB\": \"Colour\"", "\"Title-fr\": \"Couleur\"",
          "\"Subject\": [\"one\",\"two\"]", "\"CiAdrCity\": \"Ghent\"", "\"Rating\": 5"}) {
        EXPECT_NE(view.find(expected), std::string::npos) << expected << " in\n" << view;
    }
}

}  // namespace
}  // namespace xmp::test
