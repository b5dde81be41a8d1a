#include "ThumbMetaLib/shell/ThumbnailerCatalog.h"

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <tuple>

#include "ThumbMetaLib/engine/AsciiCase.h"
#include "ThumbMetaLib/shell/XdgDataFolders.h"
#include "kvfoundation/util/ProcessLog.h"

namespace ThumbMetaLib::shell {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> ThumbnailerFiles(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (it->path().extension() == ".thumbnailer") {
            files.push_back(it->path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Whether the entry can run here; fills in its program's absolute path.
bool MakeUsable(ThumbnailerEntry& entry) {
    if (!entry.tryExec.empty() && FindExecutable(entry.tryExec).empty()) {
        return false;
    }
    entry.program = FindExecutable(entry.exec[0]);
    return !entry.program.empty();
}

// What the catalog was loaded from: every thumbnailer file with its change time and size.
using FileStamp = std::tuple<std::string, int64_t, int64_t, int64_t>;

std::vector<FileStamp> StampsOf(const std::vector<std::string>& folders) {
    std::vector<FileStamp> stamps;
    for (const std::string& folder : folders) {
        for (const std::string& file : ThumbnailerFiles(folder)) {
            struct stat info {};
            if (stat(file.c_str(), &info) == 0) {
                stamps.emplace_back(file, int64_t(info.st_mtim.tv_sec),
                                    int64_t(info.st_mtim.tv_nsec), int64_t(info.st_size));
            }
        }
    }
    return stamps;
}

}  // namespace

std::shared_ptr<const ThumbnailerCatalog> ThumbnailerCatalog::Current(
    const std::vector<std::string>& folders) {
    // Reading and checking every entry costs milliseconds per file otherwise; a program that
    // disappears later is noticed when it cannot be started.
    static std::mutex lock;
    static std::vector<std::string> loadedFolders;
    static std::vector<FileStamp> loadedStamps;
    static std::shared_ptr<const ThumbnailerCatalog> loaded;
    std::vector<FileStamp> stamps = StampsOf(folders);
    std::lock_guard<std::mutex> guard(lock);
    if (!loaded || loadedFolders != folders || loadedStamps != stamps) {
        loaded = std::make_shared<const ThumbnailerCatalog>(Load(folders));
        loadedFolders = folders;
        loadedStamps = std::move(stamps);
    }
    return loaded;
}

std::vector<std::string> ThumbnailerCatalog::FoldersFromEnvironment() {
    std::vector<std::string> folders = XdgDataFolders();
    for (std::string& folder : folders) {
        folder += "/thumbnailers";
    }
    return folders;
}

ThumbnailerCatalog ThumbnailerCatalog::Load(const std::vector<std::string>& folders) {
    ThumbnailerCatalog catalog;
    for (const std::string& folder : folders) {
        for (const std::string& file : ThumbnailerFiles(folder)) {
            std::optional<ThumbnailerEntry> entry = ReadThumbnailerFile(file);
            if (!entry) {
                kvfoundation::util::LogFormat(3, "ThumbMeta: thumbnailer file %s not usable",
                                              file.c_str());
                continue;
            }
            if (IsOwnThumbnailer(*entry) || !MakeUsable(*entry)) {
                continue;
            }
            const size_t index = catalog.entries_.size();
            for (const std::string& mimeType : entry->mimeTypes) {
                catalog.byMimeType_.emplace(mimeType, index);  // the first definition stays
            }
            catalog.entries_.push_back(std::move(*entry));
        }
    }
    return catalog;
}

const ThumbnailerEntry* ThumbnailerCatalog::ForMimeType(const std::string& mimeType) const {
    const auto found = byMimeType_.find(AsciiLower(mimeType));
    return found == byMimeType_.end() ? nullptr : &entries_[found->second];
}

bool IsOwnThumbnailer(const ThumbnailerEntry& entry) {
    return fs::path(entry.file).filename() == "vantory.thumbnailer" ||
           fs::path(entry.exec[0]).filename() == "vantory";
}

}  // namespace ThumbMetaLib::shell
