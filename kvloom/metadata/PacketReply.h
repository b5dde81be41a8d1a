#pragma once

#include <cstdint>

#include "kvfoundation/data/IKVList.h"
#include "kvfoundation/data/IKVMutableMap.h"
#include "xmp/core/TXMPMeta.h"

namespace kvloom {

// The large and small sizes of the thumbnails a packet reply carries.
struct PacketThumbnailSizes {
    int32_t large = 512;
    int32_t small = 128;
};

// "sizes" of a metadata request: element 0 the large size, element 1 the small one; a missing
// element keeps its default; elements are checked as ThumbnailSizeAt does.
PacketThumbnailSizes ReadPacketThumbnailSizes(kvfoundation::data::IKVList* sizes);

// Puts the packet reply of `tree` into `results`: "xmp" (serialised with options 0 and
// padding 0) and, unless `basic`, "thumbnails", "propeties" and "namespaces".
void PutPacketReply(const xmp::TXMPMeta& tree, const PacketThumbnailSizes& sizes, bool basic,
                    kvfoundation::data::IKVMutableMap* results);

}  // namespace kvloom
