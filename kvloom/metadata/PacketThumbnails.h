#pragma once

#include <cstdint>

#include "kvfoundation/data/IKVList.h"
#include "kvloom/metadata/PacketReply.h"
#include "kvloom/metadata/PacketThumbnail.h"
#include "xmp/core/TXMPMeta.h"

namespace kvloom {

// The two packet thumbnails a client can show as they come. Entry 0: the tallest "AGIF" item
// unchanged, or (without one) the tallest "JPEG" item fitted to the large size; entry 1: the
// JPEG item unchanged when it fits the small size and needs no turn, else fitted to the small
// size. Re-encoded entries are turned by the packet's orientation and written at quality 7.
// An entry with nothing for it is the null value. Autoreleased.
kvfoundation::data::IKVList* MakePacketThumbnailList(const xmp::TXMPMeta& tree,
                                                     const PacketThumbnailSizes& sizes);

// The stored JPEG thumbnail that best serves a thumbnail of `size`: of the JPEG items of
// xmp:Thumbnails, one whose larger side equals `size` ends the walk (the first item is taken
// as it is); otherwise, the smaller of two that both exceed `size`, else the larger. Without
// JPEG items, item 1 of xmp:PageInfo (of whatever format).
PacketThumbnail ChooseStoredThumbnail(const xmp::TXMPMeta& tree, int32_t size);

}  // namespace kvloom
