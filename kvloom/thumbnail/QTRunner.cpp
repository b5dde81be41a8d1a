#include "kvloom/thumbnail/QTRunner.h"

#include "ThumbMetaLib/video/VideoThumbnail.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/thread/Threads.h"
#include "kvfoundation/util/ProcessLog.h"

namespace kvloom {

QTRunner* QTRunner::Create(std::string path, uint32_t size) {
    return new QTRunner(std::move(path), size);
}

ThumbMetaLib::PixelsPtr QTRunner::FrameOnMainThread(const std::string& path, uint32_t size) {
    const auto runner = kvfoundation::base::KVRefCountT<QTRunner>::Adopt(Create(path, size));
    kvfoundation::thread::PerformAndWait(kvfoundation::thread::MainRunLoop(), runner.get());
    return runner->Result();
}

void QTRunner::Run() {
    kvfoundation::util::LogFormat(4, "Video frame of '%s' on the main thread: start",
                                  path_.c_str());
    result_ = ThumbMetaLib::VideoThumbnail(path_, size_);
    kvfoundation::util::LogFormat(4, "Video frame of '%s' on the main thread: %s", path_.c_str(),
                                  result_ ? "done" : "none");
}

}  // namespace kvloom
