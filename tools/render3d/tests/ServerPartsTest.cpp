// The render server's handling of names and text from model files and archives.
#include <gtest/gtest.h>

#include "tools/render3d/ArchiveIOSystem.h"
#include "tools/render3d/TextTranscoding.h"

namespace render3d {
namespace {

// A KMZ's COLLADA file names its textures relative to itself; the names must resolve inside
// the archive and never above its root.
TEST(ArchivePathTest, NamesFoldInsideTheArchiveOnly) {
    EXPECT_EQ(FoldArchivePath("models/../images/a.jpg"), "images/a.jpg");
    EXPECT_EQ(FoldArchivePath("/models/./b.dae"), "models/b.dae");
    EXPECT_EQ(FoldArchivePath("models\\.\\tex\\c.png"), "models/tex/c.png");
    EXPECT_EQ(FoldArchivePath("a//b/"), "a/b");
    EXPECT_FALSE(FoldArchivePath("../outside.jpg"));
    EXPECT_FALSE(FoldArchivePath("models/../../outside.jpg"));
    EXPECT_FALSE(FoldArchivePath("..\\outside.jpg"));
}

TEST(TextTranscodingTest, UTF16WithEitherByteOrderBecomesUTF8) {
    // "v é 𝄞" with a byte-order mark, big- and little-endian.
    const std::string big("\xFE\xFF\x00v\x00 \x00\xE9\x00 \xD8\x34\xDD\x1E", 14);
    const std::string little("\xFF\xFEv\x00 \x00\xE9\x00 \x00\x34\xD8\x1E\xDD", 14);
    EXPECT_EQ(TranscodeUTF16(big), "v \xC3\xA9 \xF0\x9D\x84\x9E");
    EXPECT_EQ(TranscodeUTF16(little), "v \xC3\xA9 \xF0\x9D\x84\x9E");
}

TEST(TextTranscodingTest, BrokenUTF16IsRepairedAndOtherTextIsLeftAlone) {
    // A lone high surrogate, a lone low one, and an odd last byte.
    const std::string broken("\xFE\xFF\xD8\x00\x00x\xDC\x00\x00", 9);
    EXPECT_EQ(TranscodeUTF16(broken), "\xEF\xBF\xBDx\xEF\xBF\xBD");
    EXPECT_EQ(TranscodeUTF16("v 1 2 3\n"), "v 1 2 3\n");
    EXPECT_EQ(TranscodeUTF16("\xFF"), "\xFF");
    EXPECT_TRUE(IsModelTextName("a/B.MTL"));
    EXPECT_FALSE(IsModelTextName("tex.jpg"));
}

}  // namespace
}  // namespace render3d
