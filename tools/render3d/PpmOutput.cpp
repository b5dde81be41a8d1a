#include "tools/render3d/PpmOutput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace render3d {
namespace {

bool WriteAll(int fd, const uint8_t* bytes, size_t count) {
    while (count > 0) {
        const ssize_t written = ::write(fd, bytes, count);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            return false;
        }
        bytes += written;
        count -= size_t(written);
    }
    return true;
}

}  // namespace

bool WritePPM(const std::string& path, uint32_t size, const std::vector<uint8_t>& rgb,
              std::string& error) {
    if (rgb.size() != size_t(size) * size * 3) {
        error = "internal error: the image does not match its size";
        return false;
    }
    // O_NOFOLLOW: a link planted at the path cannot redirect the write elsewhere.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        error = std::string("the image file cannot be written: ") + std::strerror(errno);
        return false;
    }
    struct stat status {};
    bool ok = ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
    if (!ok) {
        error = "the image path is not a regular file";
    } else {
        const std::string header =
            "P6\n" + std::to_string(size) + " " + std::to_string(size) + "\n255\n";
        ok = ::ftruncate(fd, 0) == 0 &&
             WriteAll(fd, reinterpret_cast<const uint8_t*>(header.data()), header.size()) &&
             WriteAll(fd, rgb.data(), rgb.size());
        if (!ok) {
            error = std::string("the image file cannot be written: ") + std::strerror(errno);
        }
    }
    if (::close(fd) != 0 && ok) {
        error = std::string("the image file cannot be written: ") + std::strerror(errno);
        ok = false;
    }
    return ok;
}

}  // namespace render3d
