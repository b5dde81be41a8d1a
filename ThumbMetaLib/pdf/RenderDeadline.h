#pragma once
// A render time limit and cancellation: a watchdog thread that sets MuPDF's cookie abort flag
// when the limit passes or the caller's cancel flag turns true, so that a page that takes too
// long, or is no longer wanted, is abandoned instead of holding its worker.
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "ThumbMetaLib/pdf/glue/PDFGlue.h"

namespace ThumbMetaLib {

class RenderDeadline {
public:
    // A limit of zero means none; without a limit and without `cancelled` there is no cookie
    // and no watchdog. `cancelled` is called on the watchdog thread.
    explicit RenderDeadline(std::chrono::milliseconds limit, std::function<bool()> cancelled = {});
    ~RenderDeadline();
    RenderDeadline(const RenderDeadline&) = delete;
    RenderDeadline& operator=(const RenderDeadline&) = delete;

    // The cookie to hand to the drawing, null without a limit.
    PDFGlueCookie* Cookie() const { return cookie_; }

private:
    void Watch(std::chrono::steady_clock::time_point deadline);

    PDFGlueCookie* cookie_ = nullptr;
    const std::function<bool()> cancelled_;
    std::mutex lock_;
    std::condition_variable finished_;
    bool done_ = false;
    std::thread watchdog_;
};

}  // namespace ThumbMetaLib
