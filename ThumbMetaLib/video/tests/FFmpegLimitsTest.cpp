// FFmpeg's allocations are capped before a file can size them.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/mem.h>
}

#include "ThumbMetaLib/video/FFmpegLimits.h"
#include "ThumbMetaLib/video/VideoThumbnail.h"

namespace ThumbMetaLib {
namespace {

// A fuzzer's find: a 4 KB MP4 whose sample table claims 269 MB, which FFmpeg allocated while
// probing. With the cap in force the file gives no frame, and no block above the cap is
// handed out.
TEST(FFmpegLimitsTest, AFileCannotSizeFFmpegsAllocations) {
    std::ifstream in(
        std::string(VANTORY_CORPUS_DIR) + "/fuzz-regressions/video/oom-260ea29d7f50f372",
        std::ios::binary);
    const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in),
                                     std::istreambuf_iterator<char>()};
    ASSERT_EQ(bytes.size(), 3996u);
    EXPECT_FALSE(VideoThumbnailFromMemory(bytes.data(), bytes.size(), 256, {}));
    void* block = av_malloc(video::kMaxFFmpegAllocation + 1);
    EXPECT_EQ(block, nullptr);
    av_free(block);
    void* frame = av_malloc(video::kMaxFFmpegAllocation / 2);
    EXPECT_NE(frame, nullptr);
    av_free(frame);
}

}  // namespace
}  // namespace ThumbMetaLib
