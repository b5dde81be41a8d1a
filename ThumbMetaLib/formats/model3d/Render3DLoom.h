#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "ThumbMetaLib/formats/model3d/Render3DJobQueue.h"
#include "ThumbMetaLib/formats/model3d/Render3DThread.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/thread/IKVThread.h"

namespace ThumbMetaLib {

// The engine's side of the 3D route: the render thread with its queue and server, started on
// the first render and stopped at the engine's Terminate. Any thread may render; the renders
// are served one at a time.
class Render3DLoom {
public:
    // The process's loom, never destroyed (the engine stops it at Terminate).
    static Render3DLoom& Process();

    // The model rendered at `size` x `size`, waiting for it; status kRender3DClientError and
    // no pixels on any failure.
    Render3DResult Render(const std::string& modelPath, uint32_t size);

    // Stops the server ("unload", once) and the render thread; jobs still queued fail. The
    // next Render starts afresh. Nothing when nothing runs.
    void Terminate();

    // The limits the next start uses (tests shorten them).
    void SetLimits(Render3DLimits limits);

private:
    bool EnsureStarted();

    std::mutex lock_;
    Render3DLimits limits_;
    std::shared_ptr<Render3DJobQueue> queue_;
    kvfoundation::base::KVRefCountT<kvfoundation::thread::IKVThread> thread_;
    std::string outputFolder_;
};

}  // namespace ThumbMetaLib
