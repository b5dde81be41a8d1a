#pragma once

#include <cstddef>
#include <map>
#include <mutex>
#include <string>

#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {

// Pixel buffers kept by key (a file path plus whatever distinguishes renditions of it), shared
// between threads; every access takes the cache's own lock.
class PixelsCache {
public:
    PixelsPtr Find(const std::string& key) const;
    void Put(const std::string& key, PixelsPtr pixels);
    void Remove(const std::string& key);
    void Clear();
    size_t Count() const;

private:
    mutable std::mutex lock_;
    std::map<std::string, PixelsPtr> entries_;
};

}  // namespace ThumbMetaLib
