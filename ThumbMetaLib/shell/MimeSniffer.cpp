#include "ThumbMetaLib/shell/MimeSniffer.h"

#include <magic.h>

#include <cstdlib>
#include <fstream>
#include <mutex>

#include "ThumbMetaLib/engine/AsciiCase.h"
#include "ThumbMetaLib/shell/XdgDataFolders.h"
#include "kvfoundation/util/ProcessLog.h"

namespace ThumbMetaLib::shell {
namespace {

// One magic cookie for the process: loading the database costs milliseconds, and a cookie is
// not safe to use from two threads at once, so it is used under a lock.
class MagicCookie {
public:
    MagicCookie() {
        cookie_ = magic_open(MAGIC_MIME_TYPE | MAGIC_ERROR | MAGIC_NO_CHECK_COMPRESS);
        if (cookie_ != nullptr && magic_load(cookie_, nullptr) != 0) {
            kvfoundation::util::LogFormat(2, "ThumbMeta: no magic database: %s",
                                          magic_error(cookie_));
            magic_close(cookie_);
            cookie_ = nullptr;
        }
        if (cookie_ != nullptr) {
            // Bounds on how much of a hostile file the rules may walk. The rules of the types
            // thumbnailers take look at the first few kilobytes (ISO images at 32 KiB); each
            // sniff reads and clears this many bytes, which for a megabyte cost milliseconds.
            size_t bytesMax = 64 * 1024;
            magic_setparam(cookie_, MAGIC_PARAM_BYTES_MAX, &bytesMax);
        }
    }
    ~MagicCookie() {
        if (cookie_ != nullptr) {
            magic_close(cookie_);
        }
    }
    MagicCookie(const MagicCookie&) = delete;
    MagicCookie& operator=(const MagicCookie&) = delete;

    std::string TypeOf(const std::string& path) {
        std::lock_guard<std::mutex> guard(lock_);
        if (cookie_ == nullptr) {
            return {};
        }
        const char* type = magic_file(cookie_, path.c_str());
        return type != nullptr ? std::string(type) : std::string();
    }

private:
    std::mutex lock_;
    magic_t cookie_ = nullptr;
};

// The best-weighted "*.<extension>" glob of one globs2 file ("weight:type:glob[:flags]").
std::string LookUpGlobs(const std::string& file, const std::string& extension) {
    std::ifstream in(file);
    const std::string wanted = "*." + extension;
    std::string line;
    std::string best;
    int bestWeight = -1;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') {
            continue;
        }
        const size_t first = line.find(':');
        const size_t second = first == std::string::npos ? first : line.find(':', first + 1);
        if (second == std::string::npos) {
            continue;
        }
        const size_t third = line.find(':', second + 1);
        const std::string glob = line.substr(second + 1, third - second - 1);
        if (AsciiLower(glob) != wanted) {
            continue;
        }
        const int weight = std::atoi(line.substr(0, first).c_str());
        if (weight > bestWeight) {
            bestWeight = weight;
            best = line.substr(first + 1, second - first - 1);
        }
    }
    return best;
}

}  // namespace

std::string MimeTypeFromExtension(const std::string& path,
                                  const std::vector<std::string>& dataFolders) {
    const std::string extension = AsciiLower(PathExtension(path));
    if (extension.empty()) {
        return {};
    }
    for (const std::string& folder : dataFolders) {
        std::string type = LookUpGlobs(folder + "/mime/globs2", extension);
        if (!type.empty()) {
            return type;
        }
    }
    return {};
}

std::string SniffMimeType(const std::string& path) {
    static MagicCookie cookie;
    std::string type = cookie.TypeOf(path);
    if (type.empty() || type == "application/octet-stream" || type == "text/plain") {
        std::string byExtension = MimeTypeFromExtension(path, XdgDataFolders());
        if (!byExtension.empty()) {
            return byExtension;
        }
    }
    return type;
}

}  // namespace ThumbMetaLib::shell
