#include "tools/render3d/ArchiveIOSystem.h"

#include <algorithm>
#include <cctype>
#include <vector>

#include "tools/render3d/InputLimits.h"
#include "tools/render3d/MemoryIOStream.h"
#include "tools/render3d/TextTranscoding.h"

namespace render3d {
namespace {

bool EndsWithNoCase(const std::string& text, const std::string& suffix) {
    if (text.size() < suffix.size()) {
        return false;
    }
    return std::equal(suffix.rbegin(), suffix.rend(), text.rbegin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) ==
               std::tolower(static_cast<unsigned char>(b));
    });
}

}  // namespace

std::optional<std::string> FoldArchivePath(const std::string& name) {
    std::vector<std::string> parts;
    std::string part;
    auto flush = [&]() -> bool {
        if (part == "..") {
            if (parts.empty()) {
                return false;
            }
            parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        part.clear();
        return true;
    };
    for (const char c : name) {
        if (c == '/' || c == '\\') {
            if (!flush()) {
                return std::nullopt;
            }
        } else {
            part += c;
        }
    }
    if (!flush()) {
        return std::nullopt;
    }
    std::string folded;
    for (const std::string& p : parts) {
        if (!folded.empty()) {
            folded += '/';
        }
        folded += p;
    }
    return folded;
}

std::unique_ptr<ArchiveIOSystem> ArchiveIOSystem::Open(const std::string& path,
                                                       std::string& error) {
    int code = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_RDONLY, &code);
    if (archive == nullptr) {
        zip_error_t zipError;
        zip_error_init_with_code(&zipError, code);
        error = std::string("cannot open the archive: ") + zip_error_strerror(&zipError);
        zip_error_fini(&zipError);
        return nullptr;
    }
    return std::unique_ptr<ArchiveIOSystem>(new ArchiveIOSystem(archive));
}

ArchiveIOSystem::~ArchiveIOSystem() {
    zip_discard(archive_);  // opened read-only: nothing to write back
}

std::string ArchiveIOSystem::FindModelEntry() const {
    const zip_int64_t count = zip_get_num_entries(archive_, 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(archive_, zip_uint64_t(i), 0);
        if (name != nullptr && EndsWithNoCase(name, ".dae")) {
            return name;
        }
    }
    return {};
}

zip_int64_t ArchiveIOSystem::Locate(const std::string& name) const {
    const std::optional<std::string> folded = FoldArchivePath(name);
    if (!folded || folded->empty()) {
        return -1;
    }
    return zip_name_locate(archive_, folded->c_str(), ZIP_FL_NOCASE);
}

bool ArchiveIOSystem::Exists(const char* name) const {
    return name != nullptr && Locate(name) >= 0;
}

std::optional<std::string> ArchiveIOSystem::ReadEntry(const std::string& name) const {
    const zip_int64_t index = Locate(name);
    zip_stat_t stat;
    if (index < 0 || zip_stat_index(archive_, zip_uint64_t(index), 0, &stat) != 0 ||
        (stat.valid & ZIP_STAT_SIZE) == 0 || stat.size > kMaxArchiveEntryBytes) {
        return std::nullopt;
    }
    zip_file_t* file = zip_fopen_index(archive_, zip_uint64_t(index), 0);
    if (file == nullptr) {
        return std::nullopt;
    }
    std::string bytes(size_t(stat.size), '\0');
    const zip_int64_t got = zip_fread(file, bytes.data(), stat.size);
    zip_fclose(file);
    if (got < 0 || zip_uint64_t(got) != stat.size) {
        return std::nullopt;
    }
    return bytes;
}

Assimp::IOStream* ArchiveIOSystem::Open(const char* name, const char* mode) {
    if (name == nullptr || mode == nullptr || mode[0] != 'r') {
        return nullptr;  // the archive is read-only
    }
    std::optional<std::string> bytes = ReadEntry(name);
    if (!bytes) {
        return nullptr;
    }
    return new MemoryIOStream(IsModelTextName(name) ? TranscodeUTF16(std::move(*bytes))
                                                    : std::move(*bytes));
}

void ArchiveIOSystem::Close(Assimp::IOStream* stream) {
    delete stream;
}

}  // namespace render3d
