// `vantory thumb --cache FILE...`: fills the desktop's thumbnail cache with our thumbnails,
// every flavour in one request per file; files whose thumbnails are up to date are skipped.
#include <sys/stat.h>

#include <filesystem>
#include <iostream>

#include "ThumbMetaLib/shell/ExecLine.h"
#include "tools/vantory/Commands.h"
#include "tools/vantory/JpegToRgb.h"
#include "tools/vantory/ProgressLine.h"
#include "tools/vantory/ThumbRequest.h"
#include "tools/vantory/ThumbnailCache.h"

namespace vantory::cli {
namespace {

namespace fs = std::filesystem;

constexpr int kCacheQuality = 10;

// Stores every flavour of one file; false when the service made none.
bool CacheOne(const ThumbnailCache& cache, const std::string& file, const std::string& uri,
              long long mtime, client::ServiceConnection& connection) {
    std::vector<int> sizes;
    for (const CacheFlavour& flavour : CacheFlavours()) {
        sizes.push_back(flavour.size);
    }
    client::Reply reply =
        connection.Call("createThumbnail", ThumbnailRequest(file, sizes, kCacheQuality));
    if (!reply.succeeded) {
        return false;
    }
    const std::vector<ReturnedThumbnail> thumbnails = ReturnedThumbnails(reply.result.get());
    bool stored = !thumbnails.empty();
    for (size_t i = 0; i < thumbnails.size() && i < CacheFlavours().size(); ++i) {
        std::optional<RgbImage> image =
            DecodeJpeg(thumbnails[i].jpeg->Bytes(), size_t(thumbnails[i].jpeg->Length()));
        stored = image && cache.Store(CacheFlavours()[i].folder, uri, mtime, *image) && stored;
    }
    return stored;
}

int RunCache(const std::vector<std::string>& files, client::ServiceConnection& connection) {
    const ThumbnailCache cache = ThumbnailCache::FromEnvironment();
    if (cache.Root().empty()) {
        std::cerr << "vantory: no thumbnail cache (neither XDG_CACHE_HOME nor HOME is set)\n";
        return kUsage;
    }
    ProgressLine progress;
    size_t failed = 0;
    size_t upToDate = 0;
    for (size_t i = 0; i < files.size(); ++i) {
        progress.Show(
            "thumbnail cache " + std::to_string(i + 1) + "/" + std::to_string(files.size()),
            double(i) / double(files.size()));
        std::error_code error;
        const fs::path path = fs::canonical(files[i], error);
        struct stat info {};
        if (error || stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
            progress.Clear();
            std::cerr << "vantory: not a file: " << files[i] << "\n";
            ++failed;
            continue;
        }
        const std::string uri = ThumbMetaLib::shell::FileUri(path.string());
        if (cache.IsUpToDate(uri, info.st_mtime)) {
            ++upToDate;  // as valid as the standard asks; a stale entry is made again
        } else if (CacheOne(cache, path.string(), uri, info.st_mtime, connection)) {
            cache.ForgetFailure(uri);
        } else {
            progress.Clear();
            std::cerr << "vantory: no thumbnail of " << files[i] << "\n";
            cache.StoreFailure(uri, info.st_mtime);
            ++failed;
        }
    }
    progress.Clear();
    std::cout << files.size() - failed - upToDate << " cached, " << upToDate << " up to date, "
              << failed << " failed in " << cache.Root() << "\n";
    return failed == 0 ? kSuccess : kErrorReply;
}

}  // namespace

std::optional<CommandRunner> ParseCacheCommand(const std::vector<std::string>& args) {
    if (args.empty()) {
        std::cerr << "vantory: usage: thumb --cache FILE...\n";
        return std::nullopt;
    }
    return [args](client::ServiceConnection& connection) { return RunCache(args, connection); };
}

}  // namespace vantory::cli
