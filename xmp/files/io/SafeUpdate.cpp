#include "io/SafeUpdate.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "XMPError.h"

namespace xmp {
namespace {

std::mutex gHookMutex;
std::function<void(SafeUpdateStep)> gHook;

void Step(SafeUpdateStep step) {
    std::function<void(SafeUpdateStep)> hook;
    {
        std::lock_guard<std::mutex> lock(gHookMutex);
        hook = gHook;
    }
    if (hook) {
        hook(step);
    }
}

[[noreturn]] void ThrowErrno(const char* call, const std::string& path) {
    int err = errno;
    int id =
        (err == EACCES || err == EPERM || err == EROFS) ? kXMPErr_FilePermission : kXMPErr_FileIO;
    throw XMPError(id, std::string(call) + "() failed for '" + path + "': " + std::strerror(err));
}

std::string DirectoryOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        return ".";
    }
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The temporary file; removed unless Commit() ran.
class TempFile {
public:
    explicit TempFile(const std::string& target) {
        std::string dir = DirectoryOf(target);
        std::string base =
            target.substr(target.rfind('/') == std::string::npos ? 0 : target.rfind('/') + 1);
        path_ = dir + "/." + base + ".xmpupdate-XXXXXX";
        fd_ = ::mkstemp(path_.data());  // O_CREAT | O_EXCL, mode 0600
        if (fd_ < 0) {
            ThrowErrno("mkstemp", path_);
        }
    }
    ~TempFile() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
        if (!committed_) {
            ::unlink(path_.c_str());
        }
    }
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    int fd() const { return fd_; }
    const std::string& path() const { return path_; }
    void CloseChecked() {
        int fd = fd_;
        fd_ = -1;
        if (::close(fd) != 0) {
            ThrowErrno("close", path_);
        }
    }
    void Committed() { committed_ = true; }

private:
    std::string path_;
    int fd_ = -1;
    bool committed_ = false;
};

void WriteAll(int fd, const char* data, std::size_t n, const std::string& path) {
    while (n > 0) {
        ssize_t w = ::write(fd, data, n);
        if (w < 0 && errno == EINTR) {
            continue;
        }
        if (w <= 0) {
            ThrowErrno("write", path);
        }
        data += w;
        n -= static_cast<std::size_t>(w);
    }
}

// A symbolic link stays a link: the file it names is the one replaced, in its own directory.
std::string ReplacedFile(const std::string& path) {
    struct stat link {};
    if (::lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode)) {
        return path;
    }
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) {
        ThrowErrno("realpath", path);
    }
    std::string target(resolved);
    std::free(resolved);
    return target;
}

}  // namespace

void SetSafeUpdateFaultHook(std::function<void(SafeUpdateStep)> hook) {
    std::lock_guard<std::mutex> lock(gHookMutex);
    gHook = std::move(hook);
}

void SafeUpdateFile(const std::string& linkOrFile, const ByteSource& original,
                    const OutputPlan& plan) {
    const std::string path = ReplacedFile(linkOrFile);
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        ThrowErrno("stat", path);
    }
    TempFile temp(path);
    Step(SafeUpdateStep::kCreated);

    plan.Write(original,
               [&](const char* data, std::size_t n) { WriteAll(temp.fd(), data, n, temp.path()); });
    Step(SafeUpdateStep::kWritten);

    // Keep the owner when we may (a file of another user stays theirs or is not replaced) and
    // the permission bits always.
    if (::fchown(temp.fd(), st.st_uid, st.st_gid) != 0 && st.st_uid != ::geteuid()) {
        ThrowErrno("fchown", temp.path());
    }
    if (::fchmod(temp.fd(), st.st_mode & 07777) != 0) {
        ThrowErrno("fchmod", temp.path());
    }
    if (::fsync(temp.fd()) != 0) {
        ThrowErrno("fsync", temp.path());
    }
    temp.CloseChecked();
    Step(SafeUpdateStep::kSynced);

    Step(SafeUpdateStep::kBeforeRename);
    if (::rename(temp.path().c_str(), path.c_str()) != 0) {
        ThrowErrno("rename", path);
    }
    temp.Committed();

    // The rename is durable once the directory is synced; the new file is already in place, so
    // a failure here is not reported as a failed update.
    int dirFd = ::open(DirectoryOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

}  // namespace xmp
