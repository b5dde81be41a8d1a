#include "ThumbMetaLib/resample/ResampleRowOps.h"

#include <cstdlib>
#include <cstring>

namespace ThumbMetaLib {
namespace {

bool PortableForced() {
    const char* value = std::getenv("VANTORY_FORCE_PORTABLE");
    return value != nullptr && value[0] != '\0' && std::strcmp(value, "0") != 0;
}

const ResampleRowOps& Choose() {
    if (!PortableForced()) {
        if (const ResampleRowOps* sse2 = Sse2RowOps(); sse2 != nullptr) {
            return *sse2;
        }
    }
    return PortableRowOps();
}

}  // namespace

const ResampleRowOps& ActiveRowOps() {
    static const ResampleRowOps& chosen = Choose();
    return chosen;
}

}  // namespace ThumbMetaLib
