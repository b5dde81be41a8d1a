#include "ThumbMetaLib/color/ColorProfile.h"

#include <cstdint>
#include <cstring>

#include "ThumbMetaLib/color/ColorEngineLimits.h"

namespace ThumbMetaLib {

std::recursive_mutex& ColorEngineLock() {
    static std::recursive_mutex lock;
    return lock;
}

ColorProfileHolder ColorProfile::Adopt(cmsHPROFILE handle) {
    if (handle == nullptr) {
        return nullptr;
    }
    // The digest covers the whole profile as the engine would write it (ICC.1 7.2.18); the
    // header's own ID field is ignored because many files leave it zero.
    Digest digest{};
    if (cmsMD5computeID(handle)) {
        cmsGetHeaderProfileID(handle, digest.data());
    }
    return ColorProfileHolder(
        new ColorProfile(handle, digest, static_cast<uint32_t>(cmsGetColorSpace(handle))));
}

ColorProfileHolder ColorProfile::FromMemory(const void* bytes, size_t size) {
    // The ICC header alone is 128 bytes; the engine reads nothing beyond `size`.
    if (bytes == nullptr || size < 128 || size > UINT32_MAX) {
        return nullptr;
    }
    std::lock_guard<std::recursive_mutex> guard(ColorEngineLock());
    CapColorEngineAllocations();
    cmsHPROFILE handle = cmsOpenProfileFromMem(bytes, static_cast<cmsUInt32Number>(size));
    if (handle == nullptr) {
        return nullptr;
    }
    // A profile that cannot act as a transform source (no device-to-PCS table or matrix) is of
    // no use here.
    if (!cmsIsIntentSupported(handle, INTENT_PERCEPTUAL, LCMS_USED_AS_INPUT) &&
        !cmsIsIntentSupported(handle, INTENT_RELATIVE_COLORIMETRIC, LCMS_USED_AS_INPUT)) {
        cmsCloseProfile(handle);
        return nullptr;
    }
    return Adopt(handle);
}

std::string ColorProfile::Description() const {
    std::lock_guard<std::recursive_mutex> guard(ColorEngineLock());
    const cmsUInt32Number needed =
        cmsGetProfileInfoASCII(handle_, cmsInfoDescription, "en", "US", nullptr, 0);
    if (needed == 0) {
        return {};
    }
    std::string text(needed, '\0');
    cmsGetProfileInfoASCII(handle_, cmsInfoDescription, "en", "US", text.data(), needed);
    text.resize(std::strlen(text.c_str()));
    return text;
}

ColorProfile::ColorProfile(cmsHPROFILE handle, const Digest& digest, uint32_t space)
    : handle_(handle), digest_(digest), colorSpace_(space) {}

ColorProfile::~ColorProfile() {
    std::lock_guard<std::recursive_mutex> guard(ColorEngineLock());
    cmsCloseProfile(handle_);
}

}  // namespace ThumbMetaLib
