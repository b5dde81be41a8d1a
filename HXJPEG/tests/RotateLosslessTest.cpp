// Lossless rotation checked against libjpeg-turbo's view of the coefficients, against
// jpegtran, and against itself (four quarter turns, identity).
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include "EncodeTestSupport.h"

using namespace hxjpeg_test;

namespace {

struct MemoryReader {
    const std::vector<uint8_t>* bytes;
    size_t position = 0;
    int calls = 0;
    HXJPEGReader Reader() { return {this, &Skip, &Read, &Release}; }
    static bool Skip(void* self, uint32_t count) {
        auto* r = static_cast<MemoryReader*>(self);
        ++r->calls;
        if (r->position + count > r->bytes->size()) {
            return false;
        }
        r->position += count;
        return true;
    }
    static bool Read(void* self, uint8_t* buffer, uint32_t count, uint32_t* got) {
        auto* r = static_cast<MemoryReader*>(self);
        ++r->calls;
        const size_t n = std::min<size_t>(count, r->bytes->size() - r->position);
        if (n != 0) {
            std::memcpy(buffer, r->bytes->data() + r->position, n);
        }
        r->position += n;
        *got = static_cast<uint32_t>(n);
        return r->position < r->bytes->size();
    }
    static void Release(void*) {}
};

int32_t Rotate(const std::vector<uint8_t>& source, uint32_t transform, std::vector<uint8_t>& out,
               uint32_t scanMode = 0) {
    MemoryReader reader{&source};
    MemoryWriter writer;
    HXJPEGRotateOptions options;
    HXJPEGRotateOptionsInitDefault(&options);
    options.transform = transform;
    options.encodeOptions.scanMode = scanMode;
    const int32_t result = HXJPEGRotateImage(reader.Reader(), writer.Writer(), options);
    out = std::move(writer.bytes);
    return result;
}

// Expected coefficient of the turned block at (u, v) from the source block (natural order).
int ExpectedCoefficient(const int16_t* source, uint32_t transform, int u, int v) {
    switch (transform) {
        case 1:
            return (v & 1) ? -source[v * 8 + u] : source[v * 8 + u];
        case 2:
            return ((u + v) & 1) ? -source[u * 8 + v] : source[u * 8 + v];
        case 3:
            return (u & 1) ? -source[v * 8 + u] : source[v * 8 + u];
        default:
            return source[u * 8 + v];
    }
}

// Every block of `turned` holds the transformed source block from the place that the turn
// moves there; the tables are the source's (transposed for quarter turns).
void ExpectTurnedCoefficients(const ReferenceCoefficients& source,
                              const ReferenceCoefficients& turned, uint32_t transform) {
    ASSERT_TRUE(source.ok);
    ASSERT_TRUE(turned.ok);
    const bool quarter = transform == 1 || transform == 3;
    EXPECT_EQ(turned.width, quarter ? source.height : source.width);
    EXPECT_EQ(turned.height, quarter ? source.width : source.height);
    ASSERT_EQ(turned.components.size(), source.components.size());
    for (size_t c = 0; c < source.components.size(); ++c) {
        const auto& s = source.components[c];
        const auto& t = turned.components[c];
        EXPECT_EQ(t.h, quarter ? s.v : s.h);
        EXPECT_EQ(t.v, quarter ? s.h : s.v);
        ASSERT_EQ(t.blocksAcross, quarter ? s.blocksDown : s.blocksAcross);
        ASSERT_EQ(t.blocksDown, quarter ? s.blocksAcross : s.blocksDown);
        for (int u = 0; u < 8; ++u) {
            for (int v = 0; v < 8; ++v) {
                EXPECT_EQ(t.quant[u * 8 + v], quarter ? s.quant[v * 8 + u] : s.quant[u * 8 + v]);
            }
        }
        size_t mismatches = 0;
        for (uint32_t y = 0; y < s.blocksDown; ++y) {
            for (uint32_t x = 0; x < s.blocksAcross; ++x) {
                uint32_t tx = x, ty = y;
                if (transform == 1) {
                    tx = s.blocksDown - 1 - y;
                    ty = x;
                } else if (transform == 2) {
                    tx = s.blocksAcross - 1 - x;
                    ty = s.blocksDown - 1 - y;
                } else if (transform == 3) {
                    tx = y;
                    ty = s.blocksAcross - 1 - x;
                }
                const int16_t* from = s.Block(x, y);
                const int16_t* to = t.Block(tx, ty);
                for (int u = 0; u < 8; ++u) {
                    for (int v = 0; v < 8; ++v) {
                        mismatches += to[u * 8 + v] != ExpectedCoefficient(from, transform, u, v);
                    }
                }
            }
        }
        EXPECT_EQ(mismatches, 0u) << "component " << c << " transform " << transform;
    }
}

struct Source {
    const char* name;
    uint32_t width, height, channels;
    ReferenceEncodeOptions options;
};

// Sizes that every transform accepts (whole MCUs both ways).
const Source kSources[] = {
    {"4:2:0 baseline", 64, 48, 3, {85, 2, 2, false, 0, true}},
    {"4:2:2 progressive", 48, 32, 3, {75, 2, 1, true, 0, false}},
    {"4:4:0 restarts", 32, 48, 3, {90, 1, 2, false, 3, false}},
    {"4:4:4", 40, 24, 3, {95, 1, 1, false, 0, false}},
    {"grey", 56, 16, 1, {60, 1, 1, true, 2, false}},
};

}  // namespace

TEST(RotateLossless, EveryTransformMovesEveryCoefficientExactly) {
    HXJPEGLibInit();
    for (const Source& s : kSources) {
        SourceImage image = MakePhoto(s.width, s.height, s.channels, s.width + s.height);
        const std::vector<uint8_t> source = EncodeWithLibjpeg(image, s.options);
        const ReferenceCoefficients sourceCoefficients = ReadCoefficientsWithLibjpeg(source);
        for (uint32_t transform = 0; transform <= 3; ++transform) {
            for (uint32_t scanMode : {0u, 3u}) {
                SCOPED_TRACE(testing::Message()
                             << s.name << " transform " << transform << " scan mode " << scanMode);
                std::vector<uint8_t> turned;
                ASSERT_EQ(Rotate(source, transform, turned, scanMode), 0);
                ExpectTurnedCoefficients(sourceCoefficients, ReadCoefficientsWithLibjpeg(turned),
                                         transform);
                // Nothing of the source's APPn segments: the only APP segment is APP14.
                for (uint8_t app = 0xE0; app <= 0xEF; ++app) {
                    EXPECT_EQ(FindMarker(turned, app) > 0, app == 0xEE) << int{app};
                }
            }
        }
    }
}

TEST(RotateLossless, FourClockwiseTurnsGiveTheIdentity) {
    HXJPEGLibInit();
    SourceImage image = MakePhoto(64, 48, 3, 5);
    const std::vector<uint8_t> source = EncodeWithLibjpeg(image, {80, 2, 2, false, 0, false});
    std::vector<uint8_t> identity;
    ASSERT_EQ(Rotate(source, 0, identity), 0);
    std::vector<uint8_t> turned = source;
    for (int turn = 0; turn < 4; ++turn) {
        std::vector<uint8_t> next;
        ASSERT_EQ(Rotate(turned, 1, next), 0);
        turned = std::move(next);
    }
    // Same coefficients and tables give the same optimal Huffman tables: the same bytes.
    EXPECT_EQ(turned, identity);
    ExpectTurnedCoefficients(ReadCoefficientsWithLibjpeg(source),
                             ReadCoefficientsWithLibjpeg(turned), 0);
    // Two half turns as well.
    std::vector<uint8_t> half, full;
    ASSERT_EQ(Rotate(source, 2, half), 0);
    ASSERT_EQ(Rotate(half, 2, full), 0);
    EXPECT_EQ(full, identity);
    // And a clockwise turn undone by an anticlockwise one.
    std::vector<uint8_t> there, back;
    ASSERT_EQ(Rotate(source, 1, there), 0);
    ASSERT_EQ(Rotate(there, 3, back), 0);
    EXPECT_EQ(back, identity);
}

TEST(RotateLossless, DecodedPixelsAreTheTurnedSourcePixels) {
    HXJPEGLibInit();
    // Our own encoder's files, decoded by our decoder: the turned file decodes to the turned
    // pixels — exactly with the floating-point transform, within one level with the portable one.
    const char* forced = std::getenv("VANTORY_FORCE_PORTABLE");
    const bool portable = forced != nullptr && *forced != '\0' && std::string(forced) != "0";
    SourceImage image = MakePhoto(64, 48, 3, 9);
    for (uint32_t quality : {4u, 8u}) {
        std::vector<uint8_t> source;
        ASSERT_EQ(Encode(image, Options(quality), source), 0);
        auto decode = [](const std::vector<uint8_t>& file, SourceImage& out) {
            HXJPEGDecoder* decoder = nullptr;
            HXJPEGDecodeOptions options{1, 1};
            if (HXJPEGDecoderCreateUsingData(HXJPEGData{file.data(), uint32_t(file.size())},
                                             options, false, nullptr, &decoder) != 0) {
                return -1;
            }
            HXJPEGHeader header{};
            int32_t result = HXJPEGDecoderReadHeader(decoder, nullptr, &header);
            if (result == 0) {
                out = SourceImage{header.width, header.height, 3,
                                  std::vector<uint8_t>(size_t{header.width} * header.height * 3)};
                result = HXJPEGDecoderReadContent(decoder, HXJPEG_COLOR_RGB, ContentOf(out));
            }
            HXJPEGDecoderRelease(decoder);
            return int(result);
        };
        SourceImage sourcePixels;
        ASSERT_EQ(decode(source, sourcePixels), 0);
        for (uint32_t transform = 0; transform <= 3; ++transform) {
            std::vector<uint8_t> turned;
            ASSERT_EQ(Rotate(source, transform, turned), 0);
            SourceImage turnedPixels;
            ASSERT_EQ(decode(turned, turnedPixels), 0);
            size_t differences = 0;
            int largest = 0;
            for (uint32_t y = 0; y < image.height; ++y) {
                for (uint32_t x = 0; x < image.width; ++x) {
                    uint32_t tx = x, ty = y;
                    if (transform == 1) {
                        tx = image.height - 1 - y;
                        ty = x;
                    } else if (transform == 2) {
                        tx = image.width - 1 - x;
                        ty = image.height - 1 - y;
                    } else if (transform == 3) {
                        tx = y;
                        ty = image.width - 1 - x;
                    }
                    for (uint32_t c = 0; c < 3; ++c) {
                        const int d = std::abs(int{sourcePixels.At(x, y, c)} -
                                               int{turnedPixels.At(tx, ty, c)});
                        differences += d != 0;
                        largest = std::max(largest, d);
                    }
                }
            }
            if (portable) {
                // The integer inverse DCT rounds between its row and column passes, so turned
                // or sign-flipped coefficients may round the other way by one level.
                EXPECT_LE(largest, 1) << "quality " << quality << " transform " << transform;
            } else {
                EXPECT_EQ(differences, 0u) << "quality " << quality << " transform " << transform
                                           << " largest difference " << largest;
            }
        }
    }
}

TEST(RotateLossless, AgreesWithJpegtran) {
    if (std::system("jpegtran -version >/dev/null 2>&1 </dev/null") != 0) {
        GTEST_SKIP() << "jpegtran (libjpeg-turbo-progs) is not installed";
    }
    HXJPEGLibInit();
    SourceImage image = MakePhoto(64, 48, 3, 11);
    const std::vector<uint8_t> source = EncodeWithLibjpeg(image, {85, 2, 2, false, 0, false});
    char directory[] = "/tmp/hxjpeg_rotate_XXXXXX";
    ASSERT_NE(mkdtemp(directory), nullptr);
    const std::string in = std::string(directory) + "/in.jpg";
    const std::string out = std::string(directory) + "/out.jpg";
    std::ofstream(in, std::ios::binary)
        .write(reinterpret_cast<const char*>(source.data()), std::streamsize(source.size()));
    for (const char* angle : {"90", "180", "270"}) {
        const std::string command =
            "jpegtran -perfect -rotate " + std::string(angle) + " -outfile " + out + " " + in;
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        std::ifstream file(out, std::ios::binary);
        const std::vector<uint8_t> theirs((std::istreambuf_iterator<char>(file)), {});
        const uint32_t transform = angle[0] == '9' ? 1 : angle[0] == '1' ? 2 : 3;
        std::vector<uint8_t> ours;
        ASSERT_EQ(Rotate(source, transform, ours), 0);
        const ReferenceDecode a = DecodeWithLibjpeg(theirs);
        const ReferenceDecode b = DecodeWithLibjpeg(ours);
        ASSERT_TRUE(a.ok && b.ok);
        EXPECT_EQ(a.image.pixels, b.image.pixels) << angle;
        ExpectTurnedCoefficients(ReadCoefficientsWithLibjpeg(theirs),
                                 ReadCoefficientsWithLibjpeg(ours), 0);
    }
    std::remove(in.c_str());
    std::remove(out.c_str());
    rmdir(directory);
}

TEST(RotateLossless, SizesThatCannotTurnLosslesslyAreRefused) {
    HXJPEGLibInit();
    struct Case {
        uint32_t width, height;
        int h0, v0;
        uint32_t transform;
        int32_t expected;
    };
    const Case cases[] = {
        {24, 16, 2, 1, 1, 0},  // 4:2:2, width 24: a multiple of 8 x Vmax
        {20, 16, 2, 1, 1, -101},
        {24, 12, 2, 1, 1, -101},  // the bottom edge would become a partial
                                  // left edge
        {20, 16, 2, 1, 3, -101},
        {32, 12, 2, 1, 3, 0},
        {30, 16, 2, 2, 2, -101},
        {32, 30, 2, 2, 2, -101},
        {30, 30, 2, 2, 0, 0},  // the identity takes any size
    };
    for (const Case& c : cases) {
        SourceImage image = MakePhoto(c.width, c.height, 3, 3);
        const std::vector<uint8_t> source =
            EncodeWithLibjpeg(image, {80, c.h0, c.v0, false, 0, false});
        std::vector<uint8_t> out;
        EXPECT_EQ(Rotate(source, c.transform, out), c.expected)
            << c.width << "x" << c.height << " transform " << c.transform;
    }
    // 64x48 4:2:0 turned clockwise: 48x64, luminance still 2x2.
    SourceImage image = MakePhoto(64, 48, 3, 3);
    std::vector<uint8_t> out;
    ASSERT_EQ(Rotate(EncodeWithLibjpeg(image, {80, 2, 2, false, 0, false}), 1, out), 0);
    const long sof = FindMarker(out, 0xC0);
    ASSERT_GT(sof, 0);
    EXPECT_EQ((out[sof + 5] << 8) | out[sof + 6], 64);  // height
    EXPECT_EQ((out[sof + 7] << 8) | out[sof + 8], 48);  // width
    EXPECT_EQ(out[sof + 11], 0x22);
}

TEST(RotateLossless, BadArgumentsAndBrokenInput) {
    HXJPEGLibInit();
    const std::vector<uint8_t> source = EncodeWithLibjpeg(MakePhoto(256, 256, 3), {});
    MemoryReader reader{&source};
    MemoryWriter writer;
    HXJPEGRotateOptions options;
    HXJPEGRotateOptionsInitDefault(&options);
    options.transform = 4;
    EXPECT_EQ(HXJPEGRotateImage(reader.Reader(), writer.Writer(), options),
              HXJPEG_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(reader.calls, 0);
    options.transform = 1;
    options.encodeOptions.scanMode = 9;
    EXPECT_EQ(HXJPEGRotateImage(reader.Reader(), writer.Writer(), options),
              HXJPEG_ERR_INVALID_ARGUMENT);

    // Truncated inside the entropy-coded data: warnings are fatal, so -301.
    std::vector<uint8_t> truncated(source.begin(), source.begin() + source.size() * 2 / 3);
    std::vector<uint8_t> out;
    EXPECT_EQ(Rotate(truncated, 1, out), HXJPEG_WARN_EARLY_END);
    const std::vector<uint8_t> empty;
    EXPECT_NE(Rotate(empty, 1, out), 0);
}
