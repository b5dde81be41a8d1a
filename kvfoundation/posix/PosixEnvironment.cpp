#include "kvfoundation/posix/PosixEnvironment.h"

#include <fcntl.h>
#include <pwd.h>
#include <stdio_ext.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/base/Singletons.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/posix/PosixText.h"
#include "kvfoundation/system/SysErrors.h"
#include "kvfoundation/util/Format.h"

extern char** environ;

namespace kvfoundation::posix {

namespace {

// Sizes past which a path, the argument block or a password entry is not worth reading.
constexpr std::size_t kMaxPathBytes = 1 << 20;
constexpr std::size_t kMaxArgumentBytes = 64 << 20;
constexpr std::size_t kMaxPasswdBuffer = 1 << 20;

void RequireArgument(const void* argument, const char* name) {
    if (argument == nullptr) {
        throw base::KVNullPtr(name);
    }
}

// The open(2) flags of an fopen mode; -1 for a mode fopen would not take.
int OpenFlags(const char* mode) {
    int flags;
    switch (mode[0]) {
        case 'r':
            flags = O_RDONLY;
            break;
        case 'w':
            flags = O_WRONLY | O_CREAT | O_TRUNC;
            break;
        case 'a':
            flags = O_WRONLY | O_CREAT | O_APPEND;
            break;
        default:
            return -1;
    }
    for (const char* p = mode + 1; *p != '\0'; ++p) {
        switch (*p) {
            case '+':
                flags = (flags & ~(O_RDONLY | O_WRONLY)) | O_RDWR;
                break;
            case 'b':
            case 't':
                break;
            case 'x':
                flags |= O_EXCL;
                break;
            default:
                return -1;
        }
    }
    return flags | O_CLOEXEC;  // only the descriptor of the standard stream stays open
}

// Opens the file and moves its descriptor under the stream; returns 0 or an errno value.
// The stream is untouched unless the file opened.
int ReopenStream(std::FILE* stream, const char* path, const char* mode) {
    const int flags = OpenFlags(mode);
    if (flags < 0) {
        return EINVAL;
    }
    const int fd = open(path, flags, 0666);
    if (fd < 0) {
        return errno;
    }
    std::fflush(stream);
    __fpurge(stream);  // unread input or unwritten output belonged to the old file
    int error = 0;
    const int target = fileno(stream);
    if (target < 0) {
        error = std::freopen(path, mode, stream) == nullptr ? errno : 0;
    } else if (dup2(fd, target) < 0) {
        error = errno;
    }
    close(fd);
    std::clearerr(stream);
    return error;
}

std::string ReadWholeFile(const char* path) {
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        system::ThrowSysError("open", errno);
    }
    std::string content;
    char chunk[4096];
    for (;;) {
        const ssize_t got = read(fd, chunk, sizeof chunk);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            const int error = errno;
            close(fd);
            system::ThrowSysError("read", error);
        }
        if (got == 0 || content.size() + static_cast<std::size_t>(got) > kMaxArgumentBytes) {
            break;
        }
        content.append(chunk, static_cast<std::size_t>(got));
    }
    close(fd);
    return content;
}

// Calls `fill(buffer, size)` with growing buffers while it reports ERANGE.
template <typename Fill>
std::vector<char> GrowingBuffer(std::size_t start, std::size_t limit, const char* call, Fill fill) {
    std::vector<char> buffer(start);
    for (;;) {
        const int error = fill(buffer.data(), buffer.size());
        if (error == 0) {
            return buffer;
        }
        if (error != ERANGE || buffer.size() >= limit) {
            system::ThrowSysError(call, error);
        }
        buffer.resize(buffer.size() * 2);
    }
}

struct PasswdEntry {
    std::vector<char> storage;
    passwd entry{};
    bool found = false;
};

PasswdEntry EffectiveUserEntry() {
    PasswdEntry result;
    const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
    result.storage = GrowingBuffer(
        suggested > 0 ? static_cast<std::size_t>(suggested) : 1024, kMaxPasswdBuffer, "getpwuid_r",
        [&](char* buffer, std::size_t size) {
            passwd* found = nullptr;
            const int error = getpwuid_r(geteuid(), &result.entry, buffer, size, &found);
            result.found = error == 0 && found != nullptr;
            return error;
        });
    return result;
}

const char* NonEmptyVariable(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

}  // namespace

PosixEnvironment* PosixEnvironment::Instance() {
    static std::atomic<PosixEnvironment*> slot;
    return base::Singletons::GetOrCreate(slot, [] { return new PosixEnvironment(); });
}

std::int32_t PosixEnvironment::ProcessId() const {
    return static_cast<std::int32_t>(getpid());
}

void PosixEnvironment::Redirect(std::FILE* stream, const char* streamName, data::IKVString* path,
                                data::IKVString* mode) {
    RequireArgument(path, "path");
    RequireArgument(mode, "mode");
    const SystemText pathText(path);
    const SystemText modeText(mode);
    int error = EINVAL;
    if (pathText.Valid() && modeText.Valid()) {
        error = ReopenStream(stream, pathText.CStr(), modeText.CStr());
    }
    if (error != 0) {
        system::ThrowSysError(
            error, util::Format("freopen('%@', '%@', %s) failed <%d: %@>", path, mode, streamName,
                                error, system::ErrorText(error)));
    }
}

void PosixEnvironment::RedirectStdIn(data::IKVString* path, data::IKVString* mode) {
    Redirect(stdin, "stdin", path, mode);
}

void PosixEnvironment::RedirectStdOut(data::IKVString* path, data::IKVString* mode) {
    Redirect(stdout, "stdout", path, mode);
}

void PosixEnvironment::RedirectStdErr(data::IKVString* path, data::IKVString* mode) {
    Redirect(stderr, "stderr", path, mode);
}

data::IKVList* PosixEnvironment::Arguments() const {
    // The argument block: every argument followed by a zero byte.
    const std::string block = ReadWholeFile("/proc/self/cmdline");
    data::IKVMutableList* arguments = data::CreateMutableList(0);
    std::size_t start = 0;
    while (start < block.size()) {
        std::size_t end = block.find('\0', start);
        if (end == std::string::npos) {
            end = block.size();
        }
        arguments->AddObject(StringFromSystemText(block.data() + start, end - start));
        start = end + 1;
    }
    return arguments;
}

data::IKVString* PosixEnvironment::ExecutablePath() const {
    std::size_t length = 0;
    GrowingBuffer(256, kMaxPathBytes, "readlink", [&](char* buffer, std::size_t size) {
        const ssize_t got = readlink("/proc/self/exe", buffer, size);
        if (got < 0) {
            return errno;
        }
        length = static_cast<std::size_t>(got);
        return length < size ? 0 : ERANGE;  // a full buffer may hold a cut path
    });
    std::vector<char> buffer(length + 1);
    const ssize_t got = readlink("/proc/self/exe", buffer.data(), buffer.size());
    if (got < 0) {
        system::ThrowSysError("readlink", errno);
    }
    return StringFromSystemText(buffer.data(), static_cast<std::size_t>(got));
}

data::IKVString* PosixEnvironment::EnvironmentVariable(data::IKVString* name) const {
    RequireArgument(name, "name");
    const SystemText nameText(name);
    if (!nameText.Valid()) {
        return nullptr;  // no variable can have such a name
    }
    const char* value = std::getenv(nameText.CStr());
    return value != nullptr ? StringFromSystemText(value) : nullptr;
}

void PosixEnvironment::SetEnvironmentVariable(data::IKVString* name, data::IKVString* value) {
    RequireArgument(name, "name");
    const SystemText nameText(name);
    if (value == nullptr) {
        if (!nameText.Valid() || unsetenv(nameText.CStr()) != 0) {
            const int error = nameText.Valid() ? errno : EINVAL;
            system::ThrowSysError(error, util::Format("unsetenv('%@') failed <%d: %@>", name, error,
                                                      system::ErrorText(error)));
        }
        return;
    }
    const SystemText valueText(value);
    if (!nameText.Valid() || !valueText.Valid() ||
        setenv(nameText.CStr(), valueText.CStr(), 1) != 0) {
        const int error = nameText.Valid() && valueText.Valid() ? errno : EINVAL;
        system::ThrowSysError(error, util::Format("setenv('%@', '%@') failed <%d: %@>", name, value,
                                                  error, system::ErrorText(error)));
    }
}

data::IKVMap* PosixEnvironment::EnvironmentVariables() const {
    data::IKVMutableMap* variables = data::CreateMutableMap(0);
    for (char** entry = environ; entry != nullptr && *entry != nullptr; ++entry) {
        const char* equals = std::strchr(*entry, '=');
        if (equals == nullptr) {
            continue;
        }
        // getenv answers with the first of duplicate names; so does the map.
        variables->AddIfAbsent(
            StringFromSystemText(*entry, static_cast<std::size_t>(equals - *entry)),
            StringFromSystemText(equals + 1));
    }
    return variables;
}

data::IKVString* PosixEnvironment::CurrentDirectory() const {
    const std::vector<char> buffer = GrowingBuffer(
        256, kMaxPathBytes, "getcwd",
        [](char* buffer, std::size_t size) { return getcwd(buffer, size) != nullptr ? 0 : errno; });
    return StringFromSystemText(buffer.data());
}

void PosixEnvironment::SetCurrentDirectory(data::IKVString* path) {
    RequireArgument(path, "path");
    const SystemText pathText(path);
    if (!pathText.Valid() || chdir(pathText.CStr()) != 0) {
        const int error = pathText.Valid() ? errno : EINVAL;
        system::ThrowSysError(error, util::Format("chdir('%@') failed <%d: %@>", path, error,
                                                  system::ErrorText(error)));
    }
}

data::IKVString* PosixEnvironment::TemporaryDirectory() const {
    const char* directory = NonEmptyVariable("TMPDIR");
    return directory != nullptr ? StringFromSystemText(directory) : data::Literal("/tmp");
}

data::IKVString* PosixEnvironment::NullDevice() const {
    return data::Literal("/dev/null");
}

data::IKVString* PosixEnvironment::UserName() const {
    const PasswdEntry user = EffectiveUserEntry();
    if (user.found && user.entry.pw_name != nullptr && *user.entry.pw_name != '\0') {
        return StringFromSystemText(user.entry.pw_name);
    }
    return util::Format("%u", static_cast<unsigned>(geteuid()));
}

data::IKVString* PosixEnvironment::HomeDirectory() const {
    if (const char* home = NonEmptyVariable("HOME")) {
        return StringFromSystemText(home);
    }
    const PasswdEntry user = EffectiveUserEntry();
    if (user.found && user.entry.pw_dir != nullptr && *user.entry.pw_dir != '\0') {
        return StringFromSystemText(user.entry.pw_dir);
    }
    return nullptr;
}

}  // namespace kvfoundation::posix
