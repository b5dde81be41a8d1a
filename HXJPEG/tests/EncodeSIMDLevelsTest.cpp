// Every vector level of the encoder (SSE2, SSSE3, AVX2) must write exactly the bytes of the
// portable code, for every pixel layout the interleaved fast path accepts or refuses, and
// VANTORY_FORCE_PORTABLE must select the portable code. Buffers are sized exactly, so a
// read past the last pixel shows up under AddressSanitizer.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "EncodeTestSupport.h"
#include "HXJPEG/encoder/EncoderSIMD.h"

namespace {

using HXJPEG::EncoderSIMDLevel;
using hxjpeg_test::MakePhoto;
using hxjpeg_test::SourceImage;

// A pixel layout: bytes per pixel, and where each channel sits in a pixel.
struct Layout {
    const char* name;
    uint32_t step;
    uint32_t offsets[4];
    uint32_t channels;
    uint32_t colorSpace;
};

// `image`'s samples in `layout`, rows `rowPadding` bytes longer than the pixels, the last row
// without padding so that the buffer ends with the last pixel's last byte.
std::vector<uint8_t> Arrange(const SourceImage& image, const Layout& layout, uint32_t rowPadding,
                             uint32_t& rowStride) {
    rowStride = image.width * layout.step + rowPadding;
    std::vector<uint8_t> bytes(size_t{rowStride} * (image.height - 1) +
                               size_t{image.width} * layout.step);
    for (uint32_t y = 0; y < image.height; ++y) {
        for (uint32_t x = 0; x < image.width; ++x) {
            for (uint32_t c = 0; c < layout.channels; ++c) {
                bytes[size_t{y} * rowStride + size_t{x} * layout.step + layout.offsets[c]] =
                    image.At(x, y, c);
            }
        }
    }
    return bytes;
}

std::vector<uint8_t> EncodeLayout(std::vector<uint8_t>& bytes, uint32_t rowStride,
                                  const SourceImage& image, const Layout& layout,
                                  HXJPEGEncodeOptions options) {
    HXJPEGImageContent content{};
    for (uint32_t c = 0; c < layout.channels; ++c) {
        content.planes[c] = bytes.data() + layout.offsets[c];
    }
    content.pixelStride = layout.step;
    content.rowStride = rowStride;
    content.numPlanes = static_cast<uint8_t>(layout.channels);
    hxjpeg_test::MemoryWriter writer;
    HXJPEGEncoder* encoder = nullptr;
    EXPECT_EQ(HXJPEGEncoderCreate(writer.Writer(), options, &encoder), HXJPEG_OK);
    const HXJPEGHeader header{static_cast<uint16_t>(image.width),
                              static_cast<uint16_t>(image.height),
                              static_cast<uint8_t>(layout.channels), layout.colorSpace};
    EXPECT_EQ(HXJPEGEncoderWriteContent(encoder, header, content), HXJPEG_OK);
    HXJPEGEncoderRelease(encoder);
    return writer.bytes;
}

// Leaves the level as the environment chooses it (the suite may run with
// VANTORY_FORCE_PORTABLE set).
class EncodeSIMDLevels : public ::testing::Test {
protected:
    void SetUp() override {
        const char* value = std::getenv("VANTORY_FORCE_PORTABLE");
        hadForce_ = value != nullptr;
        force_ = hadForce_ ? value : "";
    }
    void TearDown() override {
        if (hadForce_) {
            setenv("VANTORY_FORCE_PORTABLE", force_.c_str(), 1);
        } else {
            unsetenv("VANTORY_FORCE_PORTABLE");
        }
        HXJPEGLibInit();
    }

private:
    bool hadForce_ = false;
    std::string force_;
};

TEST_F(EncodeSIMDLevels, EveryLevelWritesThePortableBytes) {
    const Layout layouts[] = {
        {"RGB", 3, {0, 1, 2}, 3, HXJPEG_COLOR_RGB},
        {"BGR", 3, {2, 1, 0}, 3, HXJPEG_COLOR_RGB},
        {"XRGB", 4, {1, 2, 3}, 3, HXJPEG_COLOR_RGB},
        {"RGBX", 4, {0, 1, 2}, 3, HXJPEG_COLOR_RGB},
        {"planes 5 apart", 5, {0, 1, 2}, 3, HXJPEG_COLOR_RGB},  // not an interleaved layout
        {"CMYK", 4, {0, 1, 2, 3}, 4, HXJPEG_COLOR_CMYK},
        {"grey", 1, {0}, 1, HXJPEG_COLOR_GREY},
    };
    // Widths around the 16- and 8-pixel groups and the two-MCU pairs (odd MCU counts too);
    // 300 crosses a conversion piece of 32 MCUs.
    const uint32_t sizes[][2] = {{1, 1},  {8, 8},   {15, 9},  {16, 16}, {17, 5},
                                 {32, 7}, {33, 17}, {47, 31}, {300, 20}};
    const HXJPEGEncodeOptions options[] = {{8, 0, 0}, {8, 0, 2}, {5, 0, 0}, {0, 3, 0}, {12, 2, 0}};
    const EncoderSIMDLevel levels[] = {EncoderSIMDLevel::kSSE2, EncoderSIMDLevel::kSSSE3,
                                       EncoderSIMDLevel::kAVX2};
    for (const Layout& layout : layouts) {
        for (const auto& size : sizes) {
            const SourceImage image =
                MakePhoto(size[0], size[1], layout.channels, size[0] + size[1]);
            uint32_t rowStride = 0;
            std::vector<uint8_t> bytes = Arrange(image, layout, size[0] % 3, rowStride);
            for (const HXJPEGEncodeOptions& option : options) {
                HXJPEG::SetEncoderSIMDLevel(EncoderSIMDLevel::kPortable);
                const std::vector<uint8_t> portable =
                    EncodeLayout(bytes, rowStride, image, layout, option);
                ASSERT_GT(portable.size(), 100u);
                for (const EncoderSIMDLevel level : levels) {
                    HXJPEG::SetEncoderSIMDLevel(level);
                    if (HXJPEG::ActiveEncoderSIMDLevel() != level) {
                        continue;  // not on this processor
                    }
                    EXPECT_EQ(EncodeLayout(bytes, rowStride, image, layout, option), portable)
                        << layout.name << " " << size[0] << "x" << size[1] << " quality "
                        << option.quality << " scan " << option.scanMode << " band "
                        << option.bandMode << " level " << static_cast<int>(level);
                }
            }
        }
    }
}

TEST_F(EncodeSIMDLevels, ForcePortableSelectsThePortableCode) {
    ASSERT_EQ(setenv("VANTORY_FORCE_PORTABLE", "1", 1), 0);
    HXJPEGLibInit();
    EXPECT_EQ(HXJPEG::ActiveEncoderSIMDLevel(), EncoderSIMDLevel::kPortable);
    ASSERT_EQ(unsetenv("VANTORY_FORCE_PORTABLE"), 0);
    HXJPEGLibInit();
#if defined(__x86_64__)
    EXPECT_NE(HXJPEG::ActiveEncoderSIMDLevel(), EncoderSIMDLevel::kPortable);
#endif
}

}  // namespace
