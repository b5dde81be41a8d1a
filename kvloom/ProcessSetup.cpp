#include "kvloom/ProcessSetup.h"

#include <signal.h>
#include <unistd.h>

#include <exception>

#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/posix/PosixSysLog.h"
#include "kvfoundation/system/Environment.h"
#include "kvfoundation/system/IKVEnvironment.h"
#include "kvfoundation/util/Format.h"
#include "kvfoundation/util/ProcessLog.h"

namespace kvloom {

namespace data = kvfoundation::data;
namespace util = kvfoundation::util;

namespace {

constexpr const char* kLogDirVariable = "QUARN_NCOMM_logdir";
constexpr const char* kLogComponent = "VantoryQX3";

void OnTerminate() {
    // std::terminate also stands for what older C++ called unexpected exceptions (dynamic
    // exception specifications are gone), so one handler covers both.
    util::LogFormat(0, "Terminating due to an uncaught exception!");
    std::abort();
}

void OnFatalSignal(int) {
    ::_exit(kExitCrashed);
}

}  // namespace

void InstallTerminationHandlers() {
    std::set_terminate(OnTerminate);
    struct sigaction action {};
    action.sa_handler = OnFatalSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE}) {
        ::sigaction(signal, &action, nullptr);
    }
    // A client that goes away mid-reply must not end the process.
    ::signal(SIGPIPE, SIG_IGN);
}

void MakeExecutableDirectoryCurrent() {
    kvfoundation::system::IKVEnvironment* environment = kvfoundation::system::GetEnvironment();
    data::IKVString* executable = environment->ExecutablePath();
    const char16_t* units = executable->Characters();
    int32_t slash = executable->Length() - 1;
    while (slash > 0 && units[slash] != u'/') {
        --slash;
    }
    environment->SetCurrentDirectory(slash <= 0 ? data::Literal("/")
                                                : data::CreateString(units, slash));
}

void SetUpLog(data::IKVList* arguments) {
    if (kvfoundation::system::HasOption(arguments, "-debug")) {
        util::GetProcessLog()->SetLevel(4);
        return;
    }
    kvfoundation::system::IKVEnvironment* environment = kvfoundation::system::GetEnvironment();
    data::IKVString* nullDevice = environment->NullDevice();
    environment->RedirectStdIn(nullDevice, data::Literal("r"));
    environment->RedirectStdOut(nullDevice, data::Literal("a"));
    environment->RedirectStdErr(nullDevice, data::Literal("a"));
    if (data::IKVString* directory =
            environment->EnvironmentVariable(data::Literal(kLogDirVariable))) {
        environment->RedirectStdErr(
            util::Format("%@/VantoryQX3-%d.log", directory, environment->ProcessId()),
            data::Literal("a"));
        return;
    }
    kvfoundation::base::KVRefCountT<util::IKVLog> systemLog =
        kvfoundation::base::KVRefCountT<util::IKVLog>::Adopt(
            kvfoundation::posix::PosixSysLog::Create(data::Literal(kLogComponent), 1));
    util::SetProcessLog(systemLog.get());
}

}  // namespace kvloom
