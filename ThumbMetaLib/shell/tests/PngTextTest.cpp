// The text chunks of PNG files as the thumbnail cache's readers see them: before and after the
// image data, international text, and files that end early or lie about their chunk sizes.
#include <gtest/gtest.h>

#include <sstream>

#include "ThumbMetaLib/shell/PngText.h"

namespace ThumbMetaLib::shell {
namespace {

std::string Chunk(const std::string& type, const std::string& data) {
    const uint32_t n = uint32_t(data.size());
    std::string chunk{char(n >> 24), char(n >> 16), char(n >> 8), char(n)};
    return chunk + type + data + std::string(4, '\0');  // the CRC is not looked at
}

std::string Text(const std::string& keyword, const std::string& text) {
    return Chunk("tEXt", keyword + std::string(1, '\0') + text);
}

const std::string kSignature("\x89PNG\r\n\x1a\n", 8);

std::map<std::string, std::string> Walk(const std::string& bytes) {
    std::istringstream in(bytes);
    return PngTextChunks(in);
}

TEST(PngTextTest, FindsTextAroundTheImageAndStopsAtItsEnd) {
    using namespace std::string_literals;
    const std::string png =
        kSignature + Chunk("IHDR", std::string(13, '\1')) + Text("Thumb::URI", "file:///a.jpg") +
        Text("Thumb::URI", "second definition") +
        Chunk("iTXt", "Title\0\0\0en\0Titel\0caf\xc3\xa9"s) +
        Chunk("iTXt", "Packed\0\1\0\0\0xyz"s) +       // compressed: not read
        Text("Huge", std::string(100 * 1024, 'h')) +  // skipped, the walk goes on
        Chunk("IDAT", std::string(300, '\0')) + Text("Thumb::MTime", "1700000000") +
        Chunk("IEND", "") + Text("After", "the end");
    const auto found = Walk(png);
    EXPECT_EQ(found, (std::map<std::string, std::string>{{"Thumb::URI", "file:///a.jpg"},
                                                         {"Title", "caf\xc3\xa9"},
                                                         {"Thumb::MTime", "1700000000"}}));
}

TEST(PngTextTest, BrokenFilesGiveWhatCameBeforeTheBreak) {
    const std::string start = kSignature + Text("Thumb::URI", "file:///a.jpg");
    EXPECT_TRUE(Walk("GIF89a" + start).empty());
    EXPECT_TRUE(Walk(kSignature.substr(0, 5)).empty());
    // Ends inside a chunk's text, or inside a chunk header.
    const std::string cut = Text("Thumb::MTime", "1700000000");
    EXPECT_EQ(Walk(start + cut.substr(0, cut.size() - 9)).size(), 1u);
    EXPECT_EQ(Walk(start + cut.substr(0, 5)).size(), 1u);
    // A length beyond the format's limit, one beyond the file, a keyword missing.
    EXPECT_EQ(Walk(start + std::string("\xff\xff\xff\xfftEXt", 8) + cut).size(), 1u);
    EXPECT_EQ(Walk(start + std::string("\x7f\xff\xff\xf0IDAT", 8) + cut).size(), 1u);
    EXPECT_EQ(Walk(start + Chunk("tEXt", std::string(1, '\0') + "no keyword")).size(), 1u);
}

TEST(PngTextTest, ManyTinyChunksEndTheWalk) {
    std::string png = kSignature;
    for (int i = 0; i < 20000; ++i) {
        png += Chunk("tIME", "");
    }
    EXPECT_TRUE(Walk(png + Text("Late", "too late")).empty());
}

}  // namespace
}  // namespace ThumbMetaLib::shell
