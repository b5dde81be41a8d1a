#include "ThumbMetaLib/color/HuekoProfileList.h"

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "ThumbMetaLib/color/ColorProfile.h"

namespace ThumbMetaLib {
namespace {

// Real profiles are a few kilobytes to a few megabytes; anything bigger is not read.
constexpr std::uintmax_t kMaxProfileBytes = 64u << 20;

bool HasProfileExtension(const std::filesystem::path& path) {
    std::string ext = path.extension().string();
    for (char& c : ext) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return ext == ".icc" || ext == ".icm";
}

}  // namespace

ColorProfileHolder ProfileFromFile(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    if (error || size == 0 || size > kMaxProfileBytes) {
        return nullptr;
    }
    std::ifstream file(path, std::ios::binary);
    std::vector<uint8_t> bytes(static_cast<size_t>(size));
    if (!file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) {
        return nullptr;
    }
    return ColorProfile::FromMemory(bytes.data(), bytes.size());
}

std::vector<std::string> HuekoProfileList::SystemFolders() {
    std::vector<std::string> folders = {"/usr/share/color/icc", "/usr/local/share/color/icc"};
    if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') {
        folders.push_back(std::string(home) + "/.local/share/icc");
    }
    return folders;
}

std::shared_ptr<const HuekoProfileList> HuekoProfileList::Scan(
    const std::vector<std::string>& folders) {
    auto list = std::make_shared<HuekoProfileList>();
    for (const std::string& folder : folders) {
        std::error_code error;
        std::filesystem::recursive_directory_iterator it(
            folder, std::filesystem::directory_options::skip_permission_denied, error);
        for (; !error && it != std::filesystem::recursive_directory_iterator();
             it.increment(error)) {
            if (!it->is_regular_file(error) || !HasProfileExtension(it->path())) {
                continue;
            }
            const ColorProfileHolder profile = ProfileFromFile(it->path().string());
            if (profile) {
                list->entries_.push_back({profile->Description(), it->path().string()});
            }
        }
    }
    return list;
}

ColorProfileHolder HuekoProfileList::Find(const std::string& name) const {
    for (const Entry& entry : entries_) {
        if (entry.name == name) {
            return ProfileFromFile(entry.path);
        }
    }
    return nullptr;
}

}  // namespace ThumbMetaLib
