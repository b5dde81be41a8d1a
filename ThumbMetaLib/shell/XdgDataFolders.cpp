#include "ThumbMetaLib/shell/XdgDataFolders.h"

#include <cstdlib>
#include <sstream>

namespace ThumbMetaLib::shell {
namespace {

std::string EnvironmentOr(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value != nullptr && value[0] != '\0' ? std::string(value) : fallback;
}

}  // namespace

std::vector<std::string> XdgDataFolders() {
    std::vector<std::string> folders;
    const std::string home = EnvironmentOr("HOME", "");
    const std::string dataHome =
        EnvironmentOr("XDG_DATA_HOME", home.empty() ? std::string() : home + "/.local/share");
    if (!dataHome.empty()) {
        folders.push_back(dataHome);
    }
    std::stringstream dirs(EnvironmentOr("XDG_DATA_DIRS", "/usr/local/share:/usr/share"));
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        if (!dir.empty()) {
            folders.push_back(dir);
        }
    }
    return folders;
}

}  // namespace ThumbMetaLib::shell
