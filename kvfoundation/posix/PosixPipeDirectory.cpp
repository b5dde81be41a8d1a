#include "kvfoundation/posix/PosixPipeDirectory.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "kvfoundation/posix/PosixSocketErrors.h"
#include "kvfoundation/system/KVAccessDenied.h"
#include "kvfoundation/system/SysErrors.h"
#include "kvfoundation/util/Format.h"

namespace kvfoundation::posix {
namespace {

// Why a directory may not hold the endpoint, or null when it may.
const char* UnsafeReason(const struct stat& info) {
    if (S_ISLNK(info.st_mode)) {
        return "a symbolic link";
    }
    if (!S_ISDIR(info.st_mode)) {
        return "not a directory";
    }
    if (info.st_uid != ::geteuid()) {
        return "owned by another user";
    }
    if ((info.st_mode & 07777) != 0700) {
        return "not of mode 0700";
    }
    return nullptr;
}

[[noreturn]] void RaiseUnsafe(const std::string& path, const char* reason) {
    throw system::KVAccessDenied(
        system::PosixErrorDomain(), EACCES,
        util::Format("Unsafe socket directory '%s': %s", path.c_str(), reason));
}

// The directory named by an environment variable, or "" when it is unset or unfit.
std::string CheckedVariable(const char* name, bool mustBeFit) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') {
        return {};
    }
    struct stat info {};
    if (::lstat(value, &info) != 0) {
        if (mustBeFit) {
            ThrowPathError("lstat", value, errno);
        }
        return {};
    }
    if (const char* reason = UnsafeReason(info)) {
        if (mustBeFit) {
            RaiseUnsafe(value, reason);
        }
        return {};
    }
    return value;
}

std::string FallbackDirectory() {
    const std::string path =
        "/tmp/" + std::string(PosixPipeDirectory::kServiceId) + "-" + std::to_string(::geteuid());
    if (::mkdir(path.c_str(), 0700) == 0) {
        ::chmod(path.c_str(), 0700);  // the umask may have taken bits away
    } else if (errno != EEXIST) {
        ThrowPathError("mkdir", path.c_str(), errno);
    }
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) {
        ThrowPathError("lstat", path.c_str(), errno);
    }
    if (const char* reason = UnsafeReason(info)) {
        RaiseUnsafe(path, reason);
    }
    return path;
}

}  // namespace

std::string PosixPipeDirectory::Resolve() {
    if (std::string path = CheckedVariable(kOverrideVariable, true); !path.empty()) {
        return path;
    }
    if (std::string path = CheckedVariable("XDG_RUNTIME_DIR", false); !path.empty()) {
        return path;
    }
    return FallbackDirectory();
}

std::string PosixPipeDirectory::PublicEndpointName() {
    return std::string(kServiceId) + "-" + UserName();
}

std::string PosixPipeDirectory::UserName() {
    const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 4096);
    passwd entry{};
    passwd* found = nullptr;
    while (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == ERANGE &&
           buffer.size() < (1u << 20)) {
        buffer.resize(buffer.size() * 2);
    }
    if (found == nullptr || found->pw_name == nullptr || *found->pw_name == '\0') {
        return std::to_string(::geteuid());
    }
    return found->pw_name;
}

}  // namespace kvfoundation::posix
