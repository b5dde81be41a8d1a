#pragma once

#include <cstdint>
#include <vector>

#include "kvfoundation/data/IKVList.h"

namespace kvloom {

// The largest side a JPEG can have (its frame header holds 16 bits).
inline constexpr int32_t kMaxThumbnailSize = 65535;

// Element `index` of a request's "sizes": a number (else the bad-cast error) from 1 to
// kMaxThumbnailSize (else kLoomIO_BadRequest naming the element and its value).
int32_t ThumbnailSizeAt(kvfoundation::data::IKVList* sizes, int32_t index);

// A request makes at most this many thumbnails (each one costs an encode).
inline constexpr int32_t kMaxThumbnailCount = 64;

// Every element of "sizes", checked as above; more than kMaxThumbnailCount elements are
// kLoomIO_BadRequest.
std::vector<int32_t> ThumbnailSizes(kvfoundation::data::IKVList* sizes);

}  // namespace kvloom
