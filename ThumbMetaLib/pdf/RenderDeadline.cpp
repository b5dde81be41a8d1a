#include "ThumbMetaLib/pdf/RenderDeadline.h"

#include <new>

namespace ThumbMetaLib {

RenderDeadline::RenderDeadline(std::chrono::milliseconds limit) {
    if (limit.count() <= 0) {
        return;
    }
    cookie_ = pdfglue_new_cookie();
    if (cookie_ == nullptr) {
        throw std::bad_alloc();
    }
    const auto deadline = std::chrono::steady_clock::now() + limit;
    watchdog_ = std::thread([this, deadline] { Watch(deadline); });
}

RenderDeadline::~RenderDeadline() {
    if (watchdog_.joinable()) {
        {
            std::lock_guard<std::mutex> hold(lock_);
            done_ = true;
        }
        finished_.notify_one();
        watchdog_.join();
    }
    if (cookie_ != nullptr) {
        pdfglue_free_cookie(cookie_);
    }
}

void RenderDeadline::Watch(std::chrono::steady_clock::time_point deadline) {
    std::unique_lock<std::mutex> hold(lock_);
    if (!finished_.wait_until(hold, deadline, [this] { return done_; })) {
        pdfglue_abort_cookie(cookie_);
    }
}

}  // namespace ThumbMetaLib
