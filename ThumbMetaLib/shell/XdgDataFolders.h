#pragma once

#include <string>
#include <vector>

namespace ThumbMetaLib::shell {

// The XDG data folders in search order: $XDG_DATA_HOME (default ~/.local/share), then each of
// $XDG_DATA_DIRS (default /usr/local/share:/usr/share).
std::vector<std::string> XdgDataFolders();

}  // namespace ThumbMetaLib::shell
