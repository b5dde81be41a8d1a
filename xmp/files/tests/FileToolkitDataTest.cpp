// The start-up tables and the digests other tools must agree with.
#include <gtest/gtest.h>

#include "ExtensionTable.h"
#include "util/Checksums.h"

namespace {

TEST(FileToolkitDataTest, ExtensionTableNamesThePublicFormatsExactly) {
    const std::pair<const char*, const char*> publicEntries[] = {
        {"aiff", "AIFF"}, {"aif", "AIFF"},  {"wmv", "WMAV"}, {"wma", "WMAV"},  {"mp4", "MP4 "},
        {"mp2", "MP2 "},  {"mpeg", "MPEG"}, {"mpg", "MPEG"}, {"mp3", "MP3 "},  {"wav", "WAV "},
        {"cin", "CIN "},  {"avi", "AVI "},  {"mov", "MOV "}, {"flv", "FLV "},  {"png", "PNG "},
        {"gif", "GIF "},  {"tiff", "TIFF"}, {"tif", "TIFF"}, {"jpeg", "JPEG"}, {"jpg", "JPEG"},
        {"eps", "EPS "},  {"ps", "PS  "},   {"pdf", "PDF "}};
    for (auto [extension, code] : publicEntries) {
        EXPECT_EQ(xmp::FormatForExtension(extension), xmp::FourCC(code)) << extension;
    }
    EXPECT_EQ(xmp::FormatForExtension("JPG"), xmp::kXMP_JPEGFile);
    EXPECT_EQ(xmp::FormatForExtension("psd"), xmp::kXMP_PhotoshopFile);
    EXPECT_EQ(xmp::FormatForExtension("xyz"), xmp::kXMP_UnknownFile);
    EXPECT_EQ(xmp::ScanningFlagForExtension("SVG"), xmp::kXMPFiles_OpenUsePacketScanning);
    EXPECT_EQ(xmp::ScanningFlagForExtension("gif"), xmp::kXMPFiles_OpenUsePacketScanning);
    EXPECT_EQ(xmp::ScanningFlagForExtension("eps"), xmp::kXMPFiles_OpenLimitedScanning);
}

TEST(FileToolkitDataTest, DigestsMatchTheirStandardVectors) {
    EXPECT_EQ(xmp::Crc32("123456789"), 0xCBF43926u);
    EXPECT_EQ(xmp::Md5Hex(""), "D41D8CD98F00B204E9800998ECF8427E");
    EXPECT_EQ(xmp::Md5Hex("abc"), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(xmp::Md5Hex(std::string(1000, 'a')), "CABE45DCC9AE5B66BA86600CCA6B8BA8");
}

}  // namespace
