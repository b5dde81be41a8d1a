// The decoder's fast paths give exactly the samples of the plain ones: the one-step Huffman
// look-up against symbol-by-symbol decoding (on intact, corrupt and mutated files), the wider
// SIMD kernels against the narrower or portable ones.
#include <gtest/gtest.h>

#include <random>

#include "DecodeTestSupport.h"
#include "HXJPEG/decoder/ColorConverter.h"
#include "HXJPEG/decoder/HuffmanDecodeTable.h"
#include "HXJPEG/decoder/IDCT.h"

using namespace hxjpeg_test;
namespace fs = std::filesystem;

namespace {

class DecodeFastPathTest : public ::testing::Test {
protected:
    void SetUp() override { HXJPEGLibInit(); }
    void TearDown() override {
        HXJPEG::HuffmanDecodeTable::EnableFastLookup(true);
        HXJPEGLibInit();
    }
};

// Every JPEG of the test files except the large photos (which add time, not cases).
std::vector<fs::path> CorpusFiles() {
    return CorpusFilesIn("jpeg", true, "large");
}

// Byte flips, 0xFF bytes (markers in the entropy data) and truncations past the headers.
std::vector<std::vector<uint8_t>> Mutations(const std::vector<uint8_t>& bytes) {
    std::vector<std::vector<uint8_t>> out;
    std::mt19937 random(7);
    size_t start = bytes.size() / 4;
    for (int m = 0; m < 9; ++m) {
        std::vector<uint8_t> copy = bytes;
        if (m % 3 == 2) {
            copy.resize(start + random() % (bytes.size() - start));
        } else {
            for (int k = 0; k <= m; ++k) {
                size_t at = start + random() % (bytes.size() - start);
                copy[at] = m % 3 == 0 ? uint8_t(copy[at] ^ (1u << (random() % 8))) : 0xFF;
            }
        }
        out.push_back(std::move(copy));
    }
    return out;
}

void ExpectSameDecode(const std::vector<uint8_t>& bytes, const std::string& what) {
    for (bool reduced : {false, true}) {
        WarningCounter fastWarnings, slowWarnings;
        HXJPEG::HuffmanDecodeTable::EnableFastLookup(true);
        Image fast = DecodeHX(bytes, 0, reduced, &fastWarnings);
        HXJPEG::HuffmanDecodeTable::EnableFastLookup(false);
        Image slow = DecodeHX(bytes, 0, reduced, &slowWarnings);
        ASSERT_EQ(fast.result, slow.result) << what << " reduced " << reduced;
        EXPECT_EQ(fastWarnings.count, slowWarnings.count) << what << " reduced " << reduced;
        EXPECT_TRUE(fast.pixels == slow.pixels) << what << " reduced " << reduced;
    }
}

TEST_F(DecodeFastPathTest, OneStepHuffmanLookupDecodesLikeSymbolBySymbol) {
    std::vector<fs::path> files = CorpusFiles();
    ASSERT_GT(files.size(), 20u);
    for (const auto& file : files) {
        std::vector<uint8_t> bytes = ReadFile(file);
        ExpectSameDecode(bytes, file.filename().string());
    }
    // Mutations of a baseline photo, a restart-interval file and a progressive one.
    for (const char* name :
         {"mei-Ricoh_DC-3Z_lowres.jpg", "jd-restarts.jpg", "wuffs-peacock-progressive.jpeg"}) {
        std::vector<uint8_t> bytes = ReadCorpusFile(std::string("jpeg/") + name);
        ASSERT_GT(bytes.size(), 1000u) << name;
        int index = 0;
        for (const auto& mutated : Mutations(bytes)) {
            ExpectSameDecode(mutated, std::string(name) + " mutation " + std::to_string(index++));
        }
    }
}

TEST_F(DecodeFastPathTest, SIMDColourConversionMatchesThePortableOne) {
    for (const auto& file : CorpusFiles()) {
        std::vector<uint8_t> bytes = ReadFile(file);
        for (uint32_t space : {HXJPEG_COLOR_RGB, HXJPEG_COLOR_RGBX}) {
            HXJPEG::SelectColorSIMD(true);
            Image simd = DecodeHX(bytes, space);
            HXJPEG::SelectColorSIMD(false);
            Image portable = DecodeHX(bytes, space);
            ASSERT_EQ(simd.result, portable.result) << file.filename();
            EXPECT_TRUE(simd.pixels == portable.pixels) << file.filename() << " space " << space;
        }
    }
}

TEST_F(DecodeFastPathTest, EightLaneTransformMatchesTheFourLaneOne) {
    if (!__builtin_cpu_supports("avx")) {
        GTEST_SKIP() << "no AVX on this processor";
    }
    std::mt19937 random(11);
    uint16_t quant[64];
    for (int trial = 0; trial < 2000; ++trial) {
        // Real tables and coefficients, then hostile ones at the ends of their ranges.
        bool hostile = trial % 4 == 3;
        for (auto& q : quant) {
            q = uint16_t(hostile ? 1 + random() % 65535 : 1 + random() % 100);
        }
        HXJPEG::QuantTable table;
        table.Set(quant);
        alignas(16) int16_t natural[64] = {};
        int count = 11 + int(random() % 54);
        for (int k = 0; k < count; ++k) {
            int range = hostile ? 65536 : (k == 0 ? 2048 : 256 >> (k / 16));
            natural[k] = int16_t(int(random() % range) - range / 2);
        }
        int16_t four[64], eight[64];
        HXJPEG::IDCTFloatSSE2(natural, 64, table, four, 8);
        HXJPEG::IDCTFloatAVX(natural, 64, table, eight, 8);
        ASSERT_EQ(0, std::memcmp(four, eight, sizeof(four))) << "trial " << trial;
    }
}

}  // namespace
