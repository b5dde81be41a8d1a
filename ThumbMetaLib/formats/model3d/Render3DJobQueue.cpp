#include "ThumbMetaLib/formats/model3d/Render3DJobQueue.h"

namespace ThumbMetaLib {

bool Render3DJobQueue::Push(std::shared_ptr<Render3DJob> job) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        if (closed_) {
            return false;
        }
        jobs_.push_back(std::move(job));
    }
    changed_.notify_one();
    return true;
}

std::shared_ptr<Render3DJob> Render3DJobQueue::Pop() {
    std::unique_lock<std::mutex> guard(lock_);
    changed_.wait(guard, [this] { return closed_ || !jobs_.empty(); });
    if (closed_) {
        return nullptr;
    }
    std::shared_ptr<Render3DJob> job = std::move(jobs_.front());
    jobs_.pop_front();
    return job;
}

std::vector<std::shared_ptr<Render3DJob>> Render3DJobQueue::Close() {
    std::vector<std::shared_ptr<Render3DJob>> left;
    {
        std::lock_guard<std::mutex> guard(lock_);
        closed_ = true;
        left.assign(std::make_move_iterator(jobs_.begin()), std::make_move_iterator(jobs_.end()));
        jobs_.clear();
    }
    changed_.notify_all();
    return left;
}

}  // namespace ThumbMetaLib
