#include "ThumbMetaLib/video/FrameSource.h"

#include "ThumbMetaLib/video/VideoInput.h"
#include "kvfoundation/util/ProcessLog.h"

namespace ThumbMetaLib::video {
namespace {

// The largest side any decoder is opened for, whatever the pixel budget says.
constexpr int kMaxSide = 16384;

bool FrameTooLarge(int width, int height, const VideoLimits& limits) {
    return width > kMaxSide || height > kMaxSide ||
           int64_t{width} * int64_t{height} > limits.maxFramePixels;
}

// Where 10% of the stream's duration lies, in its time base; unknown without a duration.
int64_t MomentOf(const AVFormatContext& format, const AVStream& stream) {
    const int64_t start = stream.start_time != AV_NOPTS_VALUE ? stream.start_time : 0;
    if (stream.duration != AV_NOPTS_VALUE && stream.duration > 0) {
        return start + stream.duration / 10;
    }
    if (format.duration != AV_NOPTS_VALUE && format.duration > 0) {
        return start + av_rescale_q(format.duration / 10, AV_TIME_BASE_Q, stream.time_base);
    }
    return AV_NOPTS_VALUE;
}

}  // namespace

std::unique_ptr<FrameSource> FrameSource::Open(AVFormatContext* format, const std::string& name,
                                               const VideoLimits& limits,
                                               const Deadline& deadline) {
    const AVCodec* decoder = nullptr;
    const int index = av_find_best_stream(format, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
    if (index < 0 || decoder == nullptr) {
        kvfoundation::util::LogFormat(3, "Video: no decodable video stream in '%s'", name.c_str());
        return nullptr;
    }
    AVStream* stream = format->streams[index];
    const AVCodecParameters& parameters = *stream->codecpar;
    if (FrameTooLarge(parameters.width, parameters.height, limits)) {
        kvfoundation::util::LogFormat(2, "Video: '%s' promises %dx%d frames: refused", name.c_str(),
                                      parameters.width, parameters.height);
        return nullptr;
    }
    CodecHandle codec(avcodec_alloc_context3(decoder));
    if (!codec || avcodec_parameters_to_context(codec.get(), &parameters) < 0) {
        return nullptr;
    }
    // The decoder checks every frame size it meets against this before allocating, so a
    // stream that grows its frames later is refused too.
    codec->max_pixels = limits.maxFramePixels;
    // One thread: the service reads videos on its main thread, one at a time, beside the
    // workers; more decoder threads only compete with them.
    codec->thread_count = 1;
    codec->pkt_timebase = stream->time_base;
    const int result = avcodec_open2(codec.get(), decoder, nullptr);
    if (result < 0) {
        kvfoundation::util::LogFormat(3, "Video: no %s decoder for '%s': %s", decoder->name,
                                      name.c_str(), FFmpegErrorText(result).c_str());
        return nullptr;
    }
    std::unique_ptr<FrameSource> source(
        new FrameSource(format, stream, std::move(codec), name, limits, deadline));
    if (!source->packet_ || !source->frame_ || !source->last_) {
        return nullptr;
    }
    source->SeekToMoment();
    return source;
}

FrameSource::FrameSource(AVFormatContext* format, AVStream* stream, CodecHandle codec,
                         const std::string& name, const VideoLimits& limits,
                         const Deadline& deadline)
    : format_(format),
      stream_(stream),
      codec_(std::move(codec)),
      name_(name),
      limits_(limits),
      deadline_(deadline),
      packet_(av_packet_alloc()),
      frame_(av_frame_alloc()),
      last_(av_frame_alloc()) {
    // Only the chosen stream's packets are wanted from the demuxer.
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        if (format->streams[i] != stream) {
            format->streams[i]->discard = AVDISCARD_ALL;
        }
    }
}

void FrameSource::SeekToMoment() {
    if ((stream_->disposition & AV_DISPOSITION_ATTACHED_PIC) != 0) {
        return;  // a cover picture: one frame, nothing to seek
    }
    moment_ = MomentOf(*format_, *stream_);
    if (moment_ == AV_NOPTS_VALUE) {
        return;
    }
    const int result = av_seek_frame(format_, stream_->index, moment_, AVSEEK_FLAG_BACKWARD);
    if (result < 0) {
        // Decoding forward from where the demuxer stands still reaches the moment.
        kvfoundation::util::LogFormat(4, "Video: no seek in '%s' (%s): decoding from the start",
                                      name_.c_str(), FFmpegErrorText(result).c_str());
    }
}

double FrameSource::SecondsOf(const AVFrame& frame) const {
    const int64_t start = stream_->start_time != AV_NOPTS_VALUE ? stream_->start_time : 0;
    const int64_t pts = frame.best_effort_timestamp;
    return pts == AV_NOPTS_VALUE ? 0.0 : double(pts - start) * av_q2d(stream_->time_base);
}

bool FrameSource::Feed() {
    if (draining_) {
        return false;
    }
    for (;;) {
        if (deadline_.Passed() || packets_ >= limits_.maxPackets) {
            kvfoundation::util::LogFormat(2, "Video: '%s' gave no frame within the limits",
                                          name_.c_str());
            return false;
        }
        ++packets_;
        const int read = av_read_frame(format_, packet_.get());
        if (read < 0) {
            if (read != AVERROR_EOF) {
                kvfoundation::util::LogFormat(3, "Video: reading '%s' ended: %s", name_.c_str(),
                                              FFmpegErrorText(read).c_str());
            }
            draining_ = true;
            return avcodec_send_packet(codec_.get(), nullptr) >= 0;
        }
        if (packet_->stream_index != stream_->index) {
            av_packet_unref(packet_.get());
            continue;
        }
        ChargeDecodeAhead();
        // A frame shown before the moment that no other frame refers to need not be decoded.
        const bool beforeMoment = moment_ != AV_NOPTS_VALUE && packet_->pts != AV_NOPTS_VALUE &&
                                  packet_->pts + packet_->duration <= moment_;
        codec_->skip_frame = beforeMoment ? AVDISCARD_NONREF : AVDISCARD_DEFAULT;
        const int sent = avcodec_send_packet(codec_.get(), packet_.get());
        av_packet_unref(packet_.get());
        if (sent >= 0) {
            return true;
        }
        // A damaged packet: the decoder may still manage the next ones.
        kvfoundation::util::LogFormat(4, "Video: packet of '%s' refused: %s", name_.c_str(),
                                      FFmpegErrorText(sent).c_str());
    }
}

void FrameSource::ChargeDecodeAhead() {
    if (moment_ == AV_NOPTS_VALUE) {
        return;
    }
    decodedPixels_ += int64_t{stream_->codecpar->width} * stream_->codecpar->height;
    if (decodedPixels_ > limits_.decodeAheadPixels) {
        kvfoundation::util::LogFormat(4,
                                      "Video: '%s': the moment lies too far after its key "
                                      "frame, the next frame is taken",
                                      name_.c_str());
        moment_ = AV_NOPTS_VALUE;
    }
}

const AVFrame* FrameSource::Next() {
    for (;;) {
        const int received = avcodec_receive_frame(codec_.get(), frame_.get());
        if (received == 0) {
            const int64_t pts = frame_->best_effort_timestamp;
            if (moment_ != AV_NOPTS_VALUE && pts != AV_NOPTS_VALUE && pts < moment_) {
                av_frame_unref(last_.get());
                av_frame_move_ref(last_.get(), frame_.get());
                continue;
            }
            delivered_ = true;
            return frame_.get();
        }
        if (received != AVERROR(EAGAIN) || !Feed()) {
            if (received != AVERROR_EOF && received != AVERROR(EAGAIN)) {
                kvfoundation::util::LogFormat(3, "Video: decoding '%s' failed: %s", name_.c_str(),
                                              FFmpegErrorText(received).c_str());
            }
            if (!delivered_ && last_->data[0] != nullptr && !deadline_.Passed()) {
                delivered_ = true;  // the stream ended before the moment
                av_frame_unref(frame_.get());
                av_frame_move_ref(frame_.get(), last_.get());
                return frame_.get();
            }
            return nullptr;
        }
    }
}

}  // namespace ThumbMetaLib::video
