// The matching rules: which handler makes a file's thumbnail. The first rule that applies
// decides; only the last asks the handlers themselves.
#include <algorithm>
#include <array>
#include <string_view>

#include "ThumbMetaLib/engine/AsciiCase.h"
#include "ThumbMetaLib/engine/FBNullFileFormat.h"
#include "ThumbMetaLib/engine/FormatRegistry.h"
#include "ThumbMetaLib/formats/jpeg/FBJPEGFormat.h"

namespace ThumbMetaLib {
namespace {

// Files that never have a thumbnail: the application's own caches and databases, text and
// markup, executables, archives, sidecars and locks.
constexpr std::array<std::string_view, 39> kNeverThumbnailed = {
    "collection", "loomcache", "loomcachet", "bct",
    "bcm",        "bc",        "loomsort",   "loomlabelsandratings",
    "txt",        "elmx",      "rtf",        "htm",
    "html",       "xml",       "css",        "dtd",
    "exe",        "dll",       "dat",        "app",
    "ds_store",   "download",  "js",         "jsx",
    "apf",        "sit",       "zip",        "dmg",
    "log",        "bin",       "hqx",        "thm",
    "tb0",        "md0",       "tb1",        "xmp",
    "idlk",       "tmp",       "fff"};

bool OneOf(const std::string& extension, std::initializer_list<std::string_view> choices) {
    return std::find(choices.begin(), choices.end(), extension) != choices.end();
}

// Rules 1-9: the handler decided by the name alone, or null when the handlers must be asked.
FBFileFormatPtr FormatByName(const std::string& path, const std::string& extension) {
    // Rule 2 asks the raw-camera handler to classify the file; it comes from a plug-in suite
    // that the service never loads, so there is nobody to ask.
    if (std::find(kNeverThumbnailed.begin(), kNeverThumbnailed.end(), extension) !=
        kNeverThumbnailed.end()) {
        return FBNullFileFormat::Instance();
    }
    if (PathFileName(path).substr(0, 2) == "._") {  // resource forks copied from other systems
        return FBNullFileFormat::Instance();
    }
    if (OneOf(extension, {"jpeg", "jpg", "jpe"})) {
        return FBJPEGFormat::Instance();
    }
    // Without a raw-camera handler nothing here reads TIFF.
    if (OneOf(extension, {"tiff", "tif"})) {
        return FBNullFileFormat::Instance();
    }
    // Rules 7 ("psd", "psb", "pdd" -> PictoriumLibFormat) and 8 ("pdf" -> FBPDFFormat) belong
    // here, in that order, once those handlers exist; until then such files go to the
    // handlers' own claims below.
    if (extension.empty()) {
        return FBNullFileFormat::Instance();
    }
    return nullptr;
}

}  // namespace

void FormatRegistry::FindFormats(const std::string& path,
                                 std::vector<FBFileFormatPtr>& found) const {
    const std::string extension = AsciiLower(PathExtension(path));
    if (FBFileFormatPtr format = FormatByName(path, extension)) {
        found.push_back(std::move(format));
        return;
    }
    // Rule 10. The registry is ascending by priority already; the stable sort keeps the
    // answers in priority order with equal priorities in the order asked even so.
    std::vector<FBFileFormatPtr> claims;
    for (const FBFileFormatPtr& format : formats_) {
        if (format->CanHandle(path, 0, 0, extension)) {
            claims.push_back(format);
        }
    }
    std::stable_sort(claims.begin(), claims.end(),
                     [](const FBFileFormatPtr& a, const FBFileFormatPtr& b) {
                         return a->Priority() < b->Priority();
                     });
    if (claims.empty()) {
        claims.push_back(FBUnknownFileFormat::Instance());
    }
    found.insert(found.end(), claims.begin(), claims.end());
}

}  // namespace ThumbMetaLib
