// The `vantory` command's exit status tells the cases apart: 0 success, 1 an error reply,
// 2 no service, 64 a wrong command line. Runs against a public service started here (in a
// private socket directory) and against a private instance of its own.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvloom/tests/ServiceHarness.h"

namespace {

using namespace svctest;

class VantoryCommandTest : public testing::Test {
protected:
    // Runs `vantory` with `arguments`; returns "exit N" and keeps its output.
    std::string Vantory(std::vector<std::string> arguments) {
        SpawnOptions options;
        options.program = BinDir() + "/vantory";
        options.arguments = std::move(arguments);
        options.outputPath = output_.Path() + "/output-" + std::to_string(++runs_) + ".txt";
        ChildProcess command(options);
        std::string status = command.WaitDescribed();
        output = ReadFile(options.outputPath);
        return status;
    }

    std::string WriteScript(const std::string& name, const std::string& body) {
        const std::string path = output_.Path() + "/" + name;
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        ::chmod(path.c_str(), 0755);
        return path;
    }

    kvfoundation::base::AutoReleasePool pool_;
    SocketDirectory sockets_;
    TempDir output_;
    int runs_ = 0;
    std::string output;
};

TEST_F(VantoryCommandTest, AgainstThePublicService) {
    SpawnOptions options;
    ChildProcess service(options);
    ASSERT_TRUE(ConnectPipe(service)) << service.WaitDescribed(0);

    EXPECT_EQ(Vantory({"ping"}), "exit 0") << output;
    EXPECT_NE(output.find("\"pid\":" + std::to_string(service.Pid())), std::string::npos) << output;
    EXPECT_EQ(Vantory({"call", "watermark", R"({"filePath": "/x.jpg", "sizes": [1]})"}), "exit 0")
        << output;
    EXPECT_EQ(Vantory({"call", "createthumbnail", "{}"}), "exit 1") << output;
    EXPECT_NE(output.find("kLoomIO_BadRequest"), std::string::npos) << output;
    EXPECT_TRUE(service.Running());
}

TEST_F(VantoryCommandTest, AgainstAPrivateInstance) {
    EXPECT_EQ(Vantory({"--private", "--daemon", DaemonPath(), "call", "applyfilters"}), "exit 0")
        << output;
    EXPECT_EQ(Vantory({"--private", "--daemon", DaemonPath(), "call", "nosuchfunction"}), "exit 1")
        << output;
}

TEST_F(VantoryCommandTest, NoServiceIsExitTwo) {
    // Nothing listens in the fresh socket directory and the service cannot be started.
    EXPECT_EQ(Vantory({"--daemon", output_.Path() + "/missing", "--timeout", "1", "ping"}),
              "exit 2")
        << output;
    EXPECT_EQ(Vantory({"--private", "--daemon", output_.Path() + "/missing", "ping"}), "exit 2")
        << output;
}

TEST_F(VantoryCommandTest, AStartedServiceIsWaitedForOnlyWhileItRuns) {
    using Clock = std::chrono::steady_clock;
    // A service that ends during its start-up (here at once) ends the wait, whatever the
    // time-out.
    const std::string failing = WriteScript("failing-daemon", "exit 3");
    const auto start = Clock::now();
    EXPECT_EQ(Vantory({"--daemon", failing, "--timeout", "60", "ping"}), "exit 2") << output;
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(30));
    EXPECT_NE(output.find("ended during its start-up"), std::string::npos) << output;

    // One that takes its time is waited for.
    const std::string slow =
        WriteScript("slow-daemon", "sleep 1; exec '" + DaemonPath() + "' \"$@\"");
    ASSERT_EQ(Vantory({"--daemon", slow, "--timeout", "60", "ping"}), "exit 0") << output;
    const size_t pidAt = output.find("\"pid\":");
    ASSERT_NE(pidAt, std::string::npos) << output;
    const pid_t service = pid_t(std::atol(output.c_str() + pidAt + 6));
    ASSERT_GT(service, 1) << output;
    ::kill(service, SIGTERM);
    for (int i = 0; i < 500 && ::kill(service, 0) == 0; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

TEST_F(VantoryCommandTest, WrongCommandLinesAreExit64) {
    // None of these reach a service: the daemon path leads nowhere.
    const std::string nowhere = output_.Path() + "/missing";
    for (std::vector<std::string> arguments : std::vector<std::vector<std::string>>{
             {},
             {"--no-such-option", "ping"},
             {"--daemon"},
             {"--timeout", "-1", "ping"},
             {"--daemon", nowhere, "frobnicate"},
             {"--daemon", nowhere, "call"},
             {"--daemon", nowhere, "call", "watermark", "{not json"},
             {"--daemon", nowhere, "call", "watermark", "[1, 2]"},
             {"--daemon", nowhere, "ping", "extra"}}) {
        std::string line;
        for (const std::string& a : arguments)
            line += a + " ";
        EXPECT_EQ(Vantory(arguments), "exit 64") << line << "\n" << output;
    }
    EXPECT_EQ(Vantory({"--help"}), "exit 0");
    EXPECT_NE(output.find("usage: vantory"), std::string::npos);
}

}  // namespace
