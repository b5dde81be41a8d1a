#pragma once

// Test helper: a fresh folder under the temporary directory, removed with everything in it when
// the object goes, and files written into it in one call.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace ThumbMetaLib::test {

class TempFolder {
public:
    TempFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vantory-test-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    bool Ok() const { return !path_.empty(); }
    std::string File(const std::string& name) const { return path_ + "/" + name; }

    // Writes `bytes` to the named file and returns its path.
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) const {
        const std::string file = File(name);
        std::ofstream out(file, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return file;
    }
    std::string Write(const std::string& name, const std::string& bytes) const {
        return Write(name, std::vector<uint8_t>(bytes.begin(), bytes.end()));
    }

private:
    std::string path_;
};

}  // namespace ThumbMetaLib::test
