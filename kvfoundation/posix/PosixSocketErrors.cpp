#include "kvfoundation/posix/PosixSocketErrors.h"

#include "kvfoundation/system/SysErrors.h"
#include "kvfoundation/util/Format.h"

namespace kvfoundation::posix {

void ThrowPathError(const char* call, const char* path, int code) {
    system::ThrowSysError(
        code, util::Format("%s('%s') failed <%d: %@>", call, path, code, system::ErrorText(code)));
}

}  // namespace kvfoundation::posix
