// The flat decoder interface: defaults, argument checks, colour-space resolution, the tile
// protocol, warnings, metadata and content-handler events, and the class wrapper.
#include <gtest/gtest.h>

#include <cstdlib>

#include "DecodeTestSupport.h"
#include "HXJPEG/decoder/IDCT.h"
#include "HXJPEG/decoder/JPEGDecoder.h"
#include "HXJPEG/wrapper/Decoder.h"

using namespace hxjpeg_test;
namespace fs = std::filesystem;

namespace {

class DecodeInterfaceTest : public ::testing::Test {
protected:
    void SetUp() override {
        HXJPEGLibInit();
        ASSERT_FALSE(dir_.path().empty());
    }

    std::vector<uint8_t> Make(const std::string& options, int w, int h) {
        fs::path ppm = dir_.path() / "in.ppm";
        fs::path jpg = dir_.path() / "out.jpg";
        WriteFile(ppm, SyntheticPPM(w, h));
        EXPECT_TRUE(RunTool("cjpeg -quality 85 " + options + " -outfile " + jpg.string() + " " +
                            ppm.string()));
        return ReadFile(jpg);
    }

    // Offset of the first byte of the segment with this marker (0 if absent).
    static size_t FindSegment(const std::vector<uint8_t>& bytes, uint8_t marker) {
        for (size_t i = 2; i + 4 < bytes.size();) {
            if (bytes[i + 1] == marker) {
                return i;
            }
            i += 2 + ((size_t(bytes[i + 2]) << 8) | bytes[i + 3]);
        }
        return 0;
    }

    static std::vector<uint8_t> InsertAfterSOI(std::vector<uint8_t> bytes,
                                               const std::vector<uint8_t>& segment) {
        bytes.insert(bytes.begin() + 2, segment.begin(), segment.end());
        return bytes;
    }

    TempDir dir_;
};

TEST_F(DecodeInterfaceTest, OptionDefaultsAndNullArguments) {
    HXJPEGDecodeOptions decode = {7, 7};
    HXJPEGEncodeOptions encode = {1, 2, 3};
    HXJPEGRotateOptions rotate = {9, {1, 2, 3}, 77};
    EXPECT_EQ(HXJPEGDecodeOptionsInitDefault(&decode), 0);
    EXPECT_EQ(HXJPEGEncodeOptionsInitDefault(&encode), 0);
    EXPECT_EQ(HXJPEGRotateOptionsInitDefault(&rotate), 0);
    EXPECT_EQ(decode.scaleX, 1);
    EXPECT_EQ(decode.scaleY, 1);
    EXPECT_EQ(encode.quality, 8u);
    EXPECT_EQ(encode.scanMode, 0u);
    EXPECT_EQ(encode.bandMode, 0u);
    EXPECT_EQ(rotate.transform, 1u);
    EXPECT_EQ(rotate.encodeOptions.quality, 8u);
    EXPECT_EQ(HXJPEGDecodeOptionsInitDefault(nullptr), HXJPEG_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(HXJPEGEncodeOptionsInitDefault(nullptr), HXJPEG_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(HXJPEGRotateOptionsInitDefault(nullptr), HXJPEG_ERR_INVALID_ARGUMENT);

    HXJPEGHeader header;
    EXPECT_EQ(HXJPEGDecoderReadHeader(nullptr, nullptr, &header), HXJPEG_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(HXJPEGDecoderReadContent(nullptr, 0, {}), HXJPEG_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(HXJPEGDecoderReadTiledContent(nullptr, 0, {}), HXJPEG_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(HXJPEGDecoderCreateUsingData({nullptr, 0}, decode, false, nullptr, nullptr),
              HXJPEG_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(HXJPEGDecoderRelease(nullptr), 0);
}

TEST_F(DecodeInterfaceTest, PortablePathCanBeForcedFromTheEnvironment) {
    setenv("VANTORY_FORCE_PORTABLE", "1", 1);
    HXJPEGLibInit();
    EXPECT_FALSE(HXJPEG::ActiveIDCT().usesSSE2);
    unsetenv("VANTORY_FORCE_PORTABLE");
    HXJPEGLibInit();
#if defined(__SSE2__)
    EXPECT_TRUE(HXJPEG::ActiveIDCT().usesSSE2);
#endif
}

TEST_F(DecodeInterfaceTest, HeaderColourSpacesAndReducedSizes) {
    std::vector<uint8_t> colour = Make("-sample 2x2", 203, 97);
    HXJPEGDecoder* decoder = nullptr;
    ASSERT_EQ(HXJPEGDecoderCreateUsingData({colour.data(), uint32_t(colour.size())}, {8, 8}, false,
                                           nullptr, &decoder),
              0);
    HXJPEGHeader header;
    ASSERT_EQ(HXJPEGDecoderReadHeader(decoder, nullptr, &header), 0);
    // One eighth rounded up to whole 16x16 MCUs: 13 MCUs across, 7 down, 2 blocks each.
    EXPECT_EQ(header.width, 26);
    EXPECT_EQ(header.height, 14);
    EXPECT_EQ(header.numComponents, 3);
    EXPECT_EQ(header.colorSpace, uint32_t(HXJPEG_COLOR_RGB));
    HXJPEGHeader again;
    EXPECT_EQ(HXJPEGDecoderReadHeader(decoder, nullptr, &again), 0);  // idempotent
    EXPECT_EQ(again.width, header.width);
    HXJPEGDecoderRelease(decoder);

    Image grey = DecodeHX(Make("-grayscale", 9, 9), 0);
    EXPECT_EQ(grey.channels, 1);
    EXPECT_EQ(grey.numComponents, 1);
}

TEST_F(DecodeInterfaceTest, UnproducibleColourSpaceLeavesTheBufferAndBadOnesAreRefused) {
    std::vector<uint8_t> colour = Make("-sample 2x2", 33, 17);
    Image cmyk = DecodeHX(colour, HXJPEG_COLOR_CMYK, false, nullptr, 0xA5);
    EXPECT_EQ(cmyk.result, 0);
    EXPECT_TRUE(
        std::all_of(cmyk.pixels.begin(), cmyk.pixels.end(), [](uint8_t v) { return v == 0xA5; }));
    EXPECT_EQ(DecodeHX(colour, 3).result, HXJPEG_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(DecodeHX(colour, 7).result, HXJPEG_ERR_INVALID_ARGUMENT);

    // Output 6 is output 1 with a fourth channel of 255; output 2 of colour is its luma.
    Image rgb = DecodeHX(colour, HXJPEG_COLOR_RGB);
    Image rgbx = DecodeHX(colour, HXJPEG_COLOR_RGBX);
    Image ycc = DecodeHX(colour, HXJPEG_COLOR_YCBCR);
    Image luma = DecodeHX(colour, HXJPEG_COLOR_GREY);
    for (size_t p = 0; p < size_t(rgb.width) * rgb.height; ++p) {
        ASSERT_EQ(rgbx.pixels[p * 4 + 0], rgb.pixels[p * 3 + 0]);
        ASSERT_EQ(rgbx.pixels[p * 4 + 2], rgb.pixels[p * 3 + 2]);
        ASSERT_EQ(rgbx.pixels[p * 4 + 3], 255);
        ASSERT_LE(std::abs(int(ycc.pixels[p * 3]) - int(luma.pixels[p])), 1);
    }
}

// Records the tile calls of one decode.
struct TileLog {
    std::vector<uint8_t> band;
    uint32_t beginHeight = 0, beginWidth = 0;
    std::vector<HXJPEGRect> got, put;
    int ends = 0;
    int refuseAt = -1;  // band index whose getTile returns false

    static bool Begin(void* self, uint32_t h, uint32_t w) {
        auto* log = static_cast<TileLog*>(self);
        log->beginHeight = h;
        log->beginWidth = w;
        log->band.assign(size_t(h) * w * 3, 0);
        return true;
    }
    static bool GetTile(void* self, HXJPEGRect rect, HXJPEGImageContent* out) {
        auto* log = static_cast<TileLog*>(self);
        if (int(log->got.size()) == log->refuseAt) {
            return false;
        }
        log->got.push_back(rect);
        *out = {{log->band.data(), log->band.data() + 1, log->band.data() + 2, nullptr},
                3,
                uint32_t(rect.width) * 3,
                3};
        return true;
    }
    static bool PutTile(void* self, HXJPEGRect rect, HXJPEGImageContent) {
        static_cast<TileLog*>(self)->put.push_back(rect);
        return true;
    }
    static void End(void* self) { ++static_cast<TileLog*>(self)->ends; }
};

int32_t DecodeWithLog(const std::vector<uint8_t>& bytes, TileLog* log) {
    HXJPEGDecoder* decoder = nullptr;
    HXJPEGDecoderCreateUsingData({bytes.data(), uint32_t(bytes.size())}, {1, 1}, false, nullptr,
                                 &decoder);
    HXJPEGHeader header;
    int32_t result = HXJPEGDecoderReadHeader(decoder, nullptr, &header);
    if (result == 0) {
        result = HXJPEGDecoderReadTiledContent(
            decoder, HXJPEG_COLOR_RGB,
            {log, TileLog::Begin, TileLog::GetTile, TileLog::PutTile, TileLog::End});
    }
    HXJPEGDecoderRelease(decoder);
    return result;
}

TEST_F(DecodeInterfaceTest, TileProtocolDeliversFullWidthBandsOfOneMCURow) {
    for (const char* options : {"-sample 2x2", "-sample 2x2 -progressive"}) {
        TileLog log;
        ASSERT_EQ(DecodeWithLog(Make(options, 1, 37), &log), 0) << options;
        EXPECT_EQ(log.beginHeight, 16u);
        EXPECT_EQ(log.beginWidth, 1u);
        ASSERT_EQ(log.got.size(), 3u);
        ASSERT_EQ(log.put.size(), 3u);
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(log.got[i].top, 16 * i);
            EXPECT_EQ(log.got[i].left, 0);
            EXPECT_EQ(log.got[i].width, 1);
            EXPECT_EQ(log.got[i].height, i < 2 ? 16 : 5);
            EXPECT_EQ(std::memcmp(&log.got[i], &log.put[i], sizeof(HXJPEGRect)), 0);
        }
        EXPECT_EQ(log.ends, 1);
    }
    TileLog refusing;
    refusing.refuseAt = 1;
    EXPECT_EQ(DecodeWithLog(Make("-sample 2x2", 40, 40), &refusing), HXJPEG_ERR_TILE_CALLBACK);
    EXPECT_EQ(refusing.put.size(), 1u);
    EXPECT_EQ(refusing.ends, 1);  // end is called after a refusal too
}

TEST_F(DecodeInterfaceTest, WarningsAreFatalUnlessTheHandlerContinues) {
    std::vector<uint8_t> bytes = Make("-sample 2x2", 64, 64);
    bytes.resize(bytes.size() * 2 / 3);
    EXPECT_EQ(DecodeHX(bytes, 1).result, HXJPEG_WARN_EARLY_END);
    WarningCounter refuse;
    refuse.goOn = false;
    EXPECT_EQ(DecodeHX(bytes, 1, false, &refuse).result, HXJPEG_WARN_EARLY_END);
    EXPECT_EQ(refuse.count, 1);
    WarningCounter goOn;
    EXPECT_EQ(DecodeHX(bytes, 1, false, &goOn).result, 0);
    EXPECT_GE(goOn.count, 1);

    // reportWarnings with no handler: every warning continues.
    HXJPEGDecoder* decoder = nullptr;
    HXJPEGDecoderCreateUsingData({bytes.data(), uint32_t(bytes.size())}, {1, 1}, true, nullptr,
                                 &decoder);
    HXJPEGHeader header;
    ASSERT_EQ(HXJPEGDecoderReadHeader(decoder, nullptr, &header), 0);
    std::vector<uint8_t> pixels(size_t(header.width) * header.height * 3);
    HXJPEGImageContent content = {{pixels.data(), pixels.data() + 1, pixels.data() + 2, nullptr},
                                  3,
                                  uint32_t(header.width) * 3,
                                  3};
    EXPECT_EQ(HXJPEGDecoderReadContent(decoder, 1, content), 0);
    HXJPEGDecoderRelease(decoder);
}

TEST_F(DecodeInterfaceTest, FrameFieldsFollowTheCodecsRules) {
    std::vector<uint8_t> bytes = Make("-sample 2x2", 40, 24);
    size_t sof = FindSegment(bytes, 0xC0);
    ASSERT_GT(sof, 0u);
    Image reference = DecodeHX(bytes, 1);

    std::vector<uint8_t> twelve = bytes;
    twelve[sof + 4] = 12;  // precision is not examined
    Image decoded = DecodeHX(twelve, 1);
    EXPECT_EQ(decoded.result, 0);
    EXPECT_TRUE(decoded.pixels == reference.pixels);

    std::vector<uint8_t> lossless = bytes;
    lossless[sof + 1] = 0xC3;
    EXPECT_EQ(DecodeHX(lossless, 1).result, HXJPEG_ERR_NO_FRAME);

    std::vector<uint8_t> sampling = bytes;
    sampling[sof + 11] = 0x51;
    EXPECT_EQ(DecodeHX(sampling, 1).result, HXJPEG_ERR_FRAME_COMPONENT);

    std::vector<uint8_t> count = bytes;
    count[sof + 9] = 5;
    EXPECT_EQ(DecodeHX(count, 1).result, HXJPEG_ERR_COMPONENT_COUNT);
}

// Any identifier 0-255 names a component; the frame's order, not the identifier, decides the
// component's role. Identifiers must be unique, and a scan may name only those of the frame.
TEST_F(DecodeInterfaceTest, ComponentIdentifiers) {
    std::vector<uint8_t> bytes = Make("-sample 2x2", 40, 24);
    size_t sof = FindSegment(bytes, 0xC0);
    size_t sos = FindSegment(bytes, 0xDA);
    ASSERT_GT(sof, 0u);
    ASSERT_GT(sos, 0u);
    ASSERT_EQ(bytes[sos + 4], 3);  // one interleaved scan of all three
    Image reference = DecodeHX(bytes, 1);
    ASSERT_EQ(reference.result, 0);
    // Frame component i has its identifier at sof+10+3i, scan component i at sos+5+2i.
    auto renumber = [&](std::vector<uint8_t> ids, std::vector<uint8_t> selectors) {
        std::vector<uint8_t> out = bytes;
        for (size_t i = 0; i < 3; ++i) {
            out[sof + 10 + 3 * i] = ids[i];
            out[sos + 5 + 2 * i] = selectors[i];
        }
        return out;
    };

    Image wide = DecodeHX(renumber({255, 0, 'B'}, {255, 0, 'B'}), 1);
    EXPECT_EQ(wide.result, 0);
    EXPECT_TRUE(wide.pixels == reference.pixels);
    EXPECT_EQ(DecodeHX(renumber({7, 9, 7}, {7, 9, 7}), 1).result, HXJPEG_ERR_FRAME_COMPONENT);
    EXPECT_EQ(DecodeHX(renumber({7, 8, 9}, {7, 8, 10}), 1).result, HXJPEG_ERR_SCAN);
}

// Restart markers follow RST0..RST7 in turn. One out of order is reported (-302), and decoding
// that goes on past it yields the samples of the intact file: only the number was wrong.
TEST_F(DecodeInterfaceTest, RestartMarkersOutOfSequence) {
    for (const std::string options : {"-sample 2x2 -restart 1B", "-progressive -restart 1B"}) {
        const std::vector<uint8_t> bytes = Make(options, 64, 40);
        std::vector<uint8_t> damaged = bytes;
        size_t sos = FindSegment(bytes, 0xDA);
        ASSERT_GT(sos, 0u);
        int restarts = 0;
        for (size_t i = sos; i + 1 < damaged.size(); ++i) {
            if (damaged[i] == 0xFF && damaged[i + 1] == 0xD2 && restarts++ == 0) {
                damaged[i + 1] = 0xD5;  // the third marker of the first scan
            }
        }
        ASSERT_GT(restarts, 0) << options;
        const Image reference = DecodeHX(bytes, 1);
        ASSERT_EQ(reference.result, 0) << options;
        EXPECT_EQ(DecodeHX(damaged, 1).result, HXJPEG_WARN_RESTART_SEQUENCE) << options;
        WarningCounter goOn;
        const Image tolerated = DecodeHX(damaged, 1, false, &goOn);
        EXPECT_EQ(tolerated.result, 0) << options;
        EXPECT_EQ(goOn.count, 1) << options;
        EXPECT_TRUE(tolerated.pixels == reference.pixels) << options;
    }
}

// A caller may lower the frame-size and scan-count limits of one decoder before its header.
TEST_F(DecodeInterfaceTest, LoweredLimits) {
    HXJPEGDecodeLimits defaults = {};
    ASSERT_EQ(HXJPEGDecodeLimitsInitDefault(&defaults), 0);
    EXPECT_EQ(defaults.maxFramePixels, 65535u * 65535u);
    EXPECT_EQ(defaults.maxScans, uint32_t{HXJPEG_MAX_SCANS});
    EXPECT_EQ(HXJPEGDecodeLimitsInitDefault(nullptr), HXJPEG_ERR_INVALID_ARGUMENT);

    const std::vector<uint8_t> bytes = Make("-progressive", 40, 24);  // ten scans
    auto decode = [&](HXJPEGDecodeLimits limits) {
        HXJPEG::Decoder decoder(HXJPEGData{bytes.data(), uint32_t(bytes.size())},
                                HXJPEGDecodeOptions{1, 1}, false);
        decoder.SetLimits(limits);
        std::vector<uint8_t> pixels(40 * 24 * 3);
        try {
            decoder.ReadHeader();
            decoder.ReadContent(
                1, {{pixels.data(), pixels.data() + 1, pixels.data() + 2}, 3, 40 * 3, 3});
        } catch (const HXJPEG::Exception& e) {
            return e.Code();
        }
        return int32_t{0};
    };
    EXPECT_EQ(decode({40 * 24, 10}), 0);
    EXPECT_EQ(decode({40 * 24 - 1, 10}), HXJPEG_ERR_OUT_OF_MEMORY);
    EXPECT_EQ(decode({40 * 24, 9}), HXJPEG_ERR_TOO_MANY_SCANS);
    EXPECT_EQ(decode({0xFFFFFFFFu, 0xFFFFFFFFu}), 0);  // raising counts as the defaults

    HXJPEGDecoder* decoder = nullptr;
    ASSERT_EQ(HXJPEGDecoderCreateUsingData({bytes.data(), uint32_t(bytes.size())}, {1, 1}, false,
                                           nullptr, &decoder),
              0);
    HXJPEGHeader header;
    ASSERT_EQ(HXJPEGDecoderReadHeader(decoder, nullptr, &header), 0);
    EXPECT_EQ(HXJPEGDecoderSetLimits(decoder, &defaults), HXJPEG_ERR_INVALID_ARGUMENT);
    EXPECT_EQ(HXJPEGDecoderSetLimits(decoder, nullptr), HXJPEG_ERR_INVALID_ARGUMENT);
    HXJPEGDecoderRelease(decoder);
}

// Takes APP2 segments only; records every call.
struct MetaLog {
    std::vector<std::pair<int, int>> begins;  // appIndex, length
    std::vector<std::string> ends;
    std::vector<uint8_t> storage[8];
    int taken = 0;
    static void Begin(void* self, uint8_t app, uint16_t length, uint8_t** buffer) {
        auto* log = static_cast<MetaLog*>(self);
        log->begins.emplace_back(app, length);
        if (app == 2 && log->taken < 8) {
            log->storage[log->taken].resize(length);
            *buffer = log->storage[log->taken++].data();
        }
    }
    static void End(void* self, uint8_t app, uint16_t length, uint8_t* buffer, bool complete) {
        static_cast<MetaLog*>(self)->ends.push_back(std::to_string(app) + ":" +
                                                    std::string(buffer, buffer + length) +
                                                    (complete ? "" : "!"));
    }
};

std::vector<uint8_t> AppSegment(uint8_t index, const std::string& payload) {
    std::vector<uint8_t> out(payload.size() + 4);
    out[0] = 0xFF;
    out[1] = uint8_t(0xE0 + index);
    out[2] = uint8_t((payload.size() + 2) >> 8);
    out[3] = uint8_t(payload.size() + 2);
    std::memcpy(out.data() + 4, payload.data(), payload.size());
    return out;
}

TEST_F(DecodeInterfaceTest, AppSegmentsReachTheMetadataHandlerInFileOrder) {
    std::vector<uint8_t> bytes = Make("-sample 2x2", 16, 16);
    std::vector<uint8_t> segments;
    for (auto [index, text] : {std::pair<uint8_t, std::string>{1, "exif-1"},
                               {2, "icc-a"},
                               {1, "exif-2"},
                               {2, "icc-b"}}) {
        std::vector<uint8_t> s = AppSegment(index, text);
        segments.insert(segments.end(), s.begin(), s.end());
    }
    bytes = InsertAfterSOI(bytes, segments);
    MetaLog log;
    HXJPEGMetaDataHandler handler = {&log, MetaLog::Begin, MetaLog::End};
    HXJPEGDecoder* raw = nullptr;
    ASSERT_EQ(HXJPEGDecoderCreateUsingData({bytes.data(), uint32_t(bytes.size())}, {1, 1}, false,
                                           nullptr, &raw),
              0);
    HXJPEGHeader header;
    ASSERT_EQ(HXJPEGDecoderReadHeader(raw, &handler, &header), 0);
    HXJPEGDecoderRelease(raw);
    // cjpeg's own APP0 comes after ours; refused segments get no end call.
    ASSERT_GE(log.begins.size(), 4u);
    EXPECT_EQ(log.begins[0], std::make_pair(1, 6));
    EXPECT_EQ(log.begins[1], std::make_pair(2, 5));
    EXPECT_EQ(log.begins[2], std::make_pair(1, 6));
    EXPECT_EQ(log.ends, (std::vector<std::string>{"2:icc-a", "2:icc-b"}));

    // A segment cut by the end of the file ends incomplete, with warning -301.
    std::vector<uint8_t> cut = {0xFF, 0xD8};
    std::vector<uint8_t> app2 = AppSegment(2, "truncated-segment");
    cut.insert(cut.end(), app2.begin(), app2.end() - 5);
    MetaLog partial;
    HXJPEGMetaDataHandler partialHandler = {&partial, MetaLog::Begin, MetaLog::End};
    ASSERT_EQ(HXJPEGDecoderCreateUsingData({cut.data(), uint32_t(cut.size())}, {1, 1}, false,
                                           nullptr, &raw),
              0);
    EXPECT_EQ(HXJPEGDecoderReadHeader(raw, &partialHandler, &header), HXJPEG_WARN_EARLY_END);
    HXJPEGDecoderRelease(raw);
    ASSERT_EQ(partial.ends.size(), 1u);
    EXPECT_EQ(partial.ends[0].back(), '!');
}

TEST_F(DecodeInterfaceTest, OwnApp14TransformZeroSelectsPlainCMYK) {
    // A YCCK-coded file read as YCCK, and the same bytes labelled "no transform" read as CMYK.
    std::vector<uint8_t> bytes = ReadCorpusFile("jpeg/pil-pil_sample_cmyk-ycck.jpg");
    std::string payload = std::string("Quarn") + std::string(6, '\0') + std::string(1, '\0');
    // Placed just before the frame, after the file's own APP14, so that it is the last one.
    size_t sof =
        std::max({FindSegment(bytes, 0xC0), FindSegment(bytes, 0xC1), FindSegment(bytes, 0xC2)});
    ASSERT_GT(sof, 0u);
    std::vector<uint8_t> plain = bytes;
    std::vector<uint8_t> app14 = AppSegment(14, payload);
    plain.insert(plain.begin() + long(sof), app14.begin(), app14.end());
    Image asYCCK = DecodeHX(bytes, HXJPEG_COLOR_CMYK);
    Image asCMYK = DecodeHX(plain, HXJPEG_COLOR_CMYK);
    ASSERT_EQ(asYCCK.result, 0);
    ASSERT_EQ(asCMYK.result, 0);
    EXPECT_FALSE(asYCCK.pixels == asCMYK.pixels);
    // The fourth channel (K) is copied either way.
    for (size_t p = 0; p < asYCCK.pixels.size(); p += 4) {
        ASSERT_EQ(asYCCK.pixels[p + 3], asCMYK.pixels[p + 3]);
    }
}

// Collects the events of the content-handler interface.
struct EventLog : HXJPEG::DefaultDecodeContentHandler {
    int starts = 0, ends = 0, frames = 0, scans = 0, quantTables = 0, huffmanTables = 0;
    std::vector<std::vector<int16_t>> blocks[4];
    void OnStartOfImage() override { ++starts; }
    void OnEndOfImage() override { ++ends; }
    void OnQuantTable(uint8_t, const uint16_t[64], uint8_t) override { ++quantTables; }
    void OnFrame(uint16_t, uint16_t, const HXJPEG::FrameComponent*, uint8_t) override { ++frames; }
    void OnDCHuffmanTable(const HXJPEG::HuffmanDecodeTable&, int) override { ++huffmanTables; }
    void OnACHuffmanTable(const HXJPEG::HuffmanDecodeTable&, int) override { ++huffmanTables; }
    void OnScan(const HXJPEG::ScanHeader&) override { ++scans; }
    void OnBlockNatural(const int16_t* natural, int component, int) override {
        blocks[component].emplace_back(natural, natural + 64);
    }
};

EventLog Coefficients(const std::vector<uint8_t>& bytes) {
    EventLog log;
    HXJPEGDecoder* raw = nullptr;
    HXJPEGDecoderCreateUsingData({bytes.data(), uint32_t(bytes.size())}, {1, 1}, false, nullptr,
                                 &raw);
    auto* inner = *reinterpret_cast<HXJPEG::JPEGDecoder**>(raw);  // the handle's first word
    inner->SetContentHandler(&log);
    EXPECT_EQ(inner->ReadCoefficients(HXJPEG::JPEGDecoder::kModeCoefficients |
                                      HXJPEG::JPEGDecoder::kModeFull),
              0);
    HXJPEGDecoderRelease(raw);
    return log;
}

TEST_F(DecodeInterfaceTest, CoefficientModeHandsOverTheSameBlocksForEveryScanStructure) {
    std::vector<uint8_t> baseline = Make("-sample 2x1", 50, 20);
    fs::path source = dir_.path() / "base.jpg";
    fs::path twin = dir_.path() / "twin.jpg";
    WriteFile(source, baseline);
    ASSERT_TRUE(RunTool("jpegtran -progressive -outfile " + twin.string() + " " + source.string()));
    EventLog a = Coefficients(baseline);
    EventLog b = Coefficients(ReadFile(twin));
    EXPECT_EQ(a.starts, 1);
    EXPECT_EQ(a.ends, 1);
    EXPECT_EQ(a.frames, 1);
    EXPECT_EQ(a.scans, 1);
    EXPECT_GT(b.scans, 1);
    EXPECT_EQ(a.quantTables, 2);
    EXPECT_EQ(a.huffmanTables, 4);
    // 4 MCUs across (16 wide), 3 down: 2 luma blocks and 1 of each chroma per MCU.
    EXPECT_EQ(a.blocks[0].size(), 24u);
    EXPECT_EQ(a.blocks[1].size(), 12u);
    for (int c = 0; c < 3; ++c) {
        EXPECT_TRUE(a.blocks[c] == b.blocks[c]) << "component " << c;
    }
}

TEST_F(DecodeInterfaceTest, WrapperThrowsTheResultCode) {
    struct VectorReader : HXJPEG::Reader {
        std::vector<uint8_t> bytes;
        size_t at = 0;
        bool Skip(uint32_t count) override {
            if (count > bytes.size() - at) {
                return false;
            }
            at += count;
            return true;
        }
        bool Read(uint8_t* buffer, uint32_t count, uint32_t* got) override {
            *got = uint32_t(std::min<size_t>(count, bytes.size() - at));
            std::memcpy(buffer, bytes.data() + at, *got);
            at += *got;
            return at < bytes.size();
        }
        void Release() override {}
    };
    VectorReader reader;
    reader.bytes = Make("-sample 2x2", 20, 20);
    HXJPEG::Decoder decoder(reader, {1, 1}, false);
    HXJPEGHeader header = decoder.ReadHeader();
    EXPECT_EQ(header.width, 20);
    std::vector<uint8_t> pixels(20 * 20);
    decoder.ReadContent(HXJPEG_COLOR_GREY, {{pixels.data()}, 1, 20, 1});

    std::vector<uint8_t> junk = {1, 2, 3};
    HXJPEG::Decoder bad(HXJPEGData{junk.data(), 3}, {1, 1}, false);
    try {
        bad.ReadHeader();
        FAIL() << "no exception";
    } catch (const HXJPEG::Exception& e) {
        EXPECT_EQ(e.Code(), HXJPEG_ERR_NO_FRAME);
        EXPECT_NE(std::string(e.what()), "");
    }
}

}  // namespace
