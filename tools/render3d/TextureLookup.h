#pragma once

#include <optional>
#include <string>

#include <assimp/IOSystem.hpp>

namespace render3d {

// The bytes of the texture a material names, read through the importer's file access (the
// disk, or the KMZ archive) relative to the model's folder `modelFolder` ("" or ending in
// "/"). Windows separators are accepted; an absolute or unreachable reference is looked up by
// its file name beside the model, the way exporters' own paths usually end up on another
// machine. Null when nothing usable is found or the file is above the texture cap.
std::optional<std::string> ReadTextureFile(Assimp::IOSystem& io, const std::string& modelFolder,
                                           const std::string& reference);

}  // namespace render3d
