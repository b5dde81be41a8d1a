#include "ThumbMetaLib/engine/FBFileFormat.h"

#include <algorithm>

#include "ThumbMetaLib/engine/AsciiCase.h"

namespace ThumbMetaLib {

std::string OSCodeString(OSCode code) {
    return {static_cast<char>(code >> 24), static_cast<char>(code >> 16),
            static_cast<char>(code >> 8), static_cast<char>(code)};
}

FBFileFormat::~FBFileFormat() = default;

bool FBFileFormat::GetImageInfo(const std::string& /*path*/, FBImageInfo& info) {
    info = FBImageInfo();
    return false;
}

bool FBFileFormat::Matches(OSCode creator, OSCode type, const std::string& extension) const {
    const bool pairMatches =
        std::any_of(creatorTypes_.begin(), creatorTypes_.end(), [&](const CreatorType& pair) {
            const bool creatorOK = pair.creator == creator || pair.creator == kWildcardCode;
            const bool typeOK = pair.type == type || pair.type == kWildcardCode;
            return creatorOK && typeOK;
        });
    if (pairMatches) {
        return true;
    }
    const bool typeMatches = std::any_of(fileTypes_.begin(), fileTypes_.end(), [&](OSCode code) {
        return code == type || code == kWildcardCode;
    });
    if (typeMatches) {
        return true;
    }
    const std::string lower = AsciiLower(extension);
    return std::find(extensions_.begin(), extensions_.end(), lower) != extensions_.end();
}

bool FBFileFormat::CanHandle(const std::string& /*path*/, OSCode creator, OSCode type,
                             const std::string& extension) const {
    return Matches(creator, type, extension);
}

std::vector<std::string> FBFileFormat::GetReadTypes() const {
    std::vector<std::string> types;
    for (const CreatorType& pair : creatorTypes_) {
        if (pair.creator != kWildcardCode || pair.type != kWildcardCode) {
            types.push_back(OSCodeString(pair.creator));
            types.push_back(OSCodeString(pair.type));
        }
    }
    for (OSCode code : fileTypes_) {
        if (code != kWildcardCode) {
            types.push_back(OSCodeString(code));
        }
    }
    types.insert(types.end(), extensions_.begin(), extensions_.end());
    return types;
}

std::vector<std::string> FBFileFormat::GetWriteTypes() const {
    return GetReadTypes();
}

int32_t FBFileFormat::DoDirectXMPRead(const std::string& /*path*/, xmp::TXMPMeta& /*meta*/,
                                      bool& /*found*/) {
    return 0;
}

int32_t FBFileFormat::DoDirectXMPWrite(const std::string& /*path*/, const xmp::TXMPMeta& /*meta*/,
                                       uint32_t /*options*/) {
    return -1;
}

int32_t FBFileFormat::GetPageCount(const std::string& /*path*/) {
    return 1;
}

PixelsPtr FBFileFormat::CreatePageThumbnail(const std::string& path, int32_t page, uint32_t size) {
    if (page > 0) {
        return nullptr;
    }
    ThumbOptions options;
    return CreateThumbnail(path, size, options);
}

void FBFileFormat::AddExtension(std::string extension) {
    if (!extension.empty() && extension.front() == '.') {
        extension.erase(0, 1);
    }
    extensions_.push_back(AsciiLower(extension));
}

}  // namespace ThumbMetaLib
