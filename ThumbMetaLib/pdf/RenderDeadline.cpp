#include "ThumbMetaLib/pdf/RenderDeadline.h"

#include <algorithm>
#include <new>
#include <utility>

namespace ThumbMetaLib {
namespace {

// How often the watchdog looks at the cancel flag; a dropped request stops within this.
constexpr std::chrono::milliseconds kCancelPollInterval{50};

}  // namespace

RenderDeadline::RenderDeadline(std::chrono::milliseconds limit, std::function<bool()> cancelled)
    : cancelled_(std::move(cancelled)) {
    if (limit.count() <= 0 && !cancelled_) {
        return;
    }
    cookie_ = pdfglue_new_cookie();
    if (cookie_ == nullptr) {
        throw std::bad_alloc();
    }
    const auto deadline = limit.count() > 0 ? std::chrono::steady_clock::now() + limit
                                            : std::chrono::steady_clock::time_point::max();
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
    while (!done_) {
        const auto now = std::chrono::steady_clock::now();
        const bool cancelled = cancelled_ && cancelled_();
        if (cancelled || now >= deadline) {
            pdfglue_abort_cookie(cookie_);
            return;
        }
        const auto wake = cancelled_ ? std::min(deadline, now + kCancelPollInterval) : deadline;
        finished_.wait_until(hold, wake, [this] { return done_; });
    }
}

}  // namespace ThumbMetaLib
