#include "ThumbMetaLib/posix/PosixExecutableFolder.h"

#include <filesystem>
#include <system_error>

namespace ThumbMetaLib {

std::string ExecutableFolder() {
    std::error_code error;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || !self.has_parent_path()) {
        return {};
    }
    return self.parent_path().string() + "/";
}

}  // namespace ThumbMetaLib
