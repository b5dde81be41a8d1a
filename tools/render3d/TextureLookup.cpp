#include "tools/render3d/TextureLookup.h"

#include <algorithm>
#include <memory>
#include <vector>

#include <assimp/IOStream.hpp>

#include "tools/render3d/InputLimits.h"

namespace render3d {
namespace {

bool IsAbsolute(const std::string& reference) {
    return (!reference.empty() && reference[0] == '/') ||
           (reference.size() >= 2 && reference[1] == ':');  // "C:/…"
}

std::optional<std::string> ReadWhole(Assimp::IOSystem& io, const std::string& path) {
    if (!io.Exists(path.c_str())) {
        return std::nullopt;
    }
    auto closer = [&io](Assimp::IOStream* stream) { io.Close(stream); };
    std::unique_ptr<Assimp::IOStream, decltype(closer)> stream(io.Open(path.c_str(), "rb"), closer);
    if (!stream || stream->FileSize() == 0 || stream->FileSize() > kMaxTextureFileBytes) {
        return std::nullopt;
    }
    std::string bytes(stream->FileSize(), '\0');
    if (stream->Read(bytes.data(), 1, bytes.size()) != bytes.size()) {
        return std::nullopt;
    }
    return bytes;
}

}  // namespace

std::optional<std::string> ReadTextureFile(Assimp::IOSystem& io, const std::string& modelFolder,
                                           const std::string& reference) {
    std::string relative = reference;
    std::replace(relative.begin(), relative.end(), '\\', '/');
    constexpr std::string_view kFileScheme = "file://";
    if (relative.rfind(kFileScheme, 0) == 0) {
        relative.erase(0, kFileScheme.size());
    }
    if (relative.empty()) {
        return std::nullopt;
    }
    const std::string name = relative.substr(relative.find_last_of('/') + 1);
    std::vector<std::string> candidates;
    if (!IsAbsolute(relative)) {
        candidates.push_back(modelFolder + relative);
    }
    if (!name.empty()) {
        candidates.push_back(modelFolder + name);
    }
    for (const std::string& candidate : candidates) {
        if (std::optional<std::string> bytes = ReadWhole(io, candidate)) {
            return bytes;
        }
    }
    return std::nullopt;
}

}  // namespace render3d
