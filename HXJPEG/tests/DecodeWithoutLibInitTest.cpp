// A decode must not depend on HXJPEGLibInit: this program never calls it before decoding, from
// several threads at once (the first use chooses the vector code), and must get the samples a
// decode after HXJPEGLibInit gets.
#include <gtest/gtest.h>

#include <thread>

#include "DecodeTestSupport.h"

using namespace hxjpeg_test;

TEST(DecodeWithoutLibInitTest, FirstUseFromThreadsMatchesAfterInit) {
    TempDir dir;
    ASSERT_FALSE(dir.path().empty());
    const auto ppm = dir.path() / "in.ppm";
    const auto jpg = dir.path() / "in.jpg";
    WriteFile(ppm, SyntheticPPM(67, 41));
    ASSERT_TRUE(
        RunTool("cjpeg -quality 90 -sample 2x2 -outfile " + jpg.string() + " " + ppm.string()));
    const std::vector<uint8_t> bytes = ReadFile(jpg);

    std::vector<Image> early(4);
    std::vector<std::thread> threads;
    for (Image& image : early) {
        threads.emplace_back([&bytes, &image] { image = DecodeHX(bytes, HXJPEG_COLOR_RGB); });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
    HXJPEGLibInit();
    const Image after = DecodeHX(bytes, HXJPEG_COLOR_RGB);
    ASSERT_EQ(after.result, 0);
    Difference toOracle = Compare(after, DecodeOracle(bytes));
    ASSERT_TRUE(toOracle.comparable);
    EXPECT_LE(toOracle.max, 8);  // real samples, not zeros
    for (const Image& image : early) {
        EXPECT_EQ(image.result, 0);
        EXPECT_TRUE(image.pixels == after.pixels);
    }
}
