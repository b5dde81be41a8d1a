#include "tools/client/ServiceConnection.h"

#include <cstring>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/IKVException.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVList.h"
#include "kvfoundation/data/IKVNumber.h"
#include "kvfoundation/data/IKVString.h"
#include "kvfoundation/io/BufferedReader.h"
#include "kvfoundation/io/BufferedWriter.h"
#include "kvfoundation/io/Serializer.h"

namespace vantory::client {

using kvfoundation::base::IKVType;
namespace data = kvfoundation::data;
namespace io = kvfoundation::io;

namespace {

// "KVNC" and protocol 200, big-endian.
constexpr uint8_t kPreamble[8] = {0x4B, 0x56, 0x4E, 0x43, 0x00, 0x00, 0x00, 0xC8};
constexpr int32_t kBufferSize = 32768;
constexpr int64_t kProgressTag = 2;

data::IKVString* Key(const char* name) {
    return data::Literal(name);
}

std::string Describe(IKVType* value) {
    return value == nullptr ? "nothing" : value->Description()->CString();
}

}  // namespace

ServiceConnection::ServiceConnection(io::IKVChannel* channel) : channel_(channel) {
    reader_ = io::BufferedReader::Create(channel, kBufferSize);
    writer_ = io::BufferedWriter::Create(channel, kBufferSize);
    serializer_ = io::Serializer::Create(reader_.get(), writer_.get());

    uint8_t preamble[sizeof kPreamble];
    reader_->ReadFully(preamble, sizeof preamble);
    if (std::memcmp(preamble, kPreamble, sizeof preamble) != 0) {
        throw ProtocolError("not an NComm service: wrong preamble");
    }
    IKVType* greeting = serializer_->Deserialize();
    greeting_ = dynamic_cast<data::IKVMap*>(greeting);
    if (!greeting_) {
        throw ProtocolError("NComm greeting is not a map: " + Describe(greeting));
    }
}

ServiceConnection::~ServiceConnection() {
    try {
        kvfoundation::base::AutoReleasePool pool;
        EndTransmission();
    } catch (const kvfoundation::base::IKVException&) {
        // The service is gone already; there is nobody left to tell.
    }
    channel_->Close();
}

void ServiceConnection::EndTransmission() {
    if (ended_) {
        return;
    }
    ended_ = true;
    serializer_->Serialize(data::Null());
    serializer_->Flush();
}

Reply ServiceConnection::Call(std::string_view function, data::IKVMap* params,
                              const ProgressHandler& onProgress) {
    if (ended_) {
        throw ProtocolError("the connection has ended");
    }
    IKVType* request[2] = {
        data::CreateStringFromUTF8(function.data(), static_cast<int32_t>(function.size())),
        params != nullptr ? static_cast<IKVType*>(params) : data::CreateMutableMap(0)};
    serializer_->Serialize(data::CreateList(2, request));
    serializer_->Flush();

    while (true) {
        IKVType* message = serializer_->Deserialize();
        auto* list = dynamic_cast<data::IKVList*>(message);
        auto* tag = list != nullptr && list->Count() >= 2
                        ? dynamic_cast<data::IKVNumber*>(list->ObjectAt(0))
                        : nullptr;
        auto* body = tag != nullptr ? dynamic_cast<data::IKVMap*>(list->ObjectAt(1)) : nullptr;
        if (body == nullptr || tag->IsFloat() || tag->Int64Value() < 0 ||
            tag->Int64Value() > kProgressTag) {
            throw ProtocolError("unexpected NComm message: " + Describe(message));
        }
        if (tag->Int64Value() != kProgressTag) {
            return Reply{tag->Int64Value() == 0, body};
        }
        if (onProgress) {
            auto* task = dynamic_cast<data::IKVString*>(body->ObjectForKey(Key("taskname")));
            auto* value = dynamic_cast<data::IKVNumber*>(body->ObjectForKey(Key("progress")));
            onProgress(task != nullptr ? task->CString() : "",
                       value != nullptr ? value->DoubleValue() : 0.0);
        }
    }
}

}  // namespace vantory::client
