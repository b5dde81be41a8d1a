#include "ThumbMetaLib/engine/FBNullFileFormat.h"

namespace ThumbMetaLib {

std::shared_ptr<FBNullFileFormat> FBNullFileFormat::Instance() {
    static const std::shared_ptr<FBNullFileFormat> instance(new FBNullFileFormat());
    return instance;
}

PixelsPtr FBNullFileFormat::CreateQuickThumbnail(const std::string&, ThumbImageInfo&) {
    return nullptr;
}

PixelsPtr FBNullFileFormat::CreateThumbnail(const std::string&, uint32_t, ThumbOptions& options) {
    options.status = -1;
    return nullptr;
}

std::shared_ptr<FBUnknownFileFormat> FBUnknownFileFormat::Instance() {
    static const std::shared_ptr<FBUnknownFileFormat> instance(new FBUnknownFileFormat());
    return instance;
}

PixelsPtr FBUnknownFileFormat::CreateQuickThumbnail(const std::string&, ThumbImageInfo&) {
    return nullptr;
}

PixelsPtr FBUnknownFileFormat::CreateThumbnail(const std::string&, uint32_t,
                                               ThumbOptions& options) {
    options.status = -1;
    return nullptr;
}

}  // namespace ThumbMetaLib
