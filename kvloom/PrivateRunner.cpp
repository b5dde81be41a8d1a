#include "kvloom/PrivateRunner.h"

#include <cstdlib>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/KVException.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/net/TcpChannel.h"
#include "kvfoundation/system/Environment.h"
#include "kvfoundation/thread/InvocationRunnable.h"
#include "kvfoundation/thread/Threads.h"
#include "kvfoundation/util/Format.h"
#include "kvfoundation/util/IKVLog.h"

namespace kvloom {

using kvfoundation::base::KVRefCountT;
namespace data = kvfoundation::data;
namespace thread = kvfoundation::thread;

namespace {

// A decimal integer as the C library reads it: leading digits, anything else gives 0.
long Decimal(data::IKVString* text) {
    return std::strtol(text->CString(), nullptr, 10);
}

}  // namespace

LoomIO::PrivateRunner* LoomIO::PrivateRunner::Create(LoomIO* loom, data::IKVList* arguments) {
    return new PrivateRunner(loom, arguments);
}

LoomIO::PrivateRunner::PrivateRunner(LoomIO* loom, data::IKVList* arguments) : loom_(loom) {
    data::IKVString* port = kvfoundation::system::OptionValue(arguments, "-port");
    if (port == nullptr) {
        throw kvfoundation::base::KVException("missing argument: -port");
    }
    data::IKVString* threadCount = kvfoundation::system::OptionValue(arguments, "-threadCt");
    if (threadCount == nullptr) {
        threadCount = data::Literal("1");
    }
    const long count = Decimal(threadCount);
    if (count < 1 || count > 0x7fffffff) {
        throw kvfoundation::base::KVException(
            kvfoundation::util::Format("Invalid -threadCt parameter: '%@'", threadCount));
    }
    const long portNumber = Decimal(port);
    // Grown connection by connection: the count comes from the command line and reserves
    // nothing up front.
    data::IKVMutableList* channels = data::CreateMutableList(0);
    for (long i = 0; i < count; ++i) {
        kvfoundation::net::TcpChannel* channel = kvfoundation::net::TcpChannel::Create();
        channel->Connect("localhost", static_cast<int32_t>(portNumber));
        channels->AddObject(channel);
    }
    channels_ = channels;
}

void LoomIO::PrivateRunner::Run() {
    KVRefCountT<kvfoundation::ncomm::NCHost> host = loom_->Host();
    KVRefCountT<data::IKVList> channels = channels_;
    thread::StartThread(thread::InvocationRunnable::Create([host, channels] {
                            kvfoundation::base::AutoReleasePool pool;
                            try {
                                host->Run(channels.get());
                            } catch (const kvfoundation::base::IKVException& error) {
                                error.Log(kvfoundation::util::LogLevel::kError);
                            }
                            thread::QuitGUILoop();
                        }),
                        "LoomIO private runner");
    thread::RunGUILoop();
}

}  // namespace kvloom
