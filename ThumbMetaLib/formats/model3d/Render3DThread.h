#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ThumbMetaLib/formats/model3d/Render3DClient.h"
#include "ThumbMetaLib/formats/model3d/Render3DJobQueue.h"
#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/thread/IKVRunnable.h"

namespace ThumbMetaLib {

struct Render3DLimits {
    int renderMs = 60000;  // one render, after which the server is killed
    int stopMs = 5000;     // the answer to "unload" and the server's end
};

// The body of the render thread: takes one job at a time from the queue, so the server sees
// one request at a time, and owns the client. The server starts with the first job (and again
// after one failed); when the queue closes the thread stops the server and ends.
class Render3DThread final
    : public kvfoundation::base::KVObjectT<kvfoundation::thread::IKVRunnable> {
public:
    // Renders go to files in `outputFolder` (the engine's own private folder).
    Render3DThread(std::shared_ptr<Render3DJobQueue> queue, std::string outputFolder,
                   Render3DLimits limits);

    void Run() override;

private:
    Render3DResult Serve(const Render3DJob& job);

    const std::shared_ptr<Render3DJobQueue> queue_;
    const std::string outputFolder_;
    const Render3DLimits limits_;
    Render3DClient client_;
    uint64_t jobCount_ = 0;
};

}  // namespace ThumbMetaLib
