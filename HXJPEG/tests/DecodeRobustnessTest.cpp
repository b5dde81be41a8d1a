// Damaged, truncated and hostile input: the decoder answers with its documented codes, never
// reads or writes out of bounds (the sanitizer run checks that), never loops without end and
// never allocates beyond its limits.
#include <gtest/gtest.h>

#include <random>
#include <set>

#include "DecodeTestSupport.h"

using namespace hxjpeg_test;
namespace fs = std::filesystem;

namespace {

const std::set<int32_t> kDocumentedCodes = {0,  -1, -2,  -3,   -4,   -6,   -7,
                                            -8, -9, -10, -102, -103, -300, -301};

// A tile sink that holds one band, sums every sample it receives (so that uninitialised output
// would show under the sanitizers) and counts the bands.
struct BandSink {
    std::vector<uint8_t> band;
    uint64_t sum = 0;
    int bands = 0;
    int ends = 0;
    uint32_t channels = 4;

    static bool Begin(void* self, uint32_t bandHeight, uint32_t width) {
        auto* s = static_cast<BandSink*>(self);
        s->band.assign(size_t(bandHeight) * width * s->channels, 0);
        return true;
    }
    static bool GetTile(void* self, HXJPEGRect rect, HXJPEGImageContent* out) {
        auto* s = static_cast<BandSink*>(self);
        *out = {};
        for (uint32_t i = 0; i < s->channels; ++i) {
            out->planes[i] = s->band.data() + i;
        }
        out->pixelStride = s->channels;
        out->rowStride = uint32_t(rect.width) * s->channels;
        out->numPlanes = uint8_t(s->channels);
        return true;
    }
    static bool PutTile(void* self, HXJPEGRect rect, HXJPEGImageContent) {
        auto* s = static_cast<BandSink*>(self);
        size_t n = size_t(rect.height) * rect.width * s->channels;
        for (size_t i = 0; i < n; ++i) {
            s->sum += s->band[i];
        }
        ++s->bands;
        return true;
    }
    static void End(void* self) { ++static_cast<BandSink*>(self)->ends; }

    HXJPEGTiledContentWriter Writer() { return {this, Begin, GetTile, PutTile, End}; }
};

int32_t DecodeTiled(const std::vector<uint8_t>& bytes, uint32_t colorSpace, bool reduced,
                    WarningCounter* warnings, BandSink* sink = nullptr) {
    BandSink local;
    sink = sink != nullptr ? sink : &local;
    HXJPEGDecodeOptions options = {uint8_t(reduced ? 8 : 1), uint8_t(reduced ? 8 : 1)};
    HXJPEGWarningHandler handler = {warnings, WarningCounter::OnWarning};
    HXJPEGDecoder* decoder = nullptr;
    HXJPEGData data = {bytes.data(), uint32_t(bytes.size())};
    int32_t result = HXJPEGDecoderCreateUsingData(data, options, warnings != nullptr,
                                                  warnings ? &handler : nullptr, &decoder);
    if (result == 0) {
        HXJPEGHeader header;
        result = HXJPEGDecoderReadHeader(decoder, nullptr, &header);
        if (result == 0) {
            result = HXJPEGDecoderReadTiledContent(decoder, colorSpace, sink->Writer());
        }
    }
    HXJPEGDecoderRelease(decoder);
    return result;
}

// Minimal hand-built streams: 8-bit tables of ones, one DC table with the single 1-bit code
// for category 0, and one AC table whose single code is EOB.
void Segment(std::vector<uint8_t>& out, uint8_t marker, const std::vector<uint8_t>& payload) {
    out.push_back(0xFF);
    out.push_back(marker);
    out.push_back(uint8_t((payload.size() + 2) >> 8));
    out.push_back(uint8_t(payload.size() + 2));
    out.insert(out.end(), payload.begin(), payload.end());
}

std::vector<uint8_t> Header(uint8_t sof, uint16_t width, uint16_t height, int components) {
    std::vector<uint8_t> out = {0xFF, 0xD8};
    std::vector<uint8_t> dqt(65, 1);
    dqt[0] = 0;
    Segment(out, 0xDB, dqt);
    std::vector<uint8_t> frame = {8,
                                  uint8_t(height >> 8),
                                  uint8_t(height),
                                  uint8_t(width >> 8),
                                  uint8_t(width),
                                  uint8_t(components)};
    for (int c = 1; c <= components; ++c) {
        frame.insert(frame.end(), {uint8_t(c), 0x11, 0});
    }
    Segment(out, sof, frame);
    std::vector<uint8_t> dht = {0x00, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00,
                                0x10, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x00};
    Segment(out, 0xC4, dht);
    return out;
}

std::vector<uint8_t> ScanHeader(int components, uint8_t ss, uint8_t se, uint8_t ahal) {
    std::vector<uint8_t> sos = {uint8_t(components)};
    for (int c = 1; c <= components; ++c) {
        sos.insert(sos.end(), {uint8_t(c), 0x00});
    }
    sos.insert(sos.end(), {ss, se, ahal});
    std::vector<uint8_t> out;
    Segment(out, 0xDA, sos);
    return out;
}

class DecodeRobustnessTest : public ::testing::Test {
protected:
    void SetUp() override { HXJPEGLibInit(); }
};

TEST_F(DecodeRobustnessTest, CorruptAndRejectedCorpusFilesFailCleanly) {
    const std::map<std::string, int32_t> kRejected = {
        {"jd-invalid-prediction-shift-sof3.jpg", HXJPEG_ERR_NO_FRAME},
        {"jd-its-bd8cf056-sof10.jpg", HXJPEG_ERR_NO_FRAME},
        {"jd-jpeg_lossless_sel1-sof3-16bit.jpg", HXJPEG_ERR_NO_FRAME},
        {"ljt-testimgari-sof9-arith.jpg", HXJPEG_ERR_NO_FRAME},
        // 12-bit samples are read as if they were 8-bit: an image, though not a faithful one.
        {"ljt-monkey12-sof1-12bit.jpg", HXJPEG_OK},
    };
    const std::vector<fs::path> rejected = CorpusFilesIn("jpeg/reject");
    ASSERT_GE(rejected.size(), kRejected.size());
    for (const fs::path& file : rejected) {
        std::string name = file.filename().string();
        ASSERT_TRUE(kRejected.count(name)) << name;
        WarningCounter goOn;
        EXPECT_EQ(DecodeTiled(ReadFile(file), 0, false, &goOn), kRejected.at(name)) << name;
    }
    int files = 0;
    for (const fs::path& file : CorpusFilesIn("jpeg/corrupt")) {
        std::string name = file.filename().string();
        std::vector<uint8_t> bytes = ReadFile(file);
        // Every output colour space on the small files; the large ones once per mode.
        std::vector<uint32_t> spaces = {0, 1, 2, 4, 5, 6};
        if (bytes.size() > 300000) {
            spaces = {0};
        }
        for (uint32_t space : spaces) {
            for (bool reduced : {false, true}) {
                WarningCounter goOn;
                EXPECT_TRUE(kDocumentedCodes.count(DecodeTiled(bytes, space, reduced, &goOn)))
                    << name;
                EXPECT_TRUE(kDocumentedCodes.count(DecodeTiled(bytes, space, reduced, nullptr)))
                    << name;
            }
        }
        ++files;
    }
    EXPECT_GE(files, 15);
}

TEST_F(DecodeRobustnessTest, MutatedFilesNeverEscapeTheDocumentedCodes) {
    std::mt19937 random(20261206);
    int decoded = 0;
    for (const char* file :
         {"wuffs-peacock-s2x2-420.jpeg", "wuffs-peacock-progressive.jpeg", "jd-restarts.jpg",
          "jd-non-interleaved-mcu-progressive-dri.jpg", "wuffs-peacock-s-very-weird.jpeg",
          "jd-16bit-qtables.jpg", "pil-pil_sample_cmyk-ycck.jpg"}) {
        const std::vector<uint8_t> original = ReadCorpusFile(std::string("jpeg/") + file);
        ASSERT_FALSE(original.empty()) << file;
        for (int round = 0; round < 150; ++round) {
            std::vector<uint8_t> bytes = original;
            switch (random() % 4) {
                case 0:  // flip bits anywhere
                    for (int i = 0, n = 1 + int(random() % 4); i < n; ++i) {
                        bytes[random() % bytes.size()] ^= uint8_t(1u << (random() % 8));
                    }
                    break;
                case 1:  // truncate
                    bytes.resize(random() % bytes.size());
                    break;
                case 2:  // a marker dropped into the middle
                    bytes.insert(bytes.begin() + long(random() % bytes.size()),
                                 {0xFF, uint8_t(0xC0 + random() % 0x3F)});
                    break;
                default:  // overwrite a header byte
                    bytes[random() % std::min<size_t>(bytes.size(), 700)] = uint8_t(random());
                    break;
            }
            uint32_t space = std::vector<uint32_t>{0, 1, 2, 4, 5, 6}[random() % 6];
            WarningCounter goOn;
            int32_t result = DecodeTiled(bytes, space, random() % 2, &goOn);
            EXPECT_TRUE(kDocumentedCodes.count(result)) << file << " round " << round;
            ++decoded;
        }
    }
    EXPECT_EQ(decoded, 7 * 150);
}

TEST_F(DecodeRobustnessTest, ThousandsOfTinyScansAreCapped) {
    std::vector<uint8_t> file = Header(0xC2, 8, 8, 1);
    std::vector<uint8_t> first = ScanHeader(1, 0, 0, 0x01);
    file.insert(file.end(), first.begin(), first.end());
    file.push_back(0x00);
    for (int i = 0; i < 3000; ++i) {
        std::vector<uint8_t> refine = ScanHeader(1, 0, 0, 0x10);
        file.insert(file.end(), refine.begin(), refine.end());
        file.push_back(0x00);
    }
    file.insert(file.end(), {0xFF, 0xD9});
    EXPECT_EQ(DecodeTiled(file, 0, false, nullptr), HXJPEG_ERR_TOO_MANY_SCANS);

    // Within the cap the same structure decodes.
    file.resize(Header(0xC2, 8, 8, 1).size() + first.size() + 1 + 10 * (first.size() + 1));
    file.insert(file.end(), {0xFF, 0xD9});
    EXPECT_EQ(DecodeTiled(file, 0, false, nullptr), HXJPEG_OK);
}

TEST_F(DecodeRobustnessTest, OversubscribedHuffmanTableIsRefused) {
    // Three codes of length 1 cannot exist; building the look-ahead for them would overrun it.
    std::vector<uint8_t> file = Header(0xC0, 8, 8, 1);
    for (size_t i = 2; i + 5 < file.size(); ++i) {
        if (file[i] == 0xFF && file[i + 1] == 0xC4) {
            file[i + 5] = 3;
            break;
        }
    }
    std::vector<uint8_t> scan = ScanHeader(1, 0, 63, 0);
    file.insert(file.end(), scan.begin(), scan.end());
    file.insert(file.end(), {0x00, 0xFF, 0xD9});
    EXPECT_EQ(DecodeTiled(file, 0, false, nullptr), HXJPEG_ERR_HUFFMAN);
}

TEST_F(DecodeRobustnessTest, HugeFramesWithLittleDataFailFast) {
    // A multi-scan image would need a coefficient store beyond the documented limit.
    for (int components : {1, 3}) {
        std::vector<uint8_t> file = Header(0xC2, 65535, 65535, components);
        std::vector<uint8_t> scan = ScanHeader(components, 0, 0, 0);
        file.insert(file.end(), scan.begin(), scan.end());
        file.insert(file.end(), {0x00, 0xFF, 0xD9});
        WarningCounter goOn;
        EXPECT_EQ(DecodeTiled(file, 0, false, &goOn), HXJPEG_ERR_OUT_OF_MEMORY);
    }
    // Single pass needs no store; with every warning fatal it stops at the end of the data.
    std::vector<uint8_t> file = Header(0xC0, 65535, 65535, 3);
    std::vector<uint8_t> scan = ScanHeader(3, 0, 63, 0);
    file.insert(file.end(), scan.begin(), scan.end());
    file.insert(file.end(), {0x00, 0x00, 0xFF, 0xD9});
    BandSink sink;
    EXPECT_EQ(DecodeTiled(file, 1, false, nullptr, &sink), HXJPEG_WARN_EARLY_END);
    EXPECT_LE(sink.bands, 1);
    EXPECT_EQ(sink.ends, 1);
}

// A reader that, after a real header, delivers zero bytes forever and never reports the end.
struct EndlessReader {
    std::vector<uint8_t> head;
    size_t at = 0;
    uint64_t delivered = 0;
    static bool Skip(void*, uint32_t) { return true; }
    static bool Read(void* self, uint8_t* buffer, uint32_t count, uint32_t* got) {
        auto* r = static_cast<EndlessReader*>(self);
        for (uint32_t i = 0; i < count; ++i) {
            buffer[i] = r->at < r->head.size() ? r->head[r->at++] : 0;
        }
        r->delivered += count;
        *got = count;
        return true;
    }
};

TEST_F(DecodeRobustnessTest, EntropyDataThatNeverEndsTerminates) {
    EndlessReader source;
    source.head = Header(0xC0, 512, 512, 1);
    std::vector<uint8_t> scan = ScanHeader(1, 0, 63, 0);
    source.head.insert(source.head.end(), scan.begin(), scan.end());
    HXJPEGReader reader = {&source, EndlessReader::Skip, EndlessReader::Read, nullptr};
    HXJPEGDecoder* decoder = nullptr;
    ASSERT_EQ(HXJPEGDecoderCreate(reader, {1, 1}, false, nullptr, &decoder), 0);
    HXJPEGHeader header;
    ASSERT_EQ(HXJPEGDecoderReadHeader(decoder, nullptr, &header), 0);
    BandSink sink;
    // The whole frame decodes, then the search for the next marker gives up: input ended early.
    EXPECT_EQ(HXJPEGDecoderReadTiledContent(decoder, 0, sink.Writer()), HXJPEG_WARN_EARLY_END);
    EXPECT_EQ(sink.bands, 64);
    EXPECT_LT(source.delivered, uint64_t(256) << 20);
    HXJPEGDecoderRelease(decoder);
}

// A cjpeg baseline file and the offset where its entropy-coded data starts.
std::vector<uint8_t> MakeBaseline(const TempDir& dir, const std::string& options,
                                  size_t* dataStart) {
    fs::path ppm = dir.path() / "in.ppm";
    fs::path jpg = dir.path() / "out.jpg";
    WriteFile(ppm, SyntheticPPM(203, 97));
    EXPECT_TRUE(
        RunTool("cjpeg -quality 85 " + options + " -outfile " + jpg.string() + " " + ppm.string()));
    std::vector<uint8_t> bytes = ReadFile(jpg);
    for (size_t i = 2; i + 4 < bytes.size();) {
        size_t length = (size_t(bytes[i + 2]) << 8) | bytes[i + 3];
        if (bytes[i + 1] == 0xDA) {
            *dataStart = i + 2 + length;
            break;
        }
        i += 2 + length;
    }
    return bytes;
}

TEST_F(DecodeRobustnessTest, MarkersInsideEntropyDataEndTheScanWithAWarning) {
    TempDir dir;
    size_t start = 0;
    std::vector<uint8_t> bytes = MakeBaseline(dir, "-sample 2x2", &start);
    ASSERT_GT(start, 0u);
    for (uint8_t marker : {0xD9, 0xC4, 0xDA, 0xE1}) {
        std::vector<uint8_t> damaged = bytes;
        damaged.insert(damaged.begin() + long(start + (bytes.size() - start) / 2), {0xFF, marker});
        EXPECT_EQ(DecodeHX(damaged, 1).result, HXJPEG_WARN_EARLY_END) << int(marker);
        WarningCounter goOn;
        EXPECT_TRUE(kDocumentedCodes.count(DecodeHX(damaged, 1, false, &goOn).result));
        EXPECT_GE(goOn.count, 1);
    }
}

TEST_F(DecodeRobustnessTest, TruncatedFileKeepsItsUndamagedRows) {
    TempDir dir;
    size_t start = 0;
    std::vector<uint8_t> bytes = MakeBaseline(dir, "-sample 2x2", &start);
    Image intact = DecodeHX(bytes, HXJPEG_COLOR_RGB);
    ASSERT_EQ(intact.result, 0);
    std::vector<uint8_t> cut(bytes.begin(),
                             bytes.begin() + long(start + (bytes.size() - start) / 2));

    EXPECT_EQ(DecodeHX(cut, HXJPEG_COLOR_RGB).result, HXJPEG_WARN_EARLY_END);
    WarningCounter stop;
    stop.goOn = false;
    EXPECT_EQ(DecodeHX(cut, HXJPEG_COLOR_RGB, false, &stop).result, HXJPEG_WARN_EARLY_END);

    WarningCounter goOn;
    Image partial = DecodeHX(cut, HXJPEG_COLOR_RGB, false, &goOn);
    ASSERT_EQ(partial.result, 0);
    EXPECT_GE(goOn.count, 1);
    size_t row = size_t(intact.width) * 3;
    int identicalRows = 0;
    while (identicalRows < intact.height &&
           std::equal(intact.pixels.begin() + long(identicalRows * row),
                      intact.pixels.begin() + long((identicalRows + 1) * row),
                      partial.pixels.begin() + long(identicalRows * row))) {
        ++identicalRows;
    }
    // Half of the data holds roughly half of the rows; at least the first 16-row bands of it
    // must be exact, and the missing part is the grey of zero coefficients.
    EXPECT_GE(identicalRows, 32);
    EXPECT_LT(identicalRows, intact.height);
    const uint8_t* last = partial.pixels.data() + (partial.height - 1) * row;
    EXPECT_TRUE(std::all_of(last, last + row, [](uint8_t v) { return v == 128; }));
}

}  // namespace
