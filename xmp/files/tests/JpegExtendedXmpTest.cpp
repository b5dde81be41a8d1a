// JPEG packets larger than one segment: written as a main packet naming the extended part by
// its MD5, which exiftool must find and accept; extended parts in real files are reassembled
// whatever the order of their segments.
#include "XMPFilesTestSupport.h"
#include "util/PacketText.h"

namespace {

using namespace xmptest;

TEST(JpegExtendedXmpTest, LargePacketIsSplitIntoExtendedXmpThatExiftoolReads) {
    TempDir dir;
    std::string path = dir.File("large.jpg");
    RunShell("convert -size 64x48 gradient:red-blue " + Quote(path));
    std::string pixels = PixelHash(path);
    std::string description(200000, 'd');
    std::string packet = MakePacket("Large title", 100, 'w',
                                    "   <dc:description><rdf:Alt><rdf:li xml:lang=\"x-default\">" +
                                        description + "</rdf:li></rdf:Alt></dc:description>\n");
    WriteXMP(path, packet, xmp::kXMP_JPEGFile);

    EXPECT_EQ(ExiftoolTag(path, "XMP-dc:Title"), "Large title");
    EXPECT_EQ(ExiftoolTag(path, "XMP-dc:Description").size(), description.size());
    EXPECT_EQ(RunShell("exiftool -warning -s3 " + Quote(path)), "");
    EXPECT_EQ(PixelHash(path), pixels);

    xmp::TXMPFiles files;
    ASSERT_TRUE(files.OpenFile(path, xmp::kXMP_JPEGFile));
    std::string main, extended;
    ASSERT_TRUE(files.GetXMP(&main));
    EXPECT_LT(main.size(), 65504u);
    ASSERT_TRUE(files.GetExtendedXMP(&extended));
    EXPECT_EQ(extended, xmp::StripPacketWrapper(packet));

    // Back to a small packet: every extended segment goes.
    files.CloseFile();
    WriteXMP(path, MakePacket("Small again"), xmp::kXMP_JPEGFile);
    xmp::TXMPFiles again;
    ASSERT_TRUE(again.OpenFile(path, xmp::kXMP_JPEGFile));
    EXPECT_FALSE(again.GetExtendedXMP(&extended));
    EXPECT_EQ(ReadFile(path).find("http://ns.adobe.com/xmp/extension/"), std::string::npos);
}

TEST(JpegExtendedXmpTest, RealFilesReassembleTheirExtendedPart) {
    for (const char* relative : {"jpeg/mei-Android_Depth_Map-extxmp.jpg",
                                 "jpeg/corrupt/pil-ultrahdr-truncated-primary.jpg"}) {
        std::string path = CorpusFile(relative);
        xmp::TXMPFiles files;
        ASSERT_TRUE(files.OpenFile(path, xmp::kXMP_JPEGFile)) << relative;
        std::string main, extended;
        ASSERT_TRUE(files.GetXMP(&main)) << relative;
        EXPECT_EQ(main, ExiftoolXmp(path)) << relative;
        ASSERT_TRUE(files.GetExtendedXMP(&extended)) << relative;
        EXPECT_NE(extended.find("x:xmpmeta"), std::string::npos) << relative;
    }
}

}  // namespace
