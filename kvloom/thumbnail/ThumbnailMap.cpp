#include "kvloom/thumbnail/ThumbnailMap.h"

#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVMutableMap.h"
#include "kvloom/thumbnail/JPEGCoding.h"

namespace kvloom {

namespace data = kvfoundation::data;

const char* MimeTypeForFormat(const std::string& format) {
    if (format == "JPEG") {
        return "image/jpeg";
    }
    if (format == "AGIF") {
        return "image/gif";
    }
    return "application/octet-stream";
}

data::IKVMap* MakeThumbnailMap(const std::string& bytes, int32_t width, int32_t height,
                               const std::string& format) {
    data::IKVMutableMap* map = data::CreateMutableMap(5);
    map->SetObjectForKey(data::Literal("data"),
                         data::CreateData(bytes.data(), static_cast<int32_t>(bytes.size())));
    map->SetObjectForKey(data::Literal("width"), data::CreateInt32(width));
    map->SetObjectForKey(data::Literal("height"), data::CreateInt32(height));
    map->SetObjectForKey(
        data::Literal("format"),
        data::CreateStringFromUTF8(format.data(), static_cast<int32_t>(format.size())));
    map->SetObjectForKey(data::Literal("mimetype"), data::Literal(MimeTypeForFormat(format)));
    return map;
}

data::IKVMap* MakeThumbnailMap(const PacketThumbnail& item) {
    return MakeThumbnailMap(item.image, item.width, item.height, item.format);
}

data::IKVMap* EncodeThumbnailMap(const ThumbMetaLib::Pixels& pixels, int32_t quality) {
    return MakeThumbnailMap(EncodeThumbnailJPEG(pixels, quality),
                            static_cast<int32_t>(pixels.Width()),
                            static_cast<int32_t>(pixels.Height()), "JPEG");
}

}  // namespace kvloom
