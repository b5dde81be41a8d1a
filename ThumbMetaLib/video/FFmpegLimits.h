#pragma once
// Bounds on what FFmpeg may allocate for one file.
#include <cstddef>

namespace ThumbMetaLib::video {

// The largest single block FFmpeg may allocate. FFmpeg allocates what a file's headers claim
// (a 4 KB MP4 asked for 269 MB for one sample table); its largest real need is one plane of a
// decoded frame, 66 MB for 8K at 16 bits.
inline constexpr size_t kMaxFFmpegAllocation = size_t{128} << 20;

// Sets FFmpeg's process-wide allocation limit to kMaxFFmpegAllocation; once is enough.
void CapFFmpegAllocations();

}  // namespace ThumbMetaLib::video
