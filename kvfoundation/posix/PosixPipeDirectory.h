#pragma once

#include <string>

namespace kvfoundation::posix {

// Where the public instance's local socket and its lock file live: a directory private to
// the user running the process.
//
// - $VANTORY_SOCKET_DIR when set (meant for tests, so they need not touch the real
//   endpoint); it must exist, be a directory (not a symbolic link) owned by the user, with
//   mode 0700.
// - else $XDG_RUNTIME_DIR when it is set and passes the same checks;
// - else /tmp/VantoryQX4-<uid>, created with mode 0700 and refused when it exists with
//   another owner, other permissions, or as a symbolic link.
class PosixPipeDirectory {
public:
    static constexpr const char* kServiceId = "VantoryQX4";
    static constexpr const char* kOverrideVariable = "VANTORY_SOCKET_DIR";

    // The directory, checked (and created when it is the /tmp fallback). Failures raise
    // system errors named after the call (mkdir, lstat) or KVAccessDenied for an unsafe one.
    static std::string Resolve();

    // "VantoryQX4-<login name>", the socket's file name of the public instance.
    static std::string PublicEndpointName();

    // The login name of the effective user (getpwuid_r), or its uid in decimal when the
    // user database has no entry.
    static std::string UserName();
};

}  // namespace kvfoundation::posix
