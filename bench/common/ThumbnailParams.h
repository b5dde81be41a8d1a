#pragma once
// The parameters of a "createThumbnail" request for one file at one size, as the service
// benchmarks send it.
#include <cstdint>
#include <string>

#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVMutableList.h"
#include "kvfoundation/data/IKVMutableMap.h"

namespace vantory_bench {

inline kvfoundation::data::IKVMap* ThumbnailParams(const std::string& path, int32_t size = 256) {
    namespace data = kvfoundation::data;
    data::IKVMutableMap* params = data::CreateMutableMap(2);
    params->SetObjectForKey(data::Literal("filePath"),
                            data::CreateStringFromUTF8(path.data(), int32_t(path.size())));
    data::IKVMutableList* sizes = data::CreateMutableList(1);
    sizes->AddObject(data::CreateInt32(size));
    params->SetObjectForKey(data::Literal("sizes"), sizes);
    return params;
}

}  // namespace vantory_bench
