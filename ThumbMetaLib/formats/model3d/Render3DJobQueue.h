#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {

struct Render3DResult {
    PixelsPtr pixels;     // the server's render, null on failure
    int32_t status = -1;  // 0, or kRender3DClientError
};

// One model to render; whoever queued it waits on `result`.
struct Render3DJob {
    std::string modelPath;
    uint32_t size = 0;
    std::promise<Render3DResult> result;
};

// The pending render jobs, handed from the requesting threads to the render thread.
class Render3DJobQueue {
public:
    // False when the queue is closed (the job is not taken).
    bool Push(std::shared_ptr<Render3DJob> job);
    // The oldest job, waiting for one; null once the queue is closed.
    std::shared_ptr<Render3DJob> Pop();
    // Wakes Pop for good and hands back the jobs nobody took.
    std::vector<std::shared_ptr<Render3DJob>> Close();

private:
    std::mutex lock_;
    std::condition_variable changed_;
    std::deque<std::shared_ptr<Render3DJob>> jobs_;
    bool closed_ = false;
};

}  // namespace ThumbMetaLib
