// Reductions of a real photo against ImageMagick's resampler with the matching filter: a wrong
// sample position, weight or edge rule shows up as a mean difference well above these bounds.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "resize/tests/ResizeTestImage.h"

namespace {

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool RunQuietly(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

TEST(ResizeOracleTest, PhotoReductionsAgreeWithImageMagick) {
    if (!RunQuietly("(command -v djpeg && command -v convert)")) {
        GTEST_SKIP() << "djpeg / ImageMagick not installed";
    }
    std::string folder =
        (std::filesystem::temp_directory_path() / "vantory-resize-XXXXXX").string();
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    const std::string photo =
        std::string(VANTORY_CORPUS_DIR) + "/jpeg/mei-Samsung_GT-I9000_orient6.jpg";
    ASSERT_TRUE(std::filesystem::is_regular_file(photo)) << "missing test file " << photo;
    const std::string raw = folder + "/photo.rgb";
    ASSERT_TRUE(RunQuietly("djpeg -ppm -outfile '" + folder + "/photo.ppm' '" + photo + "'"));
    ASSERT_TRUE(RunQuietly("convert '" + folder + "/photo.ppm' -depth 8 rgb:'" + raw + "'"));
    TestImage src(640, 480, 3, 1);
    src.planes[0] = ReadAll(raw);
    ASSERT_EQ(src.planes[0].size(), 640u * 480u * 3u);

    struct Case {
        int32_t code;
        const char* filter;
        int32_t width, height;
        double bound;  // mean absolute difference allowed, in levels
    };
    // Measured: 0.48 to 0.51 levels (0.69 for the 4:1 box), nearly all of it ImageMagick 6
    // truncating to 8 bits where we round (its box means sit below the exact means).
    const Case cases[] = {
        {resize::kInterpolateCubic, "Catrom", 160, 120, 1.0},
        {resize::kInterpolateCubic, "Catrom", 481, 361, 1.0},
        {resize::kInterpolateLinear, "Triangle", 213, 160, 1.0},
        {resize::kInterpolateSupersample, "Box", 160, 120, 1.0},
        {resize::kInterpolateCubic, "Catrom", 960, 720, 1.0},
    };
    for (const Case& c : cases) {
        const std::string size = std::to_string(c.width) + "x" + std::to_string(c.height);
        const std::string out = folder + "/out.rgb";
        ASSERT_TRUE(RunQuietly("convert -size 640x480 -depth 8 rgb:'" + raw + "' -filter " +
                               c.filter + " -resize " + size + "! -depth 8 rgb:'" + out + "'"));
        const std::vector<uint8_t> expected = ReadAll(out);
        TestImage dst(c.width, c.height, 3, 1);
        ASSERT_EQ(expected.size(), dst.planes[0].size());
        ASSERT_EQ(ResizeTo(Layout::kInterleaved3, src, dst, c.code), resize::kResizeOK);
        double total = 0.0;
        int maximum = 0;
        for (size_t i = 0; i < expected.size(); ++i) {
            const int diff = std::abs(dst.planes[0][i] - expected[i]);
            total += diff;
            maximum = std::max(maximum, diff);
        }
        const double mean = total / static_cast<double>(expected.size());
        std::printf("[ oracle   ] code %d vs -filter %s to %s: mean %.3f, max %d levels\n", c.code,
                    c.filter, size.c_str(), mean, maximum);
        EXPECT_LE(mean, c.bound) << c.filter << " " << size;
    }
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

}  // namespace
