#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ThumbMetaLib/video/Deadline.h"
#include "ThumbMetaLib/video/FFmpegHandles.h"
#include "ThumbMetaLib/video/VideoThumbnail.h"

namespace ThumbMetaLib::video {

// The decoded frames of a container's best video stream from the chosen moment on: the key
// frame before 10% of the duration is sought, and the frames before that moment are decoded
// and dropped (without a duration: from the first frame). Frames that nothing after the
// moment depends on are not even decoded while the moment is still ahead. The way from the
// key frame to the moment costs at most the limits' decodeAheadPixels: in a stream with
// key frames far apart the frame reached by then is taken instead.
class FrameSource {
public:
    // Null, with the reason logged, when the container has no video stream, the stream
    // promises a frame larger than the limits allow, or no decoder opens for it.
    static std::unique_ptr<FrameSource> Open(AVFormatContext* format, const std::string& name,
                                             const VideoLimits& limits, const Deadline& deadline);

    // The next frame at or after the moment (borrowed until the next call); when the stream
    // ends before the moment, its last frame. Null at the end, on a decoder failure or when a
    // limit is reached.
    const AVFrame* Next();

    // A frame's presentation time in seconds from the stream's start.
    double SecondsOf(const AVFrame& frame) const;
    const AVStream& Stream() const { return *stream_; }

private:
    FrameSource(AVFormatContext* format, AVStream* stream, CodecHandle codec,
                const std::string& name, const VideoLimits& limits, const Deadline& deadline);

    void SeekToMoment();
    // Feeds the decoder one packet of the stream (or the end); false when nothing more can be
    // fed.
    bool Feed();
    // Counts one packet's frame on the way to the moment; gives up the moment past the budget.
    void ChargeDecodeAhead();

    AVFormatContext* format_;  // borrowed from the input
    AVStream* stream_;
    CodecHandle codec_;
    const std::string& name_;
    const VideoLimits& limits_;
    const Deadline& deadline_;
    PacketHandle packet_;
    FrameHandle frame_;
    FrameHandle last_;  // the latest frame before the moment, kept in case the stream ends
    int64_t moment_ = AV_NOPTS_VALUE;  // in the stream's time base
    int32_t packets_ = 0;
    int64_t decodedPixels_ = 0;
    bool draining_ = false;
    bool delivered_ = false;
};

}  // namespace ThumbMetaLib::video
