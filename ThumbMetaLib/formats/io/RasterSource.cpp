#include "ThumbMetaLib/formats/io/RasterSource.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace ThumbMetaLib {
namespace {

class FileRasterSource : public RasterSource {
public:
    FileRasterSource(int fd, uint64_t size) : fd_(fd), size_(size) {}
    ~FileRasterSource() override { ::close(fd_); }
    FileRasterSource(const FileRasterSource&) = delete;
    FileRasterSource& operator=(const FileRasterSource&) = delete;

    uint64_t Size() const override { return size_; }

    bool ReadAt(uint64_t offset, void* buffer, size_t count) override {
        if (offset > size_ || count > size_ - offset) {
            return false;
        }
        auto* out = static_cast<uint8_t*>(buffer);
        while (count > 0) {
            const ssize_t got = ::pread(fd_, out, count, off_t(offset));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                return false;  // the file shrank under us, or a read error
            }
            out += got;
            offset += uint64_t(got);
            count -= size_t(got);
        }
        return true;
    }

private:
    int fd_;
    uint64_t size_;
};

}  // namespace

std::unique_ptr<RasterSource> OpenFileRasterSource(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    return std::make_unique<FileRasterSource>(fd, uint64_t(info.st_size));
}

bool MemoryRasterSource::ReadAt(uint64_t offset, void* buffer, size_t count) {
    if (offset > size_ || count > size_ - offset) {
        return false;
    }
    if (count > 0) {
        std::memcpy(buffer, data_ + offset, count);
    }
    return true;
}

}  // namespace ThumbMetaLib
