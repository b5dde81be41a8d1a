#pragma once

#include <cstdint>
#include <string>

#include "ThumbMetaLib/pixels/Pixels.h"
#include "kvfoundation/data/IKVMap.h"
#include "kvloom/metadata/PacketThumbnail.h"

namespace kvloom {

// The reply entry of one thumbnail: "data", "width", "height", "format" and "mimetype".
// Autoreleased.
kvfoundation::data::IKVMap* MakeThumbnailMap(const std::string& bytes, int32_t width,
                                             int32_t height, const std::string& format);

// A stored packet thumbnail handed back as it is, with its own format, size and mimetype.
kvfoundation::data::IKVMap* MakeThumbnailMap(const PacketThumbnail& item);

// `pixels` encoded as JPEG at `quality`.
kvfoundation::data::IKVMap* EncodeThumbnailMap(const ThumbMetaLib::Pixels& pixels, int32_t quality);

// "image/jpeg" for "JPEG", "image/gif" for "AGIF", "application/octet-stream" otherwise.
const char* MimeTypeForFormat(const std::string& format);

}  // namespace kvloom
