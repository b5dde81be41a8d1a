#pragma once

#include <lcms2.h>

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {

// Every Little CMS call except applying a built transform goes through this lock (recursive, so
// that dropping the last holder of a profile under it is safe): profiles
// read their tags lazily and are not safe to share between threads otherwise.
std::recursive_mutex& ColorEngineLock();

// A profile of the colour engine. Shared through ColorProfileHolder (Pixels.h); the last holder
// closes it. Identified by the MD5 of its contents, so that two copies of the same profile (the
// same ICC bytes embedded in two files) count as the same profile.
class ColorProfile {
public:
    using Digest = std::array<uint8_t, 16>;

    // Takes ownership of `handle`; an empty holder when it is null. Call under ColorEngineLock.
    static ColorProfileHolder Adopt(cmsHPROFILE handle);
    // A profile from ICC bytes; empty when they are not a usable profile.
    static ColorProfileHolder FromMemory(const void* bytes, size_t size);

    // The profile's description (English where it has several), empty when it has none.
    std::string Description() const;

    ~ColorProfile();
    ColorProfile(const ColorProfile&) = delete;
    ColorProfile& operator=(const ColorProfile&) = delete;

    cmsHPROFILE Handle() const { return handle_; }
    const Digest& Id() const { return digest_; }
    // The header's colour space signature as a plain number: a hostile profile may carry any
    // 32-bit value, which the engine's enumeration type cannot hold.
    uint32_t ColorSpace() const { return colorSpace_; }
    bool SameAs(const ColorProfile& other) const { return digest_ == other.digest_; }

private:
    ColorProfile(cmsHPROFILE handle, const Digest& digest, uint32_t space);

    cmsHPROFILE handle_;
    Digest digest_;
    uint32_t colorSpace_;
};

}  // namespace ThumbMetaLib
