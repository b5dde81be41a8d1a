#include "tools/vantory/ThumbnailCache.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <map>

#include "ThumbMetaLib/shell/PngText.h"
#include "xmp/files/util/Checksums.h"

namespace vantory::cli {
namespace {

namespace fs = std::filesystem;

// Each missing folder on the way is made private (0700), as the standard asks.
bool MakePrivateFolders(const fs::path& folder) {
    std::error_code error;
    if (fs::is_directory(folder, error)) {
        return true;
    }
    if (!folder.has_parent_path() || !MakePrivateFolders(folder.parent_path())) {
        return false;
    }
    return mkdir(folder.c_str(), 0700) == 0 || errno == EEXIST;
}

// The standard names files by the digest in lower-case hex.
std::string LowerHexMd5(const std::string& text) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    for (uint8_t byte : xmp::Md5(text)) {
        hex += kHex[byte >> 4];
        hex += kHex[byte & 15];
    }
    return hex;
}

}  // namespace

const std::vector<CacheFlavour>& CacheFlavours() {
    static const std::vector<CacheFlavour> flavours{
        {"normal", 128}, {"large", 256}, {"x-large", 512}, {"xx-large", 1024}};
    return flavours;
}

ThumbnailCache ThumbnailCache::FromEnvironment() {
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache != nullptr && cache[0] == '/') {
        return ThumbnailCache(std::string(cache) + "/thumbnails");
    }
    const char* home = std::getenv("HOME");
    return ThumbnailCache(home != nullptr && home[0] == '/'
                              ? std::string(home) + "/.cache/thumbnails"
                              : std::string());
}

std::string ThumbnailCache::PathFor(const std::string& flavourFolder,
                                    const std::string& uri) const {
    return root_ + "/" + flavourFolder + "/" + LowerHexMd5(uri) + ".png";
}

std::string ThumbnailCache::FailurePathFor(const std::string& uri) const {
    return PathFor("fail/vantory", uri);
}

bool ThumbnailCache::IsUpToDate(const std::string& uri, long long mtime) const {
    for (const CacheFlavour& flavour : CacheFlavours()) {
        const std::map<std::string, std::string> text =
            ThumbMetaLib::shell::PngTextChunksOfFile(PathFor(flavour.folder, uri));
        const auto storedUri = text.find("Thumb::URI");
        const auto storedMtime = text.find("Thumb::MTime");
        if (storedUri == text.end() || storedUri->second != uri || storedMtime == text.end() ||
            storedMtime->second != std::to_string(mtime)) {
            return false;
        }
    }
    return true;
}

void ThumbnailCache::ForgetFailure(const std::string& uri) const {
    std::error_code ignored;
    fs::remove(FailurePathFor(uri), ignored);
}

bool ThumbnailCache::Store(const std::string& flavourFolder, const std::string& uri,
                           long long mtime, const RgbImage& image) const {
    return Write(PathFor(flavourFolder, uri), uri, mtime, image);
}

bool ThumbnailCache::StoreFailure(const std::string& uri, long long mtime) const {
    RgbImage pixel;
    pixel.width = pixel.height = 1;
    pixel.rgb = {0, 0, 0};
    return Write(FailurePathFor(uri), uri, mtime, pixel);
}

bool ThumbnailCache::Write(const std::string& path, const std::string& uri, long long mtime,
                           const RgbImage& image) const {
    if (root_.empty() || !MakePrivateFolders(fs::path(path).parent_path())) {
        return false;
    }
    return WritePngAtomically(
        path, image,
        {{"Thumb::URI", uri}, {"Thumb::MTime", std::to_string(mtime)}, {"Software", "Vantory QX4"}},
        0600);
}

}  // namespace vantory::cli
