#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <tuple>

#include "ThumbMetaLib/color/ColorProfile.h"
#include "ThumbMetaLib/color/ColorTransform.h"

namespace ThumbMetaLib {

// Transforms to the output space, kept by (source profile, colour mode, layout, pixel format).
// Safe from several threads; bounded, so files that each embed their own profile cannot make it
// grow without end.
class TransformCache {
public:
    struct Key {
        ColorProfile::Digest source;
        int32_t mode;
        int32_t layout;
        uint32_t inputFormat;  // tells 3- from 4-byte pixels and inverted CMYK apart
        auto operator<=>(const Key&) const = default;
    };
    using Builder = std::function<std::shared_ptr<const ColorTransform>()>;

    static constexpr size_t kCapacity = 32;

    // The cached transform for `key`, built with `build` when missing. A build that throws
    // leaves nothing cached.
    std::shared_ptr<const ColorTransform> Get(const Key& key, const Builder& build);

    size_t Size() const;
    void Clear();

private:
    struct Entry {
        std::shared_ptr<const ColorTransform> transform;
        uint64_t lastUse = 0;
    };

    mutable std::mutex lock_;
    std::map<Key, Entry> entries_;
    uint64_t clock_ = 0;
};

}  // namespace ThumbMetaLib
