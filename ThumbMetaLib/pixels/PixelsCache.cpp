#include "ThumbMetaLib/pixels/PixelsCache.h"

namespace ThumbMetaLib {

PixelsPtr PixelsCache::Find(const std::string& key) const {
    std::lock_guard<std::mutex> guard(lock_);
    auto found = entries_.find(key);
    return found == entries_.end() ? nullptr : found->second;
}

void PixelsCache::Put(const std::string& key, PixelsPtr pixels) {
    std::lock_guard<std::mutex> guard(lock_);
    entries_[key] = std::move(pixels);
}

void PixelsCache::Remove(const std::string& key) {
    std::lock_guard<std::mutex> guard(lock_);
    entries_.erase(key);
}

void PixelsCache::Clear() {
    // Buffers are released outside the lock so a slow destructor never blocks other threads.
    std::map<std::string, PixelsPtr> released;
    {
        std::lock_guard<std::mutex> guard(lock_);
        released.swap(entries_);
    }
}

size_t PixelsCache::Count() const {
    std::lock_guard<std::mutex> guard(lock_);
    return entries_.size();
}

}  // namespace ThumbMetaLib
