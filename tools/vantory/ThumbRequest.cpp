#include "tools/vantory/ThumbRequest.h"

#include <filesystem>

#include "kvfoundation/base/KVCast.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVList.h"
#include "kvfoundation/data/IKVMutableList.h"
#include "kvfoundation/data/IKVMutableMap.h"
#include "kvfoundation/data/IKVNumber.h"

namespace vantory::cli {

namespace data = kvfoundation::data;
using kvfoundation::base::KVCast;

data::IKVMap* ThumbnailRequest(const std::string& file, const std::vector<int>& sizes,
                               int quality) {
    data::IKVMutableList* sizeList = data::CreateMutableList(0);
    for (int size : sizes) {
        sizeList->AddObject(data::CreateInt32(size));
    }
    data::IKVMutableMap* params = data::CreateMutableMap(3);
    const std::string path = std::filesystem::absolute(file).string();
    params->SetObjectForKey(data::Literal("filePath"),
                            data::CreateStringFromUTF8(path.data(), int32_t(path.size())));
    params->SetObjectForKey(data::Literal("sizes"), sizeList);
    params->SetObjectForKey(data::Literal("quality"), data::CreateInt32(quality));
    return params;
}

std::vector<ReturnedThumbnail> ReturnedThumbnails(data::IKVMap* result) {
    std::vector<ReturnedThumbnail> thumbnails;
    auto* list = KVCast<data::IKVList>(result->ObjectForKey(data::Literal("thumbnails")));
    for (int32_t i = 0; i < list->Count(); ++i) {
        auto* entry = KVCast<data::IKVMap>(list->ObjectAt(i));
        auto number = [&](const char* key) {
            return KVCast<data::IKVNumber>(entry->ObjectForKey(data::Literal(key)))->Int32Value();
        };
        thumbnails.push_back({KVCast<data::IKVData>(entry->ObjectForKey(data::Literal("data"))),
                              number("width"), number("height")});
    }
    return thumbnails;
}

}  // namespace vantory::cli
