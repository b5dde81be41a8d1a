// Files that hold the same coefficients decode to the same samples, whatever their scan
// structure (jpegtran's progressive and restart twins), and the one-eighth decode is the block
// mean of the full decode.
#include <gtest/gtest.h>

#include "DecodeTestSupport.h"
#include "HXJPEG/decoder/ColorConverter.h"
#include "HXJPEG/decoder/IDCT.h"

using namespace hxjpeg_test;
namespace fs = std::filesystem;

namespace {

class DecodeEquivalenceTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        HXJPEGLibInit();
        HXJPEG::SelectIDCT(GetParam());
        HXJPEG::SelectColorSIMD(GetParam());
        ASSERT_FALSE(dir_.path().empty());
    }
    void TearDown() override { HXJPEGLibInit(); }

    // A baseline file made by cjpeg from the synthetic image.
    fs::path MakeBaseline(const std::string& name, int w, int h, const std::string& options) {
        fs::path ppm = dir_.path() / (name + ".ppm");
        fs::path jpg = dir_.path() / (name + ".jpg");
        WriteFile(ppm, SyntheticPPM(w, h, options.find("-grayscale") != std::string::npos));
        EXPECT_TRUE(RunTool("cjpeg -quality 85 " + options + " -outfile " + jpg.string() + " " +
                            ppm.string()));
        return jpg;
    }

    fs::path Transcode(const fs::path& source, const std::string& options) {
        fs::path out = dir_.path() / (source.stem().string() + "-twin.jpg");
        EXPECT_TRUE(
            RunTool("jpegtran " + options + " -outfile " + out.string() + " " + source.string()));
        return out;
    }

    TempDir dir_;
};

void ExpectIdentical(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b,
                     const std::string& what) {
    for (uint32_t space : {HXJPEG_COLOR_DEFAULT, HXJPEG_COLOR_RGB}) {
        for (bool reduced : {false, true}) {
            Image x = DecodeHX(a, space, reduced);
            Image y = DecodeHX(b, space, reduced);
            ASSERT_EQ(x.result, 0) << what;
            ASSERT_EQ(y.result, 0) << what;
            ASSERT_EQ(x.width, y.width) << what;
            ASSERT_EQ(x.height, y.height) << what;
            EXPECT_TRUE(x.pixels == y.pixels)
                << what << " space " << space << " reduced " << reduced;
        }
    }
}

TEST_P(DecodeEquivalenceTest, ProgressiveAndRestartTwinsGiveIdenticalSamples) {
    const std::vector<std::pair<std::string, std::string>> sources = {{"420", "-sample 2x2"},
                                                                      {"422", "-sample 2x1"},
                                                                      {"444", "-sample 1x1"},
                                                                      {"411", "-sample 4x1"},
                                                                      {"grey", "-grayscale"}};
    for (const auto& [name, options] : sources) {
        for (auto [w, h] : {std::pair{1, 1}, std::pair{17, 9}, std::pair{203, 97}}) {
            std::string tag = name + "-" + std::to_string(w) + "x" + std::to_string(h);
            fs::path baseline = MakeBaseline(tag, w, h, options);
            std::vector<uint8_t> base = ReadFile(baseline);
            ExpectIdentical(base, ReadFile(Transcode(baseline, "-progressive")),
                            tag + " progressive");
            ExpectIdentical(base, ReadFile(Transcode(baseline, "-restart 1B")),
                            tag + " restart every MCU");
            ExpectIdentical(base, ReadFile(Transcode(baseline, "-restart 2")),
                            tag + " restart every 2 rows");
            ExpectIdentical(base, ReadFile(Transcode(baseline, "-progressive -restart 3B")),
                            tag + " progressive with restarts");
        }
    }
    // Real progressive files against their sequential re-encoding by jpegtran.
    for (const char* file : {"jd-tower_progressive.jpg", "wuffs-peacock-progressive.jpeg",
                             "pil-icc_profile_big-progressive.jpg"}) {
        fs::path source = CorpusDir() / "jpeg" / file;
        ExpectIdentical(ReadCorpusFile(std::string("jpeg/") + file),
                        ReadFile(Transcode(source, "-optimize")), file);
    }
}

// Every sample of the one-eighth decode is, within rounding, the mean of the 8x8 block of the
// full decode it stands for (luma, so that chroma subsampling does not enter).
TEST_P(DecodeEquivalenceTest, ReducedDecodeIsTheBlockMean) {
    std::vector<std::pair<std::string, std::vector<uint8_t>>> files;
    for (const auto& [name, options] : {std::pair<std::string, std::string>{"420", "-sample 2x2"},
                                        {"444", "-sample 1x1"},
                                        {"grey", "-grayscale"},
                                        {"440-progressive", "-sample 1x2 -progressive"}}) {
        files.emplace_back(name, ReadFile(MakeBaseline(name, 203, 97, options)));
    }
    files.emplace_back("harvesters", ReadCorpusFile("jpeg/wuffs-harvesters.jpeg"));
    for (const auto& [name, bytes] : files) {
        Image full = DecodeHX(bytes, HXJPEG_COLOR_GREY);
        Image small = DecodeHX(bytes, HXJPEG_COLOR_GREY, true);
        ASSERT_EQ(full.result, 0) << name;
        ASSERT_EQ(small.result, 0) << name;
        ASSERT_GE(small.width, (full.width + 7) / 8) << name;  // whole MCUs: may be wider
        int worst = 0;
        double total = 0;
        int blocks = 0;
        for (int by = 0; by < full.height / 8; ++by) {
            for (int bx = 0; bx < full.width / 8; ++bx) {
                int sum = 0;
                bool clipped = false;
                for (int y = 0; y < 8; ++y) {
                    for (int x = 0; x < 8; ++x) {
                        int v = full.pixels[size_t(by * 8 + y) * full.width + bx * 8 + x];
                        clipped |= v == 0 || v == 255;
                        sum += v;
                    }
                }
                if (clipped) {
                    continue;  // the mean of clipped samples is not the DC term
                }
                int diff = std::abs(small.pixels[size_t(by) * small.width + bx] - (sum + 32) / 64);
                worst = std::max(worst, diff);
                total += diff;
                ++blocks;
            }
        }
        ASSERT_GT(blocks, 50) << name;
        EXPECT_LE(worst, 1) << name;
        EXPECT_LE(total / blocks, 0.5) << name;
    }
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(IDCT, DecodeEquivalenceTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "SSE2" : "Portable"; });
