#pragma once

#include <cstdint>

#include "kvfoundation/base/IKVType.h"

namespace kvfoundation::data {
class IKVList;
class IKVMap;
class IKVString;
}  // namespace kvfoundation::data

namespace kvfoundation::system {

// The process environment. Strings returned are autoreleased; text crosses to the system as
// UTF-8. Failed system calls raise the system-error family with the call's own message, e.g.
// "chdir('%@') failed <%d: %@>"; a null required argument raises KVNullPtr.
class IKVEnvironment : public base::IKVType {
public:
    virtual std::int32_t ProcessId() const = 0;

    // Reopen a standard stream on the file `path` with an fopen `mode` ("r", "w", "a", with
    // optional "+", "b", "x"). On failure the stream stays as it was:
    // "freopen('%@', '%@', stdin) failed <%d: %@>" (stdout, stderr alike).
    virtual void RedirectStdIn(data::IKVString* path, data::IKVString* mode) = 0;
    virtual void RedirectStdOut(data::IKVString* path, data::IKVString* mode) = 0;
    virtual void RedirectStdErr(data::IKVString* path, data::IKVString* mode) = 0;

    // The process's arguments, the program name first.
    virtual data::IKVList* Arguments() const = 0;
    virtual data::IKVString* ExecutablePath() const = 0;

    // Null when the variable is not set.
    virtual data::IKVString* EnvironmentVariable(data::IKVString* name) const = 0;
    // A null value removes the variable.
    virtual void SetEnvironmentVariable(data::IKVString* name, data::IKVString* value) = 0;
    // Every variable, name to value.
    virtual data::IKVMap* EnvironmentVariables() const = 0;

    virtual data::IKVString* CurrentDirectory() const = 0;
    virtual void SetCurrentDirectory(data::IKVString* path) = 0;
    // $TMPDIR when set, else "/tmp".
    virtual data::IKVString* TemporaryDirectory() const = 0;
    // "/dev/null".
    virtual data::IKVString* NullDevice() const = 0;
    // The login name of the effective user; the numeric id when it has no entry.
    virtual data::IKVString* UserName() const = 0;
    // $HOME when set, else the user's entry; null when neither is known.
    virtual data::IKVString* HomeDirectory() const = 0;
};

}  // namespace kvfoundation::system
