#pragma once

#include <zip.h>

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include <assimp/IOSystem.hpp>

namespace render3d {

// Assimp's file access over a ZIP archive (a KMZ model: a COLLADA file and its textures), so
// the importer reads the model and the texture loader its images straight from the archive.
// Names are resolved inside the archive only: "." and ".." are folded and "\" counts as "/",
// and nothing can reach a file outside it.
class ArchiveIOSystem final : public Assimp::IOSystem {
public:
    // Null (with `error`) when the archive cannot be opened.
    static std::unique_ptr<ArchiveIOSystem> Open(const std::string& path, std::string& error);
    ~ArchiveIOSystem() override;

    // The first COLLADA entry, the model a KMZ holds; empty when there is none.
    std::string FindModelEntry() const;

    bool Exists(const char* name) const override;
    char getOsSeparator() const override { return '/'; }
    Assimp::IOStream* Open(const char* name, const char* mode = "rb") override;
    void Close(Assimp::IOStream* stream) override;

    // The entry's bytes, null when it is missing or larger than the entry cap.
    std::optional<std::string> ReadEntry(const std::string& name) const;

private:
    explicit ArchiveIOSystem(zip_t* archive) : archive_(archive) {}
    // The index of `name` after folding, or -1.
    zip_int64_t Locate(const std::string& name) const;

    zip_t* archive_;
};

// "a/./b/../c" → "a/c", "\" → "/", leading "/" dropped; null when ".." climbs above the root.
std::optional<std::string> FoldArchivePath(const std::string& name);

}  // namespace render3d
