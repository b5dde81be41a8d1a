#pragma once

#include <string>
#include <vector>

#include "kvfoundation/data/IKVData.h"
#include "kvfoundation/data/IKVMap.h"

namespace vantory::cli {

// The "createThumbnail" parameters for one file (made absolute) at each size; autoreleased.
kvfoundation::data::IKVMap* ThumbnailRequest(const std::string& file, const std::vector<int>& sizes,
                                             int quality);

// One JPEG of a "createThumbnail" reply; `jpeg` is borrowed from the reply.
struct ReturnedThumbnail {
    const kvfoundation::data::IKVData* jpeg;
    int width;
    int height;
};
// The reply's "thumbnails", in the order of the sizes asked for.
std::vector<ReturnedThumbnail> ReturnedThumbnails(kvfoundation::data::IKVMap* result);

}  // namespace vantory::cli
