#pragma once
// Shared helpers of the file-handler tests: scratch directories, running the oracle tools
// (exiftool, ImageMagick) and going through TXMPFiles in one call.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "TXMPFiles.h"

namespace xmptest {

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text) {
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return quoted + "'";
}

// Standard output of a shell command (standard error discarded).
inline std::string RunShell(const std::string& command) {
    std::string out;
    FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) {
        return out;
    }
    char buffer[65536];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) {
        out.append(buffer, n);
    }
    ::pclose(pipe);
    return out;
}

inline std::string ExiftoolXmp(const std::string& path) {
    return RunShell("exiftool -xmp -b " + Quote(path));
}
inline std::string ExiftoolTag(const std::string& path, const std::string& tag) {
    std::string value = RunShell("exiftool -s3 -" + tag + " " + Quote(path));
    while (!value.empty() && value.back() == '\n') {
        value.pop_back();
    }
    return value;
}
inline std::string PixelHash(const std::string& path) {
    return RunShell("identify -format '%#' " + Quote(path));
}

// A real-world sample file; the test fails naming it when it is missing.
inline std::string CorpusFile(const std::string& relative) {
    std::string path = std::string(VANTORY_CORPUS_DIR) + "/" + relative;
    EXPECT_TRUE(std::filesystem::exists(path)) << "missing corpus file " << path;
    return path;
}

class TempDir {
public:
    TempDir() {
        std::random_device rd;
        path_ = (std::filesystem::temp_directory_path() / ("xmpfiles-test-" + std::to_string(rd())))
                    .string();
        std::filesystem::create_directories(path_);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }
    std::size_t EntryCount() const {
        return static_cast<std::size_t>(
            std::distance(std::filesystem::directory_iterator(path_), {}));
    }

private:
    std::string path_;
};

// A well-formed packet with dc:title `title`, `padding` bytes of whitespace and end="w"/"r".
inline std::string MakePacket(const std::string& title, std::size_t padding = 2048, char end = 'w',
                              const std::string& extraProperties = "") {
    std::string packet =
        "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n"
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n <rdf:RDF "
        "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">\n"
        "  <rdf:Description rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\">\n"
        "   <dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">" +
        title + "</rdf:li></rdf:Alt></dc:title>\n" + extraProperties +
        "  </rdf:Description>\n </rdf:RDF>\n</x:xmpmeta>\n";
    for (std::size_t i = 0; i < padding; ++i) {
        packet += (i % 100 == 99) ? '\n' : ' ';
    }
    return packet + "<?xpacket end=\"" + end + "\"?>";
}

struct ReadResult {
    bool opened = false;
    bool found = false;
    std::string packet;
    xmp::XMPPacketInfo info;
    xmp::XMP_OptionBits handlerFlags = 0;
    xmp::XMP_FileFormat format = 0;
};

inline ReadResult ReadXMP(const std::string& path,
                          xmp::XMP_FileFormat format = xmp::kXMP_UnknownFile,
                          xmp::XMP_OptionBits flags = xmp::kXMPFiles_OpenForRead) {
    ReadResult r;
    xmp::TXMPFiles files;
    r.opened = files.OpenFile(path, format, flags);
    if (r.opened) {
        files.GetFileInfo(nullptr, nullptr, &r.format, &r.handlerFlags);
        r.found = files.GetXMP(&r.packet, &r.info);
        files.CloseFile();
    }
    return r;
}

inline void WriteXMP(const std::string& path, const std::string& packet,
                     xmp::XMP_FileFormat format = xmp::kXMP_UnknownFile) {
    xmp::TXMPFiles files;
    ASSERT_TRUE(files.OpenFile(path, format, xmp::kXMPFiles_OpenForUpdate)) << path;
    files.PutXMP(packet);
    files.CloseFile(xmp::kXMPFiles_UpdateSafely);
}

}  // namespace xmptest
