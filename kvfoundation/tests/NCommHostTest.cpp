// The NComm host over real local sockets: greeting, replies, error replies, progress
// throttling, end of transmission, requests that end their connection, several channels.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/impl/AbstractLog.h"
#include "kvfoundation/io/BufferedReader.h"
#include "kvfoundation/io/BufferedWriter.h"
#include "kvfoundation/io/KVEndOfFile.h"
#include "kvfoundation/io/Serializer.h"
#include "kvfoundation/ncomm/NCException.h"
#include "kvfoundation/ncomm/NCHost.h"
#include "kvfoundation/posix/PosixNamedPipe.h"
#include "kvfoundation/thread/IKVThread.h"
#include "kvfoundation/util/ProcessLog.h"

namespace {

using namespace kvfoundation;
using base::AutoReleasePool;
using base::IKVType;
using base::KVRefCountT;
using data::IKVMap;
using data::IKVString;
using ncomm::INCHost;
using ncomm::NCHost;

std::string Utf8(const IKVString* s) {
    return s == nullptr ? "(null)" : s->CString();
}

// Collects log lines from every thread.
class RecordingLog final : public impl::AbstractLog {
public:
    RecordingLog() : AbstractLog(4) {}
    void Write(int32_t level, IKVString* message) override {
        std::lock_guard<std::mutex> lock(mutex_);
        lines_.push_back(std::to_string(level) + ":" + Utf8(message));
    }
    std::vector<std::string> Lines() {
        std::lock_guard<std::mutex> lock(mutex_);
        return lines_;
    }
    bool Has(const std::string& fragment) {
        for (const std::string& line : Lines()) {
            if (line.find(fragment) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

private:
    std::mutex mutex_;
    std::vector<std::string> lines_;
};

// Handles "echo" (copies the parameters into the result), "fail" (puts a key, then throws
// a service error), "illegal" (throws a foundation error) and "progress" (reports progress
// twice in quick succession, then checks the bounds).
class TestDelegate final : public base::KVObjectT<INCHost::IDelegate> {
public:
    IKVString* Name() const override { return data::Literal("TestDelegate"); }
    void ThreadStarted() override { ++started; }
    void ThreadStopped() override { ++stopped; }
    void HandleError(const base::IKVException& error) override {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            errors.push_back(Utf8(error.Message()));
        }
        INCHost::IDelegate::HandleError(error);
    }
    void HandleRequest(INCHost::IRequest* request) override {
        std::string name = Utf8(request->Name());
        if (name == "echo") {
            request->Result()->SetObjectForKey(data::Literal("params"), request->Params());
        } else if (name == "fail") {
            request->Result()->SetObjectForKey(data::Literal("partial"), data::CreateInt32(1));
            throw ncomm::NCException("kTest_Failed", "it failed");
        } else if (name == "illegal") {
            throw base::KVIllegalArgument("length < 0");
        } else if (name == "progress") {
            request->SetProgress(data::Literal("step"), 0.25);
            request->SetProgress(data::Literal("step"), 0.5);  // within 0.2 s: not sent
            request->SetProgress(data::Literal("done"), 1.0);
            try {
                request->SetProgress(data::Literal("x"), 1.0000001);
            } catch (const base::KVIllegalArgument& e) {
                request->Result()->SetObjectForKey(data::Literal("bad"), e.Message());
            }
            EXPECT_THROW(request->SetProgress(nullptr, 0.5), base::KVNullPtr);
        }
    }

    std::atomic<int> started{0};
    std::atomic<int> stopped{0};
    std::vector<std::string> errors;

private:
    std::mutex mutex_;
};

// The client end of a connection, speaking the wire format directly.
class Client {
public:
    explicit Client(int fd) {
        channel_ = posix::PosixNamedPipe::Adopt(fd);
        reader_ = io::BufferedReader::Create(channel_.get(), 4096);
        writer_ = io::BufferedWriter::Create(channel_.get(), 4096);
        serializer_ = io::Serializer::Create(reader_.get(), writer_.get());
    }
    void ReadRaw(void* buffer, int32_t count) { reader_->ReadFully(buffer, count); }
    IKVType* Read() { return serializer_->Deserialize(); }
    void Send(IKVType* value) {
        serializer_->Serialize(value);
        serializer_->Flush();
    }
    void Request(const char* name, IKVMap* params) {
        IKVType* list[] = {data::Literal(name), params};
        Send(data::CreateList(2, list));
    }
    // Reads the preamble and the greeting.
    IKVMap* Greeting() {
        uint8_t preamble[8];
        ReadRaw(preamble, 8);
        const uint8_t expected[8] = {0x4B, 0x56, 0x4E, 0x43, 0x00, 0x00, 0x00, 0xC8};
        EXPECT_EQ(std::memcmp(preamble, expected, 8), 0);
        return dynamic_cast<IKVMap*>(Read());
    }
    void Close() { channel_->Close(); }

private:
    KVRefCountT<io::IKVChannel> channel_;
    KVRefCountT<io::IKVBufferedReader> reader_;
    KVRefCountT<io::IKVBufferedWriter> writer_;
    KVRefCountT<io::IKVSerializer> serializer_;
};

IKVMap* EmptyMap() {
    return data::CreateMutableMap(0);
}

int64_t Tag(IKVType* message) {
    auto* list = dynamic_cast<data::IKVList*>(message);
    return dynamic_cast<data::IKVNumber*>(list->ObjectAt(0))->Int64Value();
}
IKVMap* Body(IKVType* message) {
    return dynamic_cast<IKVMap*>(dynamic_cast<data::IKVList*>(message)->ObjectAt(1));
}
std::string Field(IKVMap* map, const char* key) {
    IKVType* value = map->ObjectForKey(data::Literal(key));
    return value == nullptr ? "(absent)" : Utf8(value->Description());
}

class NCommHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        log_ = new RecordingLog();
        util::SetProcessLog(log_);
        delegate_ = KVRefCountT<TestDelegate>::Adopt(new TestDelegate());
        host_ = NCHost::Create(delegate_.get());
    }
    void TearDown() override {
        util::SetProcessLog(nullptr);
        log_->Release();
    }

    // A connected pair: the host serves one end on a worker thread, the test talks on the
    // other.
    Client Connect() {
        int fds[2];
        EXPECT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        host_->StartWorker(posix::PosixNamedPipe::Adopt(fds[0]));
        return Client(fds[1]);
    }

    AutoReleasePool pool_;
    RecordingLog* log_ = nullptr;
    KVRefCountT<TestDelegate> delegate_;
    KVRefCountT<NCHost> host_;
};

TEST_F(NCommHostTest, GreetsThenAnswersPingAndEndsOnNull) {
    Client client = Connect();
    IKVMap* greeting = client.Greeting();
    ASSERT_NE(greeting, nullptr);
    EXPECT_EQ(Field(greeting, "version"), "200");
    EXPECT_EQ(Field(greeting, "protocol"), "200");
    EXPECT_EQ(Field(greeting, "pid"), std::to_string(::getpid()));
    EXPECT_NE(Field(greeting, "cwd"), "(absent)");

    client.Request("NCOMM_PING", EmptyMap());
    IKVType* reply = client.Read();
    EXPECT_EQ(Tag(reply), 0);
    EXPECT_EQ(Body(reply)->Count(), 0);

    client.Send(data::Null());
    host_->WaitForWorkers();
    EXPECT_EQ(host_->WorkerCount(), 0);
    EXPECT_EQ(delegate_->started.load(), 1);
    EXPECT_EQ(delegate_->stopped.load(), 1);
    EXPECT_TRUE(log_->Has("3:KVNative received 'End of Transmission'."));
    EXPECT_TRUE(delegate_->errors.empty());
}

TEST_F(NCommHostTest, ErrorRepliesCarryOnlyReasonAndWhyAndTheConnectionGoesOn) {
    Client client = Connect();
    client.Greeting();

    client.Request("fail", EmptyMap());
    IKVType* reply = client.Read();
    EXPECT_EQ(Tag(reply), 1);
    EXPECT_EQ(Body(reply)->Count(), 2);  // "partial" was discarded
    EXPECT_EQ(Field(Body(reply), "errReason"), "kTest_Failed");
    EXPECT_EQ(Field(Body(reply), "errWhy"), "it failed");

    client.Request("illegal", EmptyMap());
    reply = client.Read();
    EXPECT_EQ(Field(Body(reply), "errReason"), "class kvfoundation::base::KVIllegalArgument");
    EXPECT_EQ(Field(Body(reply), "errWhy"), "length < 0");

    IKVType* keys[] = {data::Literal("k")};
    IKVType* values[] = {data::Literal("v")};
    client.Request("echo", data::CreateMap(keys, values, 1));
    reply = client.Read();
    EXPECT_EQ(Tag(reply), 0);
    IKVType* echoed = Body(reply)->ObjectForKey(data::Literal("params"));
    ASSERT_NE(echoed, nullptr);
    EXPECT_EQ(Field(dynamic_cast<IKVMap*>(echoed), "k"), "v");

    client.Close();  // end of stream: silent
    host_->WaitForWorkers();
    EXPECT_FALSE(log_->Has("NComm error"));
}

TEST_F(NCommHostTest, ProgressIsThrottledAndBounded) {
    Client client = Connect();
    client.Greeting();
    client.Request("progress", EmptyMap());
    IKVType* first = client.Read();
    ASSERT_EQ(Tag(first), 2);
    EXPECT_EQ(Field(Body(first), "taskname"), "step");
    EXPECT_DOUBLE_EQ(
        dynamic_cast<data::IKVNumber*>(Body(first)->ObjectForKey(data::Literal("progress")))
            ->DoubleValue(),
        0.25);
    // The 0.5 and 1.0 reports fell within 0.2 s of the first: the next message is the reply.
    IKVType* reply = client.Read();
    ASSERT_EQ(Tag(reply), 0);
    EXPECT_EQ(Field(Body(reply), "bad"), "NComm: Bad progress value: 1.000000");
    client.Send(data::Null());
    host_->WaitForWorkers();
}

TEST_F(NCommHostTest, MalformedRequestsEndOnlyTheirConnection) {
    struct Case {
        const char* what;
        std::function<IKVType*()> make;
        std::string error;
    };
    std::vector<Case> cases = {
        {"string", [] { return data::Literal("hello"); }, "KVNative bad request: hello"},
        {"short list",
         [] {
             IKVType* one[] = {data::Literal("echo")};
             return data::CreateList(1, one);
         },
         "index out of bounds 1"},
        {"name not a string",
         [] {
             IKVType* two[] = {data::CreateInt32(5), EmptyMap()};
             return data::CreateList(2, two);
         },
         "Cannot cast <"},
    };
    Client survivor = Connect();
    survivor.Greeting();
    for (const Case& c : cases) {
        Client client = Connect();
        client.Greeting();
        client.Send(c.make());
        EXPECT_THROW(client.Read(), io::KVEndOfFile) << c.what;  // the host closed it
    }
    // The other connection still works.
    survivor.Request("NCOMM_PING", EmptyMap());
    EXPECT_EQ(Tag(survivor.Read()), 0);
    survivor.Send(data::Null());
    host_->WaitForWorkers();
    ASSERT_EQ(delegate_->errors.size(), cases.size());
    for (size_t i = 0; i < cases.size(); ++i) {
        EXPECT_NE(delegate_->errors[i].find(cases[i].error), std::string::npos)
            << delegate_->errors[i];
    }
    EXPECT_TRUE(log_->Has("1:NComm error in thread \"NCHost[<class"));
}

TEST_F(NCommHostTest, RunReturnsOnlyWhenEveryChannelHasEnded) {
    std::vector<Client> clients;
    std::vector<IKVType*> channels;
    for (int i = 0; i < 3; ++i) {
        int fds[2];
        ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds), 0);
        channels.push_back(posix::PosixNamedPipe::Adopt(fds[0]));
        clients.emplace_back(fds[1]);
    }
    KVRefCountT<data::IKVList> list = data::CreateList(3, channels.data());
    std::atomic<bool> returned{false};
    std::thread runner([&] {
        AutoReleasePool pool;
        host_->Run(list.get());
        returned = true;
    });
    for (Client& client : clients) {
        client.Greeting();
    }
    clients[0].Send(data::Null());
    clients[2].Send(data::Null());
    clients[1].Request("NCOMM_PING", EmptyMap());
    EXPECT_EQ(Tag(clients[1].Read()), 0);
    EXPECT_FALSE(returned.load());  // connection 1 is still open
    clients[1].Send(data::Null());
    runner.join();
    EXPECT_TRUE(returned.load());
    EXPECT_EQ(host_->WorkerCount(), 0);
}

TEST_F(NCommHostTest, BadArgumentsAreRefused) {
    EXPECT_THROW(NCHost::Create(nullptr), base::KVNullPtr);
    EXPECT_THROW(host_->Serve(nullptr), base::KVNullPtr);
    EXPECT_THROW(host_->Run(data::CreateList(0, nullptr)), base::IKVException);
    IKVType* notChannels[] = {data::Literal("x")};
    EXPECT_THROW(host_->Run(data::CreateList(1, notChannels)), base::IKVException);
    EXPECT_EQ(host_->WorkerCount(), 0);
}

}  // namespace
