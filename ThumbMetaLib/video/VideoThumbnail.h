#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "ThumbMetaLib/pixels/Pixels.h"

// Video frames through FFmpeg (libavformat, libavcodec, libswscale): the engine's video-frame
// operation. QuickTime grabbed the frame where the service was designed; this folder is its
// replacement and the only code that knows FFmpeg.
namespace ThumbMetaLib {

// What one frame may cost. A file that asks for more gets no thumbnail.
struct VideoLimits {
    // Opening, seeking and decoding together; past it FFmpeg's interrupt callback ends the
    // read in progress and the decoder loop stops.
    double seconds = 10.0;
    // Largest frame (width x height) the decoder is opened for: refused before any frame
    // memory is allocated. 8192 x 8192 covers 8K video.
    int64_t maxFramePixels = int64_t{8192} * 8192;
    // Packets read after the seek before giving up on finding a frame.
    int32_t maxPackets = 20000;
    // The decoding allowed between the key frame before the chosen time and that time, in
    // frame pixels (width x height per frame): half a second of 1080p at 25 frames per
    // second, three seconds of 480p. Where the key frame lies further back, the frame decoded
    // by then is taken: a thumbnail need not be exact to the frame, and a stream with key
    // frames ten seconds apart would otherwise cost 250 decoded frames.
    int64_t decodeAheadPixels = int64_t{25} * 1000 * 1000;
    // How far past the chosen time nearly uniform black or white frames are skipped, and in
    // at most how many frames: 3 s at 120 frames per second. A stream that claims thousands of
    // frames a second (damaged or hostile) would otherwise be decoded up to `maxPackets`.
    double blankSkipSeconds = 3.0;
    int32_t blankSkipFrames = 360;
    // Bytes the container probe and the stream search may read (FFmpeg's probesize); 0 keeps
    // FFmpeg's own default. Fuzzing lowers it: damaged input otherwise makes the probe read on.
    int64_t probeBytes = 0;
    // The one demuxer to read with, by FFmpeg's short name ("mov", "matroska"), instead of
    // probing the bytes with every demuxer FFmpeg has; null probes, as the service does. The
    // fuzz target names one: probing hundreds of demuxers took most of each of its runs.
    const char* demuxer = nullptr;
};

// One frame near 10% of the video's duration (the first frame when the duration is unknown),
// skipping nearly uniform black or white frames for up to `blankSkipSeconds` (and at most
// `blankSkipFrames` frames), turned by the stream's display matrix, stretched by its sample
// aspect ratio and scaled to fit a square of `size`: an interleaved 4-channel Pixels (R, G, B,
// 255), colour mode 3. Null when the file has no decodable video or a limit was hit; the reason
// goes to the log.
PixelsPtr VideoThumbnail(const std::string& path, uint32_t size,
                         const VideoLimits& limits = VideoLimits());
// The same from bytes in memory (nothing else is opened: no file, no nested resource).
PixelsPtr VideoThumbnailFromMemory(const uint8_t* bytes, size_t count, uint32_t size,
                                   const VideoLimits& limits = VideoLimits());

// Sends FFmpeg's messages to the process log and tells the engine that video frames can be
// read (VideoAvailable() in ThumbnailHooks.h). Called once at start-up.
void RegisterVideoFrames();

}  // namespace ThumbMetaLib
