#include "ThumbMetaLib/shell/ThumbnailerEntry.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "ThumbMetaLib/engine/AsciiCase.h"
#include "ThumbMetaLib/shell/ExecLine.h"

namespace ThumbMetaLib::shell {
namespace {

// Real thumbnailer files are a few hundred bytes; a larger one is not a key file.
constexpr std::streamsize kMaxEntryFileBytes = 64 * 1024;

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

std::vector<std::string> SplitList(const std::string& value) {
    std::vector<std::string> items;
    std::stringstream stream(value);
    std::string item;
    while (std::getline(stream, item, ';')) {
        item = AsciiLower(Trimmed(item));
        if (!item.empty()) {
            items.push_back(item);
        }
    }
    return items;
}

bool IsExecutableFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string FindExecutable(const std::string& name) {
    if (name.empty()) {
        return {};
    }
    if (name.find('/') != std::string::npos) {
        return name[0] == '/' && IsExecutableFile(name) ? name : std::string();
    }
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (!dir.empty() && dir[0] == '/' && IsExecutableFile(dir + "/" + name)) {
            return dir + "/" + name;
        }
    }
    return {};
}

std::optional<ThumbnailerEntry> ReadThumbnailerFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string text(size_t(kMaxEntryFileBytes) + 1, '\0');
    in.read(text.data(), kMaxEntryFileBytes + 1);
    if (in.gcount() > kMaxEntryFileBytes) {
        return std::nullopt;
    }
    text.resize(size_t(in.gcount()));

    ThumbnailerEntry entry;
    entry.file = path;
    std::string execLine;
    bool inGroup = false;
    std::stringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        line = Trimmed(line);
        if (line.empty() || line[0] == '#') {
            continue;
        }
        if (line[0] == '[') {
            inGroup = line == "[Thumbnailer Entry]";
            continue;
        }
        const size_t equals = line.find('=');
        if (!inGroup || equals == std::string::npos) {
            continue;
        }
        // Localised variants ("Name[de]") and unknown keys are not ours to read.
        const std::string key = Trimmed(line.substr(0, equals));
        const std::string value = Trimmed(line.substr(equals + 1));
        if (key == "TryExec") {
            entry.tryExec = value;
        } else if (key == "Exec") {
            execLine = value;
        } else if (key == "MimeType") {
            entry.mimeTypes = SplitList(value);
        }
    }
    std::optional<std::vector<std::string>> exec = SplitExecLine(execLine);
    if (!exec || entry.mimeTypes.empty()) {
        return std::nullopt;
    }
    entry.exec = std::move(*exec);
    return entry;
}

}  // namespace ThumbMetaLib::shell
