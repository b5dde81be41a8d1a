#include "ThumbMetaLib/video/VideoInput.h"

#include <algorithm>
#include <cstring>

#include "kvfoundation/util/ProcessLog.h"

namespace ThumbMetaLib::video {
namespace {

// FFmpeg's own default for a read buffer.
constexpr int kIOBufferBytes = 32768;

int ReadMemory(void* opaque, uint8_t* buffer, int wanted) {
    auto* memory = static_cast<VideoInput::Memory*>(opaque);
    const size_t left = memory->count - memory->at;
    if (left == 0) {
        return AVERROR_EOF;
    }
    const size_t n = std::min(left, static_cast<size_t>(std::max(wanted, 0)));
    std::memcpy(buffer, memory->bytes + memory->at, n);
    memory->at += n;
    return static_cast<int>(n);
}

int64_t SeekMemory(void* opaque, int64_t offset, int whence) {
    auto* memory = static_cast<VideoInput::Memory*>(opaque);
    if ((whence & AVSEEK_SIZE) != 0) {
        return static_cast<int64_t>(memory->count);
    }
    int64_t base = 0;
    switch (whence & ~AVSEEK_FORCE) {
        case SEEK_SET:
            base = 0;
            break;
        case SEEK_CUR:
            base = static_cast<int64_t>(memory->at);
            break;
        case SEEK_END:
            base = static_cast<int64_t>(memory->count);
            break;
        default:
            return AVERROR(EINVAL);
    }
    if (offset < -base || offset > static_cast<int64_t>(memory->count) - base) {
        return AVERROR(EINVAL);
    }
    memory->at = static_cast<size_t>(base + offset);
    return static_cast<int64_t>(memory->at);
}

// The demuxer's way to open further resources (playlist entries, image sequences, data
// references): always refused.
int RefuseNestedOpen(AVFormatContext*, AVIOContext**, const char* url, int, AVDictionary**) {
    kvfoundation::util::LogFormat(2, "Video: the container asked to open '%s' too: refused",
                                  url != nullptr ? url : "");
    return AVERROR(EPERM);
}

}  // namespace

std::string FFmpegErrorText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

std::unique_ptr<VideoInput> VideoInput::OpenFile(const std::string& path, const VideoLimits& limits,
                                                 const Deadline& deadline) {
    std::unique_ptr<VideoInput> input(new VideoInput(path, deadline));
    const AVIOInterruptCB interrupt{&Deadline::Interrupt, const_cast<Deadline*>(&deadline)};
    AVIOContext* io = nullptr;
    // The "file:" prefix keeps a name such as "http://…" or "concat:…" a plain file name.
    const int result =
        avio_open2(&io, ("file:" + path).c_str(), AVIO_FLAG_READ, &interrupt, nullptr);
    if (result < 0) {
        kvfoundation::util::LogFormat(3, "Video: cannot open '%s': %s", path.c_str(),
                                      FFmpegErrorText(result).c_str());
        return nullptr;
    }
    input->io_ = io;
    return input->Open(io, limits) ? std::move(input) : nullptr;
}

std::unique_ptr<VideoInput> VideoInput::OpenMemory(const uint8_t* bytes, size_t count,
                                                   const VideoLimits& limits,
                                                   const Deadline& deadline) {
    std::unique_ptr<VideoInput> input(new VideoInput("(memory)", deadline));
    input->memory_ = {bytes, count, 0};
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIOBufferBytes));
    if (buffer == nullptr) {
        return nullptr;
    }
    input->io_ = avio_alloc_context(buffer, kIOBufferBytes, 0, &input->memory_, &ReadMemory,
                                    nullptr, &SeekMemory);
    if (input->io_ == nullptr) {
        av_free(buffer);
        return nullptr;
    }
    input->ioIsMemory_ = true;
    return input->Open(input->io_, limits) ? std::move(input) : nullptr;
}

bool VideoInput::Open(AVIOContext* io, const VideoLimits& limits) {
    const AVInputFormat* demuxer = nullptr;
    if (limits.demuxer != nullptr && (demuxer = av_find_input_format(limits.demuxer)) == nullptr) {
        kvfoundation::util::LogFormat(3, "Video: FFmpeg has no demuxer '%s'", limits.demuxer);
        return false;
    }
    AVFormatContext* format = avformat_alloc_context();
    if (format == nullptr) {
        return false;
    }
    format->pb = io;
    format->flags |= AVFMT_FLAG_CUSTOM_IO;
    format->interrupt_callback = {&Deadline::Interrupt, const_cast<Deadline*>(&deadline_)};
    format->io_open = &RefuseNestedOpen;
    if (limits.probeBytes > 0) {
        format->probesize = limits.probeBytes;
    }
    // On failure avformat_open_input frees the context itself.
    int result = avformat_open_input(&format, name_.c_str(), demuxer, nullptr);
    if (result < 0) {
        kvfoundation::util::LogFormat(3, "Video: '%s' is not a container FFmpeg reads: %s",
                                      name_.c_str(), FFmpegErrorText(result).c_str());
        return false;
    }
    format_.reset(format);
    result = avformat_find_stream_info(format, nullptr);
    if (result < 0) {
        kvfoundation::util::LogFormat(3, "Video: no stream information in '%s': %s", name_.c_str(),
                                      FFmpegErrorText(result).c_str());
        return false;
    }
    return true;
}

void VideoInput::CloseIO() {
    if (io_ == nullptr) {
        return;
    }
    if (ioIsMemory_) {
        av_freep(&io_->buffer);  // FFmpeg may have replaced the buffer it was given
        avio_context_free(&io_);
    } else {
        avio_closep(&io_);
    }
}

VideoInput::~VideoInput() {
    format_.reset();
    CloseIO();
}

}  // namespace ThumbMetaLib::video
