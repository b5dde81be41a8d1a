#pragma once

#include <optional>
#include <string>
#include <vector>

namespace ThumbMetaLib::shell {

// One `*.thumbnailer` file of the freedesktop thumbnailer convention: the keys of its
// "[Thumbnailer Entry]" group.
struct ThumbnailerEntry {
    std::string file;                    // where it was read from
    std::string tryExec;                 // may be empty
    std::vector<std::string> exec;       // the Exec line split, field codes still in place
    std::vector<std::string> mimeTypes;  // lower-cased
    std::string program;                 // exec[0] resolved to an absolute executable path
};

// Null when the file is unreadable, too large for a key file, or lacks Exec or MimeType.
std::optional<ThumbnailerEntry> ReadThumbnailerFile(const std::string& path);

// `name` as an absolute path of an executable file: itself when it contains a '/', else the
// first match along $PATH. Empty when there is none.
std::string FindExecutable(const std::string& name);

}  // namespace ThumbMetaLib::shell
