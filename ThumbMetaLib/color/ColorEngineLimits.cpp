#include "ThumbMetaLib/color/ColorEngineLimits.h"

#include <lcms2_plugin.h>

#include <cstdlib>
#include <mutex>

namespace ThumbMetaLib {
namespace {

// malloc and free, as Little CMS's own handler uses, so blocks it allocated before the handler
// was installed are freed the same way.
void* CappedMalloc(cmsContext, cmsUInt32Number size) {
    return size > kMaxColorEngineAllocation ? nullptr : std::malloc(size);
}

void PlainFree(cmsContext, void* block) {
    std::free(block);
}

void* CappedRealloc(cmsContext, void* block, cmsUInt32Number size) {
    return size > kMaxColorEngineAllocation ? nullptr : std::realloc(block, size);
}

}  // namespace

void CapColorEngineAllocations() {
    static std::once_flag once;
    std::call_once(once, [] {
        static cmsPluginMemHandler handler{
            {cmsPluginMagicNumber, LCMS_VERSION, cmsPluginMemHandlerSig, nullptr},
            CappedMalloc,
            PlainFree,
            CappedRealloc,
            nullptr,
            nullptr,
            nullptr};
        cmsPlugin(&handler);
    });
}

}  // namespace ThumbMetaLib
