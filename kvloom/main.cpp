// vantoryd: the Vantory QX4 service process.
#include <unistd.h>

#include <exception>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/IKVException.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/system/Environment.h"
#include "kvfoundation/system/IKVEnvironment.h"
#include "kvfoundation/util/ProcessLog.h"
#include "kvloom/LoomIO.h"
#include "kvloom/ProcessSetup.h"

int main() {
    using namespace kvloom;
    InstallTerminationHandlers();
    try {
        kvfoundation::base::AutoReleasePool pool;
        MakeExecutableDirectoryCurrent();
        kvfoundation::data::IKVList* arguments =
            kvfoundation::system::GetEnvironment()->Arguments();
        SetUpLog(arguments);
        auto loom = kvfoundation::base::KVRefCountT<LoomIO>::Adopt(LoomIO::Create(arguments));
        loom->Run();
        loom.Reset();
    } catch (const kvfoundation::base::IKVException& error) {
        error.Log(0);
        ::_exit(kExitStartFailed);
    } catch (const std::exception& error) {
        kvfoundation::util::LogFormat(0, "Exception: %s", error.what());
        ::_exit(kExitStartFailed);
    } catch (...) {
        kvfoundation::util::LogFormat(0, "<Uncaught exception>");
        ::_exit(kExitStartFailed);
    }
    // Ends at once: static destructors and exit handlers do not run.
    ::_exit(kExitNormal);
}
