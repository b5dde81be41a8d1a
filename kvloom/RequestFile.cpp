#include "kvloom/RequestFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "kvfoundation/system/SysErrors.h"
#include "kvfoundation/util/Format.h"

namespace kvloom {

namespace {

[[noreturn]] void Fail(const char* call, kvfoundation::data::IKVString* path, int code) {
    kvfoundation::system::ThrowSysError(
        code, kvfoundation::util::Format("%s('%@') failed <%d: %@>", call, path, code,
                                         kvfoundation::system::ErrorText(code)));
}

}  // namespace

void CheckRequestFile(kvfoundation::data::IKVString* path, bool forUpdate) {
    const char* name = path->CString();
    struct stat info {};
    if (::stat(name, &info) != 0) {
        Fail("stat", path, errno);
    }
    if (!S_ISREG(info.st_mode)) {
        Fail("stat", path, S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    }
    if (::access(name, forUpdate ? R_OK | W_OK : R_OK) != 0) {
        Fail("access", path, errno);
    }
}

}  // namespace kvloom
