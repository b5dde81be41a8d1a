#pragma once
// A render time limit: a watchdog thread that sets MuPDF's cookie abort flag when the limit
// passes, so that a page that takes too long is abandoned instead of holding its worker.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "ThumbMetaLib/pdf/glue/PDFGlue.h"

namespace ThumbMetaLib {

class RenderDeadline {
public:
    // A limit of zero means none (no cookie, no watchdog).
    explicit RenderDeadline(std::chrono::milliseconds limit);
    ~RenderDeadline();
    RenderDeadline(const RenderDeadline&) = delete;
    RenderDeadline& operator=(const RenderDeadline&) = delete;

    // The cookie to hand to the drawing, null without a limit.
    PDFGlueCookie* Cookie() const { return cookie_; }

private:
    void Watch(std::chrono::steady_clock::time_point deadline);

    PDFGlueCookie* cookie_ = nullptr;
    std::mutex lock_;
    std::condition_variable finished_;
    bool done_ = false;
    std::thread watchdog_;
};

}  // namespace ThumbMetaLib
