// The real service answering requests on both transports: the greeting, NCOMM_PING, the
// functions that do nothing, exact-name dispatch, end of transmission, and a clean exit
// once the client is done.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVMutableMap.h"
#include "kvfoundation/data/IKVNumber.h"
#include "kvfoundation/data/IKVString.h"
#include "kvloom/tests/ServiceHarness.h"

namespace {

using namespace svctest;
namespace data = kvfoundation::data;
using vantory::client::Reply;

std::string Text(data::IKVMap* map, const char* key) {
    auto* value = dynamic_cast<data::IKVString*>(map->ObjectForKey(data::Literal(key)));
    return value == nullptr ? "(absent)" : value->CString();
}

class ServiceRequestsTest : public testing::TestWithParam<bool> {
protected:
    kvfoundation::base::AutoReleasePool pool_;
};

std::string TransportName(const testing::TestParamInfo<bool>& info) {
    return info.param ? "PrivateTcp" : "PublicLocalSocket";
}

INSTANTIATE_TEST_SUITE_P(Transports, ServiceRequestsTest, testing::Bool(), TransportName);

TEST_P(ServiceRequestsTest, GreetsPingsAndEndsCleanly) {
    RunningService service(GetParam(), 1);
    data::IKVMap* greeting = service.Connection(0).Greeting();
    auto* pid = dynamic_cast<data::IKVNumber*>(greeting->ObjectForKey(data::Literal("pid")));
    ASSERT_NE(pid, nullptr);
    EXPECT_EQ(pid->Int64Value(), service.Child().Pid());
    // The service makes its executable's directory current.
    EXPECT_EQ(std::filesystem::canonical(Text(greeting, "cwd")),
              std::filesystem::canonical(BinDir()));

    for (int i = 0; i < 3; ++i) {
        Reply reply = service.Connection(0).Call("NCOMM_PING", nullptr);
        EXPECT_TRUE(reply.succeeded);
        EXPECT_EQ(reply.result->Count(), 0);
    }
    EXPECT_EQ(service.Finish(), "exit 0") << service.Output();
}

TEST_P(ServiceRequestsTest, DoNothingFunctionsSucceedEmptyWhateverTheParameters) {
    RunningService service(GetParam(), 1);
    data::IKVMutableMap* params = data::CreateMutableMap(0);
    params->SetObjectForKey(data::Literal("filePath"), data::CreateInt32(5));
    params->SetObjectForKey(data::Literal("sizes"), data::CreateData("\x01\x02", 2));
    params->SetObjectForKey(data::Literal("nested"), data::CreateMutableMap(0));
    params->SetObjectForKey(data::CreateInt32(7), data::Null());  // not even a string key
    for (const char* name : {"watermark", "applyfilters"}) {
        for (data::IKVMap* given :
             {static_cast<data::IKVMap*>(nullptr), static_cast<data::IKVMap*>(params)}) {
            Reply reply = service.Connection(0).Call(name, given);
            EXPECT_TRUE(reply.succeeded) << name;
            EXPECT_EQ(reply.result->Count(), 0) << name;
        }
    }
    EXPECT_EQ(service.Finish(), "exit 0") << service.Output();
}

TEST_P(ServiceRequestsTest, NamesMatchExactlyAndUnknownOnesFailWithoutEndingTheConnection) {
    RunningService service(GetParam(), 1);
    // Case, a trailing blank, a near miss of the reserved ping name, and the empty name.
    for (const char* name : {"createthumbnail", "Watermark", "watermark ", "ncomm_ping", ""}) {
        Reply reply = service.Connection(0).Call(name, nullptr);
        EXPECT_FALSE(reply.succeeded) << name;
        EXPECT_EQ(reply.result->Count(), 2) << name;
        EXPECT_EQ(Text(reply.result.get(), "errReason"), "kLoomIO_BadRequest") << name;
        EXPECT_EQ(Text(reply.result.get(), "errWhy"), std::string("Unknown function: ") + name);
    }
    EXPECT_TRUE(service.Connection(0).Call("watermark", nullptr).succeeded);
    EXPECT_EQ(service.Finish(), "exit 0") << service.Output();
}

TEST_P(ServiceRequestsTest, EndOfTransmissionEndsOnlyThatConnection) {
    RunningService service(GetParam(), 2);
    service.Connection(0).EndTransmission();
    EXPECT_TRUE(service.Connection(1).Call("NCOMM_PING", nullptr).succeeded);
    // With -debug the level-3 line reaches standard error.
    EXPECT_EQ(service.Finish(), "exit 0");
    EXPECT_NE(service.Output().find("KVNative received 'End of Transmission'."), std::string::npos)
        << service.Output();
}

TEST_P(ServiceRequestsTest, SeveralConnectionsServeRequestsAtTheSameTime) {
    RunningService service(GetParam(), 2);
    std::thread other([&] {
        kvfoundation::base::AutoReleasePool pool;
        for (int i = 0; i < 50; ++i) {
            EXPECT_TRUE(service.Connection(1).Call("applyfilters", nullptr).succeeded);
        }
    });
    for (int i = 0; i < 50; ++i) {
        EXPECT_TRUE(service.Connection(0).Call("NCOMM_PING", nullptr).succeeded);
    }
    other.join();
    EXPECT_EQ(service.Finish(), "exit 0") << service.Output();
}

// The null value sent at once: the client gets the preamble and greeting, then the close.
TEST(ServiceEndOfTransmissionTest, ImmediateEndGetsTheGreetingThenTheClose) {
    kvfoundation::base::AutoReleasePool pool;
    RunningService service(false, 1);
    auto raw = RawSocket::ConnectLocal(service.EndpointPath());
    ASSERT_TRUE(raw->Send(Wire().Null().Bytes()));
    std::optional<std::string> received = raw->ReadToEnd();
    ASSERT_TRUE(received.has_value()) << "the service kept the connection open";
    ASSERT_GE(received->size(), 8u);
    EXPECT_EQ(received->substr(0, 8), Preamble());
    // Then the greeting, a map (type 7).
    EXPECT_EQ(received->substr(8, 4), std::string("\0\0\0\7", 4));
    EXPECT_EQ(service.Finish(), "exit 0") << service.Output();
}

}  // namespace
