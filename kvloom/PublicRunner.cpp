#include "kvloom/PublicRunner.h"

#include <cstdlib>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/KVException.h"
#include "kvfoundation/posix/PosixPipeDirectory.h"
#include "kvfoundation/posix/PosixPipeServer.h"
#include "kvfoundation/thread/InvocationRunnable.h"
#include "kvfoundation/thread/Threads.h"
#include "kvfoundation/util/Format.h"
#include "kvfoundation/util/IKVLog.h"

namespace kvloom {

using kvfoundation::base::KVRefCountT;
namespace thread = kvfoundation::thread;

namespace {

double IdleInterval() {
    const char* text = std::getenv(LoomIO::PublicRunner::kIdleIntervalVariable);
    if (text != nullptr) {
        char* end = nullptr;
        double seconds = std::strtod(text, &end);
        if (*end == '\0' && seconds > 0) {
            return seconds;
        }
    }
    return LoomIO::PublicRunner::kIdleInterval;
}

}  // namespace

LoomIO::PublicRunner* LoomIO::PublicRunner::Create(LoomIO* loom) {
    return new PublicRunner(loom);
}

LoomIO::PublicRunner::PublicRunner(LoomIO* loom) : loom_(loom) {
    try {
        const std::string name = kvfoundation::posix::PosixPipeDirectory::PublicEndpointName();
        server_ = kvfoundation::posix::PosixPipeServer::Create(name.c_str(), 0, 0, 0,
                                                               /*firstInstance=*/true);
    } catch (const kvfoundation::base::IKVException& error) {
        throw kvfoundation::base::KVException(
            kvfoundation::util::Format("Failed to create communication pipe: %@", error.Message()));
    }
    // The timer's invocation borrows the runner: the runner disarms it before it goes.
    idleTimer_ = thread::ScheduleTimer(IdleInterval(), /*repeats=*/true,
                                       thread::InvocationRunnable::Create([this] { IdleCheck(); }));
}

LoomIO::PublicRunner::~PublicRunner() {
    idleTimer_->Invalidate();
    server_->Close();
}

void LoomIO::PublicRunner::IdleCheck() {
    if (loom_->Host()->WorkerCount() == 0) {
        server_->Close();
        thread::QuitGUILoop();
    }
}

void LoomIO::PublicRunner::Run() {
    KVRefCountT<kvfoundation::ncomm::NCHost> host = loom_->Host();
    KVRefCountT<kvfoundation::io::IKVPipeServer> server = server_;
    thread::StartThread(thread::InvocationRunnable::Create([host, server] {
                            while (server->IsOpen()) {
                                kvfoundation::base::AutoReleasePool pool;
                                try {
                                    kvfoundation::io::IKVChannel* channel = server->Accept();
                                    if (server->IsOpen()) {
                                        host->StartWorker(channel);
                                    }
                                } catch (const kvfoundation::base::IKVException& error) {
                                    if (server->IsOpen()) {
                                        error.Log(kvfoundation::util::LogLevel::kError);
                                    }
                                }
                            }
                        }),
                        "LoomIO accept loop");
    thread::RunGUILoop();
}

}  // namespace kvloom
