#include "ThumbMetaLib/video/FFmpegLimits.h"

#include <mutex>

extern "C" {
#include <libavutil/mem.h>
}

namespace ThumbMetaLib::video {

void CapFFmpegAllocations() {
    static std::once_flag once;
    std::call_once(once, [] { av_max_alloc(kMaxFFmpegAllocation); });
}

}  // namespace ThumbMetaLib::video
