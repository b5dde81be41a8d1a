#include "ThumbMetaLib/color/TransformCache.h"

#include <algorithm>

namespace ThumbMetaLib {

std::shared_ptr<const ColorTransform> TransformCache::Get(const Key& key, const Builder& build) {
    {
        std::lock_guard<std::mutex> guard(lock_);
        auto found = entries_.find(key);
        if (found != entries_.end()) {
            found->second.lastUse = ++clock_;
            return found->second.transform;
        }
    }
    // Built outside the cache lock: building takes the engine lock and may take a while. Two
    // threads may build the same transform; the first one stored wins.
    std::shared_ptr<const ColorTransform> built = build();
    std::lock_guard<std::mutex> guard(lock_);
    auto [it, inserted] = entries_.try_emplace(key, Entry{built, ++clock_});
    if (inserted && entries_.size() > kCapacity) {
        auto oldest = std::min_element(
            entries_.begin(), entries_.end(),
            [](const auto& a, const auto& b) { return a.second.lastUse < b.second.lastUse; });
        entries_.erase(oldest);
    }
    return it->second.transform;
}

size_t TransformCache::Size() const {
    std::lock_guard<std::mutex> guard(lock_);
    return entries_.size();
}

void TransformCache::Clear() {
    std::lock_guard<std::mutex> guard(lock_);
    entries_.clear();
}

}  // namespace ThumbMetaLib
