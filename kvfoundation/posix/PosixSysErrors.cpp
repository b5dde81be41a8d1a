// errno values as exceptions of the system-error family (domain "Posix").
#include <cerrno>
#include <cstring>

#include "kvfoundation/base/Singletons.h"
#include "kvfoundation/impl/KVLiteral.h"
#include "kvfoundation/io/KVDiskFull.h"
#include "kvfoundation/io/KVFileExists.h"
#include "kvfoundation/io/KVFileNotFound.h"
#include "kvfoundation/io/KVTimeOut.h"
#include "kvfoundation/system/KVAccessDenied.h"
#include "kvfoundation/system/SysErrors.h"
#include "kvfoundation/util/Format.h"

namespace kvfoundation::system {

namespace {

// glibc offers the GNU strerror_r (returns the text) or the XSI one (fills the buffer).
[[maybe_unused]] const char* PickText(int result, const char* buffer) {
    return result == 0 ? buffer : nullptr;
}
[[maybe_unused]] const char* PickText(const char* result, const char*) {
    return result;
}

}  // namespace

data::IKVString* PosixErrorDomain() {
    static std::atomic<data::IKVString*> slot;
    return base::Singletons::GetOrCreate(
        slot, [] { return static_cast<data::IKVString*>(impl::KVLiteral::Intern("Posix")); });
}

data::IKVString* ErrorText(int32_t code) {
    char buffer[256] = {};
    const char* text = PickText(strerror_r(code, buffer, sizeof buffer), buffer);
    if (text == nullptr || *text == '\0') {
        text = "N/A";
    }
    return util::Format("%s", text);
}

void ThrowSysError(const char* function, int32_t code) {
    ThrowSysError(code, util::Format("%s() failed <%d: %@>", function, code, ErrorText(code)));
}

void ThrowSysError(int32_t code, data::IKVString* message) {
    data::IKVString* domain = PosixErrorDomain();
    switch (code) {
        case ENOENT:
        case ENOTDIR:
            throw io::KVFileNotFound(domain, code, message);
        case EACCES:
            throw KVAccessDenied(domain, code, message);
        case EEXIST:
            throw io::KVFileExists(domain, code, message);
        case ENOSPC:
            throw io::KVDiskFull(domain, code, message);
        case ETIMEDOUT:
            throw io::KVTimeOut(message);
        default:
            throw KVSysError(domain, code, message);
    }
}

}  // namespace kvfoundation::system
