// Video frames against the frames the `ffmpeg` tool extracts at the same moment: common
// codecs and containers, turned and stretched clips, blank openings, clips too short or
// without a duration, and files that must give no thumbnail without harm.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <string>

#include <unistd.h>

#include <mutex>
#include <utility>
#include <vector>

#include "ThumbMetaLib/engine/ThumbnailHooks.h"
#include "ThumbMetaLib/video/BlankFrame.h"
#include "ThumbMetaLib/video/VideoThumbnail.h"
#include "ThumbMetaLib/video/tests/VideoTestClips.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/data/IKVString.h"
#include "kvfoundation/impl/AbstractLog.h"
#include "kvfoundation/util/ProcessLog.h"

namespace ThumbMetaLib::test {
namespace {

// Measured: our frames equal ffmpeg's to the last bit (mean difference 0.00 per sample: both
// convert and scale with libswscale, bicubic). The bound leaves room for other FFmpeg builds;
// a frame of the neighbouring moment (40 ms later) differs by 4.5.
constexpr double kMeanDifferenceBound = 1.0;

class VideoThumbnailTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        RegisterVideoFrames();  // FFmpeg's messages into the log, not onto the terminal
        folder_ = new TempFolder();
        const std::string picture = TestPicture(320, 240, 10);
        h264_ = MakeClip("clip.mp4", picture + " -c:v libx264 -pix_fmt yuv420p");
        vp9_ = MakeClip("clip.webm",
                        picture + " -c:v libvpx-vp9 -deadline realtime -cpu-used 8 -b:v 300k");
        mpeg4_ = MakeClip("clip.avi", picture + " -c:v mpeg4 -q:v 3");
        rotated_ =
            MakeClip("phone.mp4", "-i " + Quoted(h264_) + " -c copy -metadata:s:v:0 rotate=90");
        stretched_ =
            MakeClip("anamorphic.mp4", TestPicture(160, 240, 4) + " -vf setsar=2 -c:v libx264");
        blankOpening_ =
            MakeClip("fade-in.mp4",
                     "-f lavfi -i color=black:size=320x240:rate=25:duration=2 " + picture +
                         " -filter_complex [0][1]concat=n=2:v=1 -c:v libx264 -pix_fmt yuv420p");
    }
    static void TearDownTestSuite() { delete folder_; }

    static void ExpectLikeFFmpeg(const std::string& path, double seconds, uint32_t width,
                                 uint32_t height, const std::string& turn = "") {
        const PixelsPtr pixels = VideoThumbnail(path, 256);
        ASSERT_TRUE(pixels) << path;
        EXPECT_EQ(pixels->Mode(), kModeRGB);
        EXPECT_EQ(pixels->Layout(), kLayoutInterleaved);
        EXPECT_EQ(pixels->Channels(), 4);
        ASSERT_EQ(pixels->Width(), width) << path;
        ASSERT_EQ(pixels->Height(), height) << path;
        EXPECT_EQ(PixelAt(*pixels, width / 2, height / 2)[3], 255);
        const double difference =
            MeanDifference(*pixels, ReferenceFrame(path, seconds, width, height, turn));
        EXPECT_LT(difference, kMeanDifferenceBound) << path;
        std::printf("  %s: mean difference %.2f\n", std::filesystem::path(path).filename().c_str(),
                    difference);
    }

    static TempFolder* folder_;
    static std::string h264_, vp9_, mpeg4_, rotated_, stretched_, blankOpening_;
};

TempFolder* VideoThumbnailTest::folder_ = nullptr;
std::string VideoThumbnailTest::h264_, VideoThumbnailTest::vp9_, VideoThumbnailTest::mpeg4_,
    VideoThumbnailTest::rotated_, VideoThumbnailTest::stretched_, VideoThumbnailTest::blankOpening_;

TEST_F(VideoThumbnailTest, FrameAtATenthOfTheDurationInEveryContainer) {
    for (const std::string& clip : {h264_, vp9_, mpeg4_}) {
        ExpectLikeFFmpeg(clip, 1.0, 256, 192);
    }
}

TEST_F(VideoThumbnailTest, TurnedAndStretchedAsPlayersShowThem) {
    // The matrix the "rotate" tag leaves in this file turns the picture a quarter counter-
    // clockwise (ffprobe: rotation=90), as ffmpeg's own autorotation does too. We scale before
    // turning, ffmpeg after: compared with ffmpeg scaling first, the pixels are the same.
    ExpectLikeFFmpeg(rotated_, 1.0, 192, 256, "transpose=cclock");
    // 160 x 240 samples twice as wide as high: shown 320 x 240.
    ExpectLikeFFmpeg(stretched_, 0.4, 256, 192);
}

TEST_F(VideoThumbnailTest, MirroringMatricesAreFlippedAsWellAsTurned) {
    // [a b; c d] with points mapped as (x, y) * M, y down; the filters that show the same.
    struct Case {
        int a, b, c, d;
        const char* filters;
        uint32_t width, height;
    };
    for (const Case& mirror :
         {Case{-1, 0, 0, 1, "hflip", 256, 192}, Case{1, 0, 0, -1, "vflip", 256, 192},
          Case{0, 1, 1, 0, "transpose=cclock_flip", 192, 256},
          Case{0, -1, -1, 0, "transpose=clock_flip", 192, 256}}) {
        const std::string clip =
            WithDisplayMatrix(*folder_, h264_, std::string("mirrored-") + mirror.filters + ".mp4",
                              mirror.a, mirror.b, mirror.c, mirror.d);
        ASSERT_FALSE(clip.empty());
        ExpectLikeFFmpeg(clip, 1.0, mirror.width, mirror.height, mirror.filters);
    }
}

TEST_F(VideoThumbnailTest, BlankOpeningIsSkippedButABlankClipStillGivesAFrame) {
    ExpectLikeFFmpeg(blankOpening_, 2.0, 256, 192);
    // Ten frames end the skip before its three seconds do (the picture starts 20 frames on):
    // the first black frame is kept.
    VideoLimits tenFrames;
    tenFrames.blankSkipFrames = 10;
    const PixelsPtr early = VideoThumbnail(blankOpening_, 128, tenFrames);
    ASSERT_TRUE(early);
    EXPECT_TRUE(video::IsNearlyBlank(*early));
    const std::string black = MakeClip("black.mp4",
                                       "-f lavfi -i color=black:size=320x240:rate=25:duration=3 "
                                       "-c:v libx264");
    const PixelsPtr pixels = VideoThumbnail(black, 128);
    ASSERT_TRUE(pixels);
    EXPECT_EQ(pixels->Width(), 128u);
    EXPECT_LT(PixelAt(*pixels, 64, 48)[0], 20);
}

TEST_F(VideoThumbnailTest, ShortClipsAndClipsWithoutDuration) {
    const std::string twoFrames =
        MakeClip("two.mp4", TestPicture(320, 240, 1) + " -frames:v 2 -c:v libx264");
    ExpectLikeFFmpeg(twoFrames, 0.04, 256, 192);
    // A bare H.264 stream has no container to record a duration: the first frame.
    const std::string bare =
        MakeClip("bare.h264", TestPicture(320, 240, 2) + " -c:v libx264 -f h264");
    ExpectLikeFFmpeg(bare, 0.0, 256, 192);
    // Smaller than the size asked for: scaled up to it.
    const PixelsPtr large = VideoThumbnail(h264_, 640);
    ASSERT_TRUE(large);
    EXPECT_EQ(large->Width(), 640u);
    EXPECT_EQ(large->Height(), 480u);
}

TEST_F(VideoThumbnailTest, TransparentFramesComeOutOpaque) {
    const std::string clip =
        MakeClip("transparent.mov",
                 TestPicture(64, 48, 1) + " -vf format=rgba,colorchannelmixer=aa=0.3 -c:v png");
    const PixelsPtr pixels = VideoThumbnail(clip, 64);
    ASSERT_TRUE(pixels);
    for (uint32_t y = 0; y < pixels->Height(); ++y) {
        for (uint32_t x = 0; x < pixels->Width(); ++x) {
            ASSERT_EQ(PixelAt(*pixels, x, y)[3], 255) << x << "," << y;
        }
    }
}

TEST_F(VideoThumbnailTest, FilesWithoutAFrameGiveNone) {
    const std::string audio = MakeClip("audio.m4a", "-f lavfi -i sine=duration=2 -c:a aac");
    const std::string empty = folder_->Write("empty.mp4", std::string());
    const std::string text = folder_->Write("text.avi", std::string(5000, 'x'));
    const std::string bytes = ReadFile(h264_);
    // The index of this file is at its end: a cut file has none.
    const std::string cut = folder_->Write("cut.mp4", bytes.substr(0, bytes.size() / 2));
    for (const std::string& path : {audio, empty, text, cut, folder_->File("missing.mp4")}) {
        EXPECT_FALSE(VideoThumbnail(path, 256)) << path;
    }
    EXPECT_FALSE(VideoThumbnail(h264_, 0));
}

TEST_F(VideoThumbnailTest, LimitsEndTheWork) {
    VideoLimits small;
    small.maxFramePixels = 320 * 240 - 1;
    EXPECT_FALSE(VideoThumbnail(h264_, 256, small));
    VideoLimits hurried;
    hurried.seconds = 0;
    EXPECT_FALSE(VideoThumbnail(h264_, 256, hurried));
    // Five frames' worth of decoding after the key frame: an earlier frame than the moment's.
    VideoLimits shortWay;
    shortWay.decodeAheadPixels = 320 * 240 * 5;
    const PixelsPtr early = VideoThumbnail(h264_, 256, shortWay);
    ASSERT_TRUE(early);
    EXPECT_GT(MeanDifference(*early, ReferenceFrame(h264_, 1.0, 256, 192)), kMeanDifferenceBound);
}

TEST_F(VideoThumbnailTest, MemoryGivesTheSameFrameAsTheFile) {
    const PixelsPtr fromFile = VideoThumbnail(mpeg4_, 200);
    const std::string bytes = ReadFile(mpeg4_);
    const PixelsPtr fromMemory =
        VideoThumbnailFromMemory(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), 200);
    ASSERT_TRUE(fromFile);
    ASSERT_TRUE(fromMemory);
    ASSERT_EQ(fromMemory->ByteCount(), fromFile->ByteCount());
    EXPECT_EQ(0, std::memcmp(fromMemory->Bytes(), fromFile->Bytes(), fromFile->ByteCount()));
}

// A named demuxer reads its own container without the probe and nothing else.
TEST_F(VideoThumbnailTest, NamedDemuxerReadsOnlyItsContainer) {
    const std::string bytes = ReadFile(mpeg4_);
    const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
    VideoLimits limits;
    limits.demuxer = "avi";
    const PixelsPtr named = VideoThumbnailFromMemory(data, bytes.size(), 200, limits);
    const PixelsPtr probed = VideoThumbnailFromMemory(data, bytes.size(), 200);
    ASSERT_TRUE(named);
    ASSERT_TRUE(probed);
    ASSERT_EQ(named->ByteCount(), probed->ByteCount());
    EXPECT_EQ(0, std::memcmp(named->Bytes(), probed->Bytes(), probed->ByteCount()));
    limits.demuxer = "matroska";
    EXPECT_FALSE(VideoThumbnailFromMemory(data, bytes.size(), 200, limits));
    limits.demuxer = "no-such-demuxer";
    EXPECT_FALSE(VideoThumbnailFromMemory(data, bytes.size(), 200, limits));
}

TEST_F(VideoThumbnailTest, VideosOfTheTestData) {
    struct Expected {
        const char* name;
        uint32_t width, height;
    };
    for (const Expected& video :
         {Expected{"mei-sample.3gp", 256, 209}, Expected{"mei-with-gps.mp4", 256, 144},
          Expected{"mei-xmp480qt.mov", 256, 144}}) {
        const std::string path = std::string(VANTORY_CORPUS_DIR "/video/") + video.name;
        ASSERT_TRUE(std::filesystem::exists(path)) << "missing test file " << path;
        const PixelsPtr pixels = VideoThumbnail(path, 256);
        ASSERT_TRUE(pixels) << path;
        EXPECT_EQ(pixels->Width(), video.width) << path;
        EXPECT_EQ(pixels->Height(), video.height) << path;
    }
}

// Keeps what is logged, with its level.
class CapturingLog final : public kvfoundation::impl::AbstractLog {
public:
    CapturingLog() : AbstractLog(4) {}
    void Write(int32_t level, kvfoundation::data::IKVString* message) override {
        // Read without converting: a conversion would autorelease, and with no pool that is
        // logged in turn.
        std::string text;
        for (int32_t i = 0; i < message->Length(); ++i) {
            text.push_back(static_cast<char>(message->Characters()[i] & 0x7f));
        }
        std::lock_guard<std::mutex> guard(lock_);
        lines_.emplace_back(level, std::move(text));
    }
    std::vector<std::pair<int32_t, std::string>> Lines() {
        std::lock_guard<std::mutex> guard(lock_);
        return lines_;
    }

private:
    std::mutex lock_;
    std::vector<std::pair<int32_t, std::string>> lines_;
};

TEST_F(VideoThumbnailTest, FFmpegTalksToOurLogNeverToStandardError) {
    // Garbage over the middle of the picture data: the decoder complains about every frame.
    std::string bytes = ReadFile(h264_);
    for (size_t at = bytes.size() / 8; at < bytes.size() * 3 / 4; at += 997) {
        bytes.replace(at, 200, std::string(200, '\x5a'));
    }
    const std::string damaged = folder_->Write("damaged.mp4", bytes);

    const auto log = kvfoundation::base::KVRefCountT<CapturingLog>::Adopt(new CapturingLog());
    kvfoundation::util::SetProcessLog(log.get());
    const std::string errors = folder_->File("stderr.txt");
    std::fflush(stderr);
    const int saved = ::dup(2);
    std::FILE* sink = std::fopen(errors.c_str(), "w");
    ::dup2(::fileno(sink), 2);
    VideoThumbnail(damaged, 256);
    std::fflush(stderr);
    ::dup2(saved, 2);
    ::close(saved);
    std::fclose(sink);
    kvfoundation::util::SetProcessLog(nullptr);

    EXPECT_EQ(ReadFile(errors), "");
    int fromFFmpeg = 0;
    for (const auto& [level, text] : log->Lines()) {
        if (text.rfind("FFmpeg: ", 0) == 0) {
            ++fromFFmpeg;
            EXPECT_GE(level, 2) << text;  // a damaged file is no error of ours
        }
    }
    EXPECT_GT(fromFFmpeg, 0);
    EXPECT_LE(fromFFmpeg, 20);  // one file's budget
}

TEST_F(VideoThumbnailTest, RegisteringMakesVideoAvailable) {
    RegisterVideoFrames();
    EXPECT_TRUE(VideoAvailable());
}

}  // namespace
}  // namespace ThumbMetaLib::test
