#include "ThumbMetaLib/pdf/PDFSafeSave.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "ThumbMetaLib/pdf/PagelError.h"

namespace ThumbMetaLib {
namespace {

[[noreturn]] void Fail(const std::string& what, const std::string& path) {
    throw PagelError::InFile(kPDFGlueErrorGeneric, what + ": " + std::strerror(errno), path);
}

// The temporary file, removed unless it was renamed into place.
class TemporaryFile {
public:
    explicit TemporaryFile(const std::string& original) {
        const size_t slash = original.find_last_of('/');
        const std::string dir = slash == std::string::npos ? "" : original.substr(0, slash + 1);
        const std::string name = slash == std::string::npos ? original : original.substr(slash + 1);
        path_ = dir + "." + name + ".vantory-XXXXXX";
        fd_ = mkstemp(path_.data());
        if (fd_ < 0) {
            Fail("cannot create a temporary file", original);
        }
    }
    ~TemporaryFile() {
        if (fd_ >= 0) {
            close(fd_);
        }
        if (!kept_) {
            unlink(path_.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int Fd() const { return fd_; }
    const std::string& Path() const { return path_; }
    void Keep() { kept_ = true; }

private:
    std::string path_;
    int fd_ = -1;
    bool kept_ = false;
};

void CopyBytes(int from, int to, const std::string& path) {
    std::vector<char> buffer(1 << 16);
    for (;;) {
        const ssize_t got = read(from, buffer.data(), buffer.size());
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            Fail("cannot read the file", path);
        }
        if (got == 0) {
            return;
        }
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = write(to, buffer.data() + done, static_cast<size_t>(got - done));
            if (put < 0 && errno != EINTR) {
                Fail("cannot write the copy", path);
            }
            done += put > 0 ? put : 0;
        }
    }
}

}  // namespace

void SavePDFOverOriginal(const PDFDocumentHandle& document, const std::string& path) {
    PDFGlueError err{};
    int incremental = 0;
    if (pdfglue_can_save_incrementally(document.Context(), document.Document(), &incremental,
                                       &err) != 0) {
        throw PagelError::InFile(err.code, err.text, path);
    }
    const int original = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (original < 0) {
        Fail("cannot open the file", path);
    }
    struct stat info {};
    const bool statted = fstat(original, &info) == 0;
    TemporaryFile copy(path);
    if (incremental) {
        try {
            CopyBytes(original, copy.Fd(), path);
        } catch (...) {
            close(original);
            throw;
        }
    }
    close(original);
    if (statted) {
        fchmod(copy.Fd(), info.st_mode & 07777);
    }
    if (pdfglue_save(document.Context(), document.Document(), copy.Path().c_str(), incremental,
                     &err) != 0) {
        throw PagelError::InFile(err.code, err.text, path);
    }
    if (fsync(copy.Fd()) != 0) {
        Fail("cannot flush the new file", path);
    }
    if (rename(copy.Path().c_str(), path.c_str()) != 0) {
        Fail("cannot replace the file", path);
    }
    copy.Keep();
}

}  // namespace ThumbMetaLib
