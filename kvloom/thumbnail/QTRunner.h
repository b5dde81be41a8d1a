#pragma once

#include <cstdint>
#include <string>

#include "ThumbMetaLib/pixels/Pixels.h"
#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/thread/IKVRunnable.h"

namespace kvloom {

// The hand-over of a video frame to the main thread ("QT": the design read movies through
// QuickTime, which had to run there; the name stayed with the hand-over). A worker creates
// one for a file and a size and has the main run loop perform it; the main thread reads the
// frame, so video files are read one at a time while every other request goes on.
class QTRunner final : public kvfoundation::base::KVObjectT<kvfoundation::thread::IKVRunnable> {
public:
    // A new reference owned by the caller.
    static QTRunner* Create(std::string path, uint32_t size);

    // The frame at `size` on the calling thread's behalf, through the main thread: waits until
    // the main run loop has performed it. Null when the file gives no frame.
    static ThumbMetaLib::PixelsPtr FrameOnMainThread(const std::string& path, uint32_t size);

    // Reads the frame (on the thread that performs it: the main thread).
    void Run() override;
    const ThumbMetaLib::PixelsPtr& Result() const { return result_; }

private:
    QTRunner(std::string path, uint32_t size) : path_(std::move(path)), size_(size) {}
    ~QTRunner() override = default;

    const std::string path_;
    const uint32_t size_;
    ThumbMetaLib::PixelsPtr result_;
};

}  // namespace kvloom
