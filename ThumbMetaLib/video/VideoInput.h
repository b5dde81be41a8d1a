#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "ThumbMetaLib/video/Deadline.h"
#include "ThumbMetaLib/video/FFmpegHandles.h"
#include "ThumbMetaLib/video/VideoThumbnail.h"

namespace ThumbMetaLib::video {

// An opened container with its streams found. The bytes come through an AVIOContext of our
// own (a file opened through FFmpeg's "file" protocol only, or a block of memory), and the
// demuxer may open nothing else: playlists, sequences and references to other files fail
// instead of reading whatever they name.
class VideoInput {
public:
    // Null, with the reason logged, when the bytes are not a container FFmpeg reads or the
    // deadline passes. The probe reads at most `limits.probeBytes` (and is skipped for
    // `limits.demuxer`); `deadline` is borrowed for the input's life.
    static std::unique_ptr<VideoInput> OpenFile(const std::string& path, const VideoLimits& limits,
                                                const Deadline& deadline);
    static std::unique_ptr<VideoInput> OpenMemory(const uint8_t* bytes, size_t count,
                                                  const VideoLimits& limits,
                                                  const Deadline& deadline);

    ~VideoInput();
    VideoInput(const VideoInput&) = delete;
    VideoInput& operator=(const VideoInput&) = delete;

    AVFormatContext* Format() const { return format_.get(); }
    const std::string& Name() const { return name_; }

    // Bytes of memory input and the read position in them.
    struct Memory {
        const uint8_t* bytes = nullptr;
        size_t count = 0;
        size_t at = 0;
    };

private:
    VideoInput(std::string name, const Deadline& deadline)
        : name_(std::move(name)), deadline_(deadline) {}
    bool Open(AVIOContext* io, const VideoLimits& limits);
    void CloseIO();

    std::string name_;
    const Deadline& deadline_;
    Memory memory_;
    AVIOContext* io_ = nullptr;
    bool ioIsMemory_ = false;
    FormatHandle format_;  // closed before the AVIOContext under it
};

// "Invalid data found when processing input": FFmpeg's text of an error code.
std::string FFmpegErrorText(int code);

}  // namespace ThumbMetaLib::video
