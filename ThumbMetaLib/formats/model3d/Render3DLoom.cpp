#include "ThumbMetaLib/formats/model3d/Render3DLoom.h"

#include <stdlib.h>

#include <exception>
#include <filesystem>

#include "ThumbMetaLib/formats/model3d/Render3DClient.h"
#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/thread/Threads.h"
#include "kvfoundation/util/ProcessLog.h"

namespace ThumbMetaLib {
namespace {

// A private folder (mode 0700) for the server's images, so no other user can plant or read
// them; empty when none can be made.
std::string MakeOutputFolder() {
    std::error_code error;
    std::string pattern =
        (std::filesystem::temp_directory_path(error) / "vantory-render3d-XXXXXX").string();
    if (error || ::mkdtemp(pattern.data()) == nullptr) {
        return {};
    }
    return pattern;
}

Render3DResult Failed() {
    Render3DResult result;
    result.status = kRender3DClientError;
    return result;
}

}  // namespace

Render3DLoom& Render3DLoom::Process() {
    static Render3DLoom* loom = new Render3DLoom();  // used until the process ends
    return *loom;
}

void Render3DLoom::SetLimits(Render3DLimits limits) {
    std::lock_guard<std::mutex> guard(lock_);
    limits_ = limits;
}

bool Render3DLoom::EnsureStarted() {
    if (thread_) {
        return true;
    }
    outputFolder_ = MakeOutputFolder();
    if (outputFolder_.empty()) {
        kvfoundation::util::LogFormat(1, "Render3D: no folder for the server's images");
        return false;
    }
    queue_ = std::make_shared<Render3DJobQueue>();
    try {
        kvfoundation::base::AutoReleasePool pool;
        auto body = kvfoundation::base::KVRefCountT<Render3DThread>::Adopt(
            new Render3DThread(queue_, outputFolder_, limits_));
        thread_ = kvfoundation::thread::StartThread(body.get(), "Render3D");
    } catch (const std::exception& error) {
        kvfoundation::util::LogFormat(1, "Render3D: no render thread: %s", error.what());
        queue_.reset();
        std::filesystem::remove(outputFolder_);
        return false;
    }
    return true;
}

Render3DResult Render3DLoom::Render(const std::string& modelPath, uint32_t size) {
    auto job = std::make_shared<Render3DJob>();
    job->modelPath = modelPath;
    job->size = size;
    std::future<Render3DResult> result = job->result.get_future();
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (!EnsureStarted() || !queue_->Push(job)) {
            return Failed();
        }
    }
    return result.get();
}

void Render3DLoom::Terminate() {
    std::lock_guard<std::mutex> guard(lock_);
    if (!thread_) {
        return;
    }
    for (const std::shared_ptr<Render3DJob>& job : queue_->Close()) {
        job->result.set_value(Failed());
    }
    thread_->Join();  // the thread stops the server as it ends
    thread_.Reset();
    queue_.reset();
    std::error_code error;
    std::filesystem::remove_all(outputFolder_, error);
    outputFolder_.clear();
}

}  // namespace ThumbMetaLib
