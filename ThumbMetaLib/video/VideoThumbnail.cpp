#include "ThumbMetaLib/video/VideoThumbnail.h"

#include <exception>
#include <memory>

extern "C" {
#include <libavutil/display.h>
}

#include "ThumbMetaLib/engine/ThumbnailHooks.h"
#include "ThumbMetaLib/video/BlankFrame.h"
#include "ThumbMetaLib/video/FFmpegLimits.h"
#include "ThumbMetaLib/video/FFmpegLog.h"
#include "ThumbMetaLib/video/FrameGeometry.h"
#include "ThumbMetaLib/video/FrameScaler.h"
#include "ThumbMetaLib/video/FrameSource.h"
#include "ThumbMetaLib/video/VideoInput.h"
#include "kvfoundation/util/ProcessLog.h"

namespace ThumbMetaLib {
namespace {

using video::Deadline;
using video::VideoInput;

// FFmpeg messages one file may put into the log.
constexpr int kLogLinesPerFile = 20;

// The stream's display matrix, or the one its frames carry.
const int32_t* DisplayMatrix(const AVStream& stream, const AVFrame& frame) {
    const uint8_t* matrix = av_stream_get_side_data(&stream, AV_PKT_DATA_DISPLAYMATRIX, nullptr);
    if (matrix == nullptr) {
        if (const AVFrameSideData* side =
                av_frame_get_side_data(&frame, AV_FRAME_DATA_DISPLAYMATRIX)) {
            matrix = side->data;
        }
    }
    return reinterpret_cast<const int32_t*>(matrix);
}

// The first frame from the moment on that is not nearly blank, or, when every frame for
// `blankSkipSeconds` (or `blankSkipFrames` frames) is, the first of them.
PixelsPtr ChooseFrame(const VideoInput& input, uint32_t size, const VideoLimits& limits,
                      const Deadline& deadline) {
    std::unique_ptr<video::FrameSource> source =
        video::FrameSource::Open(input.Format(), input.Name(), limits, deadline);
    if (!source) {
        return nullptr;
    }
    video::FrameScaler scaler;
    PixelsPtr firstBlank;
    double firstSeconds = 0;
    int32_t blankFrames = 0;
    while (const AVFrame* frame = source->Next()) {
        const AVRational aspect = av_guess_sample_aspect_ratio(
            input.Format(), const_cast<AVStream*>(&source->Stream()), const_cast<AVFrame*>(frame));
        const video::Orientation orientation =
            video::DisplayOrientation(DisplayMatrix(source->Stream(), *frame));
        const video::FrameGeometry geometry =
            video::FitFrame(frame->width, frame->height, aspect, orientation, size);
        PixelsPtr pixels = scaler.Convert(*frame, geometry);
        if (!pixels) {
            return nullptr;
        }
        if (!video::IsNearlyBlank(*pixels)) {
            return pixels;
        }
        const double seconds = source->SecondsOf(*frame);
        if (!firstBlank) {
            firstBlank = std::move(pixels);
            firstSeconds = seconds;
        } else if (seconds - firstSeconds > limits.blankSkipSeconds) {
            break;
        }
        if (++blankFrames >= limits.blankSkipFrames) {
            break;
        }
    }
    return firstBlank;
}

PixelsPtr ThumbnailOf(const std::unique_ptr<VideoInput>& input, uint32_t size,
                      const VideoLimits& limits, const Deadline& deadline) {
    if (!input) {
        return nullptr;
    }
    PixelsPtr pixels = ChooseFrame(*input, size, limits, deadline);
    if (!pixels) {
        kvfoundation::util::LogFormat(3, "Video: no frame of '%s'", input->Name().c_str());
    }
    return pixels;
}

}  // namespace

PixelsPtr VideoThumbnail(const std::string& path, uint32_t size, const VideoLimits& limits) {
    if (size == 0) {
        return nullptr;
    }
    video::CapFFmpegAllocations();
    video::FFmpegLogBudget budget(kLogLinesPerFile);
    try {
        const Deadline deadline(limits.seconds);
        return ThumbnailOf(VideoInput::OpenFile(path, limits, deadline), size, limits, deadline);
    } catch (const std::exception& error) {
        kvfoundation::util::LogFormat(1, "Video: no frame of '%s': %s", path.c_str(), error.what());
        return nullptr;
    }
}

PixelsPtr VideoThumbnailFromMemory(const uint8_t* bytes, size_t count, uint32_t size,
                                   const VideoLimits& limits) {
    if (size == 0 || bytes == nullptr) {
        return nullptr;
    }
    video::CapFFmpegAllocations();
    video::FFmpegLogBudget budget(kLogLinesPerFile);
    try {
        const Deadline deadline(limits.seconds);
        return ThumbnailOf(VideoInput::OpenMemory(bytes, count, limits, deadline), size, limits,
                           deadline);
    } catch (const std::exception& error) {
        kvfoundation::util::LogFormat(1, "Video: no frame from memory: %s", error.what());
        return nullptr;
    }
}

void RegisterVideoFrames() {
    video::RouteFFmpegLog();
    SetVideoAvailability([] { return true; });
}

}  // namespace ThumbMetaLib
