#pragma once

#include <cstdio>

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/system/IKVEnvironment.h"

namespace kvfoundation::posix {

// The process environment on Linux: /proc/self for the arguments and the executable,
// the C library's environment, the password database for the user.
class PosixEnvironment final : public base::KVObjectT<system::IKVEnvironment> {
public:
    static PosixEnvironment* Instance();

    std::int32_t ProcessId() const override;
    void RedirectStdIn(data::IKVString* path, data::IKVString* mode) override;
    void RedirectStdOut(data::IKVString* path, data::IKVString* mode) override;
    void RedirectStdErr(data::IKVString* path, data::IKVString* mode) override;
    data::IKVList* Arguments() const override;
    data::IKVString* ExecutablePath() const override;
    data::IKVString* EnvironmentVariable(data::IKVString* name) const override;
    void SetEnvironmentVariable(data::IKVString* name, data::IKVString* value) override;
    data::IKVMap* EnvironmentVariables() const override;
    data::IKVString* CurrentDirectory() const override;
    void SetCurrentDirectory(data::IKVString* path) override;
    data::IKVString* TemporaryDirectory() const override;
    data::IKVString* NullDevice() const override;
    data::IKVString* UserName() const override;
    data::IKVString* HomeDirectory() const override;

private:
    PosixEnvironment() = default;
    ~PosixEnvironment() override = default;

    static void Redirect(std::FILE* stream, const char* streamName, data::IKVString* path,
                         data::IKVString* mode);
};

}  // namespace kvfoundation::posix
