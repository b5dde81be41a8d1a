#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ThumbMetaLib/shell/ThumbnailerEntry.h"

namespace ThumbMetaLib::shell {

// The thumbnailers installed for this user, by MIME type. Folders are read in the order given
// (the user's own first); within a folder the files are read in name order, and the first
// usable definition of a MIME type wins. An entry is usable when its TryExec (if any) and its
// program are found; our own entry is never used, so that we never call ourselves.
class ThumbnailerCatalog {
public:
    // $XDG_DATA_HOME (default ~/.local/share), then each folder of $XDG_DATA_DIRS (default
    // /usr/local/share:/usr/share), each with "/thumbnailers" appended.
    static std::vector<std::string> FoldersFromEnvironment();

    static ThumbnailerCatalog Load(const std::vector<std::string>& folders);

    // The catalog of `folders`, loaded again only when a thumbnailer file in them was added,
    // removed or changed since the last call (the files are listed and stat'ed, not read).
    static std::shared_ptr<const ThumbnailerCatalog> Current(
        const std::vector<std::string>& folders);

    // Null when no usable thumbnailer claims `mimeType` (compared without case).
    const ThumbnailerEntry* ForMimeType(const std::string& mimeType) const;
    size_t EntryCount() const { return entries_.size(); }

private:
    std::vector<ThumbnailerEntry> entries_;
    std::map<std::string, size_t> byMimeType_;  // index into entries_
};

// True for the entry our own command installs (its file name or its program).
bool IsOwnThumbnailer(const ThumbnailerEntry& entry);

}  // namespace ThumbMetaLib::shell
