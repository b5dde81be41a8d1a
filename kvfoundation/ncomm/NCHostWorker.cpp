#include "kvfoundation/ncomm/NCHostWorker.h"

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/KVCast.h"
#include "kvfoundation/base/KVException.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVList.h"
#include "kvfoundation/data/IKVNull.h"
#include "kvfoundation/io/BufferedReader.h"
#include "kvfoundation/io/BufferedWriter.h"
#include "kvfoundation/io/Serializer.h"
#include "kvfoundation/ncomm/NCHostRequest.h"
#include "kvfoundation/system/Environment.h"
#include "kvfoundation/system/IKVEnvironment.h"
#include "kvfoundation/util/Format.h"
#include "kvfoundation/util/IKVLog.h"
#include "kvfoundation/util/ProcessLog.h"

namespace kvfoundation::ncomm {

namespace {

// "KVNC" and the protocol number, big-endian.
constexpr uint8_t kPreamble[8] = {'K', 'V', 'N', 'C', 0, 0, 0, NCHost::kProtocol};
static_assert(NCHost::kProtocol < 256, "the preamble spells the protocol in its last byte");

data::IKVMap* Greeting() {
    system::IKVEnvironment* environment = system::GetEnvironment();
    base::IKVType* keys[] = {data::Literal("version"), data::Literal("protocol"),
                             data::Literal("pid"), data::Literal("cwd")};
    base::IKVType* values[] = {
        data::CreateInt32(NCHost::kProtocol), data::CreateInt32(NCHost::kProtocol),
        data::CreateInt64(environment->ProcessId()), environment->CurrentDirectory()};
    return data::CreateMap(keys, values, 4);
}

}  // namespace

base::KVRefCountT<NCHostWorker> NCHostWorker::Create(NCHost* host, io::IKVChannel* channel) {
    // Owned from here on: should the greeting fail, the worker still goes away properly.
    auto worker = base::KVRefCountT<NCHostWorker>::Adopt(new NCHostWorker(host, channel));
    worker->Greet();
    return worker;
}

NCHostWorker::NCHostWorker(NCHost* host, io::IKVChannel* channel) : host_(host), channel_(channel) {
    io::IKVBufferedReader* reader = io::BufferedReader::Create(channel, NCHost::kBufferSize);
    io::IKVBufferedWriter* writer = io::BufferedWriter::Create(channel, NCHost::kBufferSize);
    writer->Write(kPreamble, sizeof kPreamble);
    serializer_ = io::Serializer::Create(reader, writer);
    host_->WorkerStarted();
}

NCHostWorker::~NCHostWorker() {
    try {
        channel_->Close();
    } catch (const base::IKVException& error) {
        error.Log(util::LogLevel::kError);
    }
    host_->WorkerEnded();
}

void NCHostWorker::Greet() {
    base::AutoReleasePool pool;
    // The preamble is still in the writer's buffer: both reach the client in one flush,
    // before any request is read.
    serializer_->Serialize(Greeting());
    serializer_->Flush();
}

void NCHostWorker::Run() {
    INCHost::IDelegate* delegate = host_->Delegate();
    delegate->ThreadStarted();
    try {
        while (ServeOne()) {
        }
    } catch (const base::IKVException& error) {
        delegate->HandleError(error);
    }
    delegate->ThreadStopped();
}

bool NCHostWorker::ServeOne() {
    base::AutoReleasePool pool;
    base::IKVType* value = serializer_->Deserialize();
    if (auto* list = base::KVDynamicCast<data::IKVList>(value)) {
        auto* name = base::KVCast<data::IKVString>(list->ObjectAt(0));
        auto* params = base::KVCast<data::IKVMap>(list->ObjectAt(1));
        NCHostRequest* request = NCHostRequest::Create(this, name, params);
        if (!request->Name()->Equals(data::Literal(NCHost::kPing))) {
            try {
                host_->Delegate()->HandleRequest(request);
            } catch (const base::IKVException& error) {
                request->SetError(error);
            }
        }
        base::IKVType* reply[2] = {data::CreateInt32(request->Succeeded() ? 0 : 1),
                                   request->Result()};
        serializer_->Serialize(data::CreateList(2, reply));
        serializer_->Flush();
        ++requestsServed_;
        return true;
    }
    if (base::KVDynamicCast<data::IKVNull>(value) != nullptr) {
        util::LogFormat(util::LogLevel::kInfo, "KVNative received 'End of Transmission'.");
        return false;
    }
    throw base::KVException(util::Format("KVNative bad request: %@", value));
}

}  // namespace kvfoundation::ncomm
