// The render protocol's words: what the client escapes, the server must split back unchanged.
#include <gtest/gtest.h>

#include "ThumbMetaLib/formats/model3d/Render3DWords.h"

namespace ThumbMetaLib::render3d {
namespace {

TEST(Render3DWordsTest, PathsWithBlanksPercentAndLineBreaksTravelAsOneWord) {
    const std::vector<std::string> words = {"render", "/my models/a b%20.obj",
                                            "/tmp/x\ny\r\t\x7f.ppm", "512"};
    const std::string line = RequestLine(words);
    EXPECT_EQ(line, "render /my%20models/a%20b%2520.obj /tmp/x%0Ay%0D%09%7F.ppm 512 \n");
    ASSERT_EQ(line.find('\n'), line.size() - 1);  // one line
    const auto back = SplitRequestLine(line.substr(0, line.size() - 1));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, words);
}

TEST(Render3DWordsTest, BytesAboveAsciiPassUnchanged) {
    EXPECT_EQ(EscapeWord("/modèles/ü.obj"), "/modèles/ü.obj");
}

TEST(Render3DWordsTest, MalformedEscapesAreRefusedAndBlankRunsSeparateOnce) {
    EXPECT_FALSE(UnescapeWord("a%2"));
    EXPECT_FALSE(UnescapeWord("a%"));
    EXPECT_FALSE(UnescapeWord("%G0"));
    EXPECT_EQ(UnescapeWord("%2f%2F"), "//");
    EXPECT_FALSE(SplitRequestLine("render %zz"));
    const auto words = SplitRequestLine("  unload   ");
    ASSERT_TRUE(words);
    EXPECT_EQ(*words, std::vector<std::string>{"unload"});
    EXPECT_TRUE(SplitRequestLine("")->empty());
}

}  // namespace
}  // namespace ThumbMetaLib::render3d
