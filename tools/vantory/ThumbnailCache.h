#pragma once

#include <string>
#include <vector>

#include "tools/vantory/PngWriter.h"

namespace vantory::cli {

// The freedesktop thumbnail cache ($XDG_CACHE_HOME/thumbnails, default ~/.cache/thumbnails)
// by the thumbnail managing standard: one folder per flavour, files named by the MD5 of the
// original's URI, the URI and modification time in the PNG's text chunks, mode 0600 in
// folders of mode 0700, written atomically.
struct CacheFlavour {
    const char* folder;
    int size;
};
const std::vector<CacheFlavour>& CacheFlavours();  // normal 128 … xx-large 1024

class ThumbnailCache {
public:
    // The cache of this user's environment; empty Root() when neither variable is set.
    static ThumbnailCache FromEnvironment();
    explicit ThumbnailCache(std::string root) : root_(std::move(root)) {}

    const std::string& Root() const { return root_; }
    // <root>/<flavour>/<md5 of uri>.png
    std::string PathFor(const std::string& flavourFolder, const std::string& uri) const;
    // <root>/fail/vantory/<md5 of uri>.png
    std::string FailurePathFor(const std::string& uri) const;

    // Whether every flavour holds a thumbnail of this version of the file: its Thumb::URI is
    // `uri` and its Thumb::MTime is `mtime`.
    bool IsUpToDate(const std::string& uri, long long mtime) const;
    // Removes the failure record of the file, if there is one.
    void ForgetFailure(const std::string& uri) const;

    // Stores `image` for the file (its URI and mtime recorded); false when it cannot.
    bool Store(const std::string& flavourFolder, const std::string& uri, long long mtime,
               const RgbImage& image) const;
    // Records that we could not thumbnail the file, so that others need not try again.
    bool StoreFailure(const std::string& uri, long long mtime) const;

private:
    bool Write(const std::string& path, const std::string& uri, long long mtime,
               const RgbImage& image) const;

    std::string root_;
};

}  // namespace vantory::cli
