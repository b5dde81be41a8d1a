// Hostile and careless clients against the real service: malformed requests, garbage,
// absurd lengths and counts, clients that vanish mid-request or mid-reply, and 64 clients at
// once. Each misbehaving connection must end alone; the service keeps answering the others
// and still ends cleanly (exit code 0, so no sanitizer report and no worker left behind).
#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/data/IKVString.h"
#include "kvloom/tests/ServiceHarness.h"

namespace {

using namespace svctest;

struct Abuse {
    std::string name;
    std::string bytes;
    // Hang up at once, without waiting for the service (mid-request or mid-reply).
    bool hangUp = false;
};

std::vector<Abuse> Abuses() {
    std::vector<Abuse> abuses;
    // Complete values that are no request.
    abuses.push_back({"name not a string", Wire().List(2).Int(1).Map(0).Bytes()});
    abuses.push_back({"parameters not a map", Wire().List(2).Str("watermark").Int(5).Bytes()});
    abuses.push_back({"one-element list", Wire().List(1).Str("watermark").Bytes()});
    abuses.push_back({"empty list", Wire().List(0).Bytes()});
    abuses.push_back({"number instead of a list", Wire().Int(42).Bytes()});
    abuses.push_back(
        {"a request after a bad one", Wire().Int(1).Int(2).Request("watermark").Bytes()});
    // Wire data that cannot be decoded.
    abuses.push_back({"unknown type id", Wire().U32(9).U32(0).Bytes()});
    abuses.push_back({"negative string length", Wire().U32(4).U32(0xFFFFFFF0u).Bytes()});
    abuses.push_back(
        {"invalid UTF-8", Wire().List(2).U32(4).U32(4).Raw("\xF8\xFF\xC0\x80").Map(0).Bytes()});
    abuses.push_back({"nested 100000 deep", [] {
                          Wire w;
                          for (int i = 0; i < 100000; ++i)
                              w.List(1);
                          return w.Bytes();
                      }()});
    // Lengths and counts that promise far more than ever arrives: nothing may be allocated
    // for them up front.
    abuses.push_back({"string of 2 GiB", Wire().U32(4).U32(0x7FFFFFFF).Raw("abcd").Bytes()});
    abuses.push_back({"data of 2 GiB", Wire().U32(5).U32(0x7FFFFFFC).Bytes()});
    abuses.push_back({"list of 2^31 elements", Wire().List(0x7FFFFFFF).Int(1).Bytes()});
    abuses.push_back({"map of 2^31 entries", Wire().Map(0x7FFFFFFF).Str("k").Bytes()});
    // Random bytes.
    std::mt19937 random(20261206);
    for (int i = 0; i < 4; ++i) {
        std::string noise(1 + random() % 4096, '\0');
        for (char& c : noise)
            c = static_cast<char>(random());
        abuses.push_back({"noise " + std::to_string(i), noise});
    }
    // Clients that go away.
    const std::string request =
        Wire().List(2).Str("watermark").Map(1).Str("filePath").Str("/x").Bytes();
    abuses.push_back({"hang up mid-request", request.substr(0, request.size() / 2), true});
    abuses.push_back({"hang up mid-value header", request.substr(0, 3), true});
    std::string many;
    for (int i = 0; i < 2000; ++i)
        many += Wire().Request("NCOMM_PING").Bytes();
    abuses.push_back({"hang up before 2000 replies are read", many, true});
    return abuses;
}

class ServiceRobustnessTest : public testing::TestWithParam<bool> {
protected:
    kvfoundation::base::AutoReleasePool pool_;
};

std::string TransportName(const testing::TestParamInfo<bool>& info) {
    return info.param ? "PrivateTcp" : "PublicLocalSocket";
}

INSTANTIATE_TEST_SUITE_P(Transports, ServiceRobustnessTest, testing::Bool(), TransportName);

// Every abuse on a connection of its own, while connection 0 keeps working.
TEST_P(ServiceRobustnessTest, MisbehavingConnectionsEndAloneAndTheServiceKeepsServing) {
    const bool privateInstance = GetParam();
    const std::vector<Abuse> abuses = Abuses();

    // A private instance opens all its connections at start: the first is the good one, one
    // more per abuse. A public one takes them as they come.
    SocketDirectory sockets;
    TempDir output;
    TcpListener listener;
    SpawnOptions options;
    options.outputPath = output.Path() + "/output.txt";
    options.environment = {{"VANTORY_IDLE_CHECK_SECONDS", RunningService::kIdleSeconds}};
    options.arguments = {"-debug"};
    if (privateInstance) {
        listener.Listen();
        options.arguments.insert(options.arguments.end(),
                                 {"-privateInstance", "-port", listener.Port(), "-threadCt",
                                  std::to_string(abuses.size() + 1)});
    }
    ChildProcess service(options);

    std::unique_ptr<vantory::client::ServiceConnection> good;
    std::vector<std::unique_ptr<RawSocket>> raws;
    if (privateInstance) {
        for (size_t i = 0; i <= abuses.size(); ++i) {
            const int fd = listener.Accept(service);
            ASSERT_GE(fd, 0) << service.WaitDescribed(0) << ReadFile(options.outputPath);
            if (i == 0) {
                good = TcpService(fd);
            } else {
                raws.push_back(std::make_unique<RawSocket>(fd));
            }
        }
    } else {
        good = ConnectService(service);
        ASSERT_TRUE(good) << service.WaitDescribed(0) << ReadFile(options.outputPath);
        for (size_t i = 0; i < abuses.size(); ++i) {
            raws.push_back(RawSocket::ConnectLocal(sockets.EndpointPath()));
        }
    }

    for (size_t i = 0; i < abuses.size(); ++i) {
        SCOPED_TRACE(abuses[i].name);
        RawSocket& raw = *raws[i];
        raw.Send(abuses[i].bytes);  // may stop early: the service can close first
        if (abuses[i].hangUp) {
            raws[i].reset();
        } else {
            raw.ShutdownWrite();
            std::optional<std::string> received = raw.ReadToEnd();
            ASSERT_TRUE(received.has_value()) << "the service kept the connection open";
            EXPECT_EQ(received->substr(0, 8), Preamble());
        }
        EXPECT_TRUE(good->Call("NCOMM_PING", nullptr).succeeded);
    }
    raws.clear();
    EXPECT_TRUE(good->Call("watermark", nullptr).succeeded);

    // Errors are logged with the serving thread's name; hang-ups are not errors.
    const std::string log = ReadFile(options.outputPath);
    EXPECT_NE(log.find("NComm error in thread \"NCHost["), std::string::npos) << log;
    EXPECT_NE(log.find("KVNative bad request: "), std::string::npos) << log;
    EXPECT_NE(log.find("Unknown type id: 9"), std::string::npos) << log;

    good.reset();
    EXPECT_EQ(service.WaitDescribed(), "exit 0") << ReadFile(options.outputPath);
}

TEST(ServiceConnectionsTest, SixtyFourClientsAtOnce) {
    kvfoundation::base::AutoReleasePool pool;
    RunningService service(false, 1);  // connection 0 keeps the service from idling out
    constexpr int kClients = 64;
    std::atomic<int> answered{0};
    std::atomic<bool> go{false};
    std::vector<std::thread> clients;
    for (int i = 0; i < kClients; ++i) {
        clients.emplace_back([&] {
            kvfoundation::base::AutoReleasePool threadPool;
            try {
                auto connection = ConnectService(service.Child());
                while (!go)
                    std::this_thread::yield();
                for (int n = 0; n < 5; ++n) {
                    if (connection && connection->Call("NCOMM_PING", nullptr).succeeded) {
                        ++answered;
                    }
                }
            } catch (const std::exception& e) {
                ADD_FAILURE() << e.what();
            } catch (const kvfoundation::base::IKVException& e) {
                ADD_FAILURE() << e.Message()->CString();
            }
        });
    }
    go = true;
    for (std::thread& client : clients)
        client.join();
    EXPECT_EQ(answered, kClients * 5);
    EXPECT_TRUE(service.Connection(0).Call("NCOMM_PING", nullptr).succeeded);
    EXPECT_EQ(service.Finish(), "exit 0") << service.Output();
}

}  // namespace
