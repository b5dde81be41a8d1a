// How the service process starts and ends: start-up failures (exit code 66 and their log
// line), one public instance per user, the idle exit, and what -port and -threadCt mean.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <thread>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvloom/tests/ServiceHarness.h"

namespace {

using namespace svctest;

class ServiceLifecycleTest : public testing::Test {
protected:
    // Runs the service with -debug (its log on the captured output) until it ends.
    std::string RunToEnd(
        std::vector<std::string> arguments,
        std::vector<std::pair<std::string, std::optional<std::string>>> environment = {}) {
        SpawnOptions options;
        arguments.push_back("-debug");
        options.arguments = std::move(arguments);
        options.environment = std::move(environment);
        options.outputPath = OutputPath();
        ChildProcess service(options);
        return service.WaitDescribed();
    }
    std::string OutputPath() const { return output_.Path() + "/output.txt"; }
    std::string Output() const { return ReadFile(OutputPath()); }

    kvfoundation::base::AutoReleasePool pool_;
    SocketDirectory sockets_;
    TempDir output_;
};

TEST_F(ServiceLifecycleTest, BadThreadCountsFailStartUp) {
    TcpListener listener;
    listener.Listen();
    for (const char* count : {"0", "-1", "x", ""}) {
        SCOPED_TRACE(count);
        std::filesystem::remove(OutputPath());
        EXPECT_EQ(RunToEnd({"-privateInstance", "-port", listener.Port(), "-threadCt", count}),
                  "exit 66");
        EXPECT_NE(Output().find(std::string("Invalid -threadCt parameter: '") + count + "'"),
                  std::string::npos)
            << Output();
    }
}

TEST_F(ServiceLifecycleTest, PrivateInstanceWithoutPortFailsStartUp) {
    // Absent, and present as the last argument with no value after it.
    for (std::vector<std::string> arguments :
         {std::vector<std::string>{"-privateInstance"},
          std::vector<std::string>{"-privateInstance", "-threadCt", "2", "-port"}}) {
        std::filesystem::remove(OutputPath());
        // -debug comes last from RunToEnd: put -port at the very end for the second case.
        SpawnOptions options;
        options.arguments = {"-debug"};
        options.arguments.insert(options.arguments.end(), arguments.begin(), arguments.end());
        options.outputPath = OutputPath();
        ChildProcess service(options);
        EXPECT_EQ(service.WaitDescribed(), "exit 66");
        EXPECT_NE(Output().find("missing argument: -port"), std::string::npos) << Output();
    }
}

TEST_F(ServiceLifecycleTest, PortWithoutListenerFailsStartUp) {
    TcpListener bound;  // bound, not listening: every connection is refused
    EXPECT_EQ(RunToEnd({"-privateInstance", "-port", bound.Port()}), "exit 66") << Output();
}

TEST_F(ServiceLifecycleTest, SecondPublicInstanceFailsWhileTheFirstKeepsServing) {
    SpawnOptions options;
    options.arguments = {"-debug"};
    ChildProcess first(options);
    auto connection = ConnectService(first);
    ASSERT_TRUE(connection) << first.WaitDescribed(0);

    EXPECT_EQ(RunToEnd({}), "exit 66");
    EXPECT_NE(Output().find("Failed to create communication pipe: "), std::string::npos)
        << Output();
    EXPECT_TRUE(connection->Call("NCOMM_PING", nullptr).succeeded);
    auto another = ConnectService(first);
    ASSERT_TRUE(another);
    EXPECT_TRUE(another->Call("NCOMM_PING", nullptr).succeeded);
}

TEST_F(ServiceLifecycleTest, EndpointDirectoryOthersCanEnterFailsStartUp) {
    TempDir open;
    ::chmod(open.Path().c_str(), 0755);
    EXPECT_EQ(RunToEnd({}, {{"VANTORY_SOCKET_DIR", open.Path()}}), "exit 66");
    EXPECT_NE(Output().find("Failed to create communication pipe: "), std::string::npos)
        << Output();
}

TEST_F(ServiceLifecycleTest, IdlePublicInstanceEndsWithCodeZero) {
    EXPECT_EQ(RunToEnd({}, {{"VANTORY_IDLE_CHECK_SECONDS", "0.2"}}), "exit 0") << Output();
    // Gone with it: the endpoint, so the next client starts a new service.
    EXPECT_FALSE(std::filesystem::exists(sockets_.EndpointPath()));
}

TEST_F(ServiceLifecycleTest, ConnectedClientKeepsThePublicInstanceAlive) {
    SpawnOptions options;
    options.environment = {{"VANTORY_IDLE_CHECK_SECONDS", "2"}};
    ChildProcess service(options);
    auto connection = ConnectService(service);
    ASSERT_TRUE(connection) << service.WaitDescribed(0);
    // Several idle checks pass while the client is connected.
    std::this_thread::sleep_for(std::chrono::milliseconds(4500));
    ASSERT_TRUE(service.Running());
    EXPECT_TRUE(connection->Call("NCOMM_PING", nullptr).succeeded);
    connection.reset();
    EXPECT_EQ(service.WaitDescribed(), "exit 0");
}

TEST_F(ServiceLifecycleTest, FatalSignalsEndTheProcessWithCode99) {
    for (int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE}) {
        SCOPED_TRACE(signal);
        SpawnOptions options;
        ChildProcess service(options);
        ASSERT_TRUE(ConnectPipe(service)) << service.WaitDescribed(0);  // handlers are in place
        ::kill(service.Pid(), signal);
        EXPECT_EQ(service.WaitDescribed(), "exit 99");
    }
}

TEST_F(ServiceLifecycleTest, PortAndThreadCountMeanNothingToAPublicInstance) {
    SpawnOptions options;
    options.arguments = {"-port", "1", "-threadCt", "x"};
    ChildProcess service(options);
    auto connection = ConnectService(service);
    ASSERT_TRUE(connection) << service.WaitDescribed(0);
    EXPECT_TRUE(connection->Call("NCOMM_PING", nullptr).succeeded);
}

}  // namespace
