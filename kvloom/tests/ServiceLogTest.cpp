// Where the service's log goes without -debug: QUARN_NCOMM_logdir names a directory for
// "VantoryQX3-<pid>.log" (appended to, a byte-order mark only on a new file); without it the
// system log, and nothing at all on standard error.
#include <gtest/gtest.h>

#include <string>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvloom/tests/ServiceHarness.h"

namespace {

using namespace svctest;

const std::string kByteOrderMark = "\xEF\xBB\xBF";
const std::string kEndLine = "KVNative received 'End of Transmission'.";

class ServiceLogTest : public testing::Test {
protected:
    // Starts a public instance, sends one request that fails (logged at level 1) and one
    // end of transmission (level 3), and lets the service idle out. Returns how it ended.
    std::string RunOnce(SpawnOptions options) {
        options.outputPath = OutputPath();
        options.environment.push_back({"VANTORY_IDLE_CHECK_SECONDS", RunningService::kIdleSeconds});
        ChildProcess service(options);
        pid_ = service.Pid();
        if (auto raw = ConnectPipe(service)) {
            auto bad = RawSocket::ConnectLocal(sockets_.EndpointPath());
            bad->Send(Wire().Int(1).Bytes());
            bad->ReadToEnd();
            vantory::client::ServiceConnection connection(raw.get());
            connection.EndTransmission();
        }
        return service.WaitDescribed();
    }
    std::string LogPath() const {
        return logDir_.Path() + "/VantoryQX3-" + std::to_string(pid_) + ".log";
    }
    std::string OutputPath() const { return output_.Path() + "/output.txt"; }

    kvfoundation::base::AutoReleasePool pool_;
    SocketDirectory sockets_;
    TempDir logDir_;
    TempDir output_;
    pid_t pid_ = 0;
};

TEST_F(ServiceLogTest, NewLogFileGetsTheMarkAndTheLines) {
    SpawnOptions options;
    options.environment = {{"QUARN_NCOMM_logdir", logDir_.Path()}};
    ASSERT_EQ(RunOnce(options), "exit 0");
    const std::string log = ReadFile(LogPath());
    EXPECT_EQ(log.substr(0, 3), kByteOrderMark);
    EXPECT_EQ(log.find(kByteOrderMark, 3), std::string::npos) << "one mark only";
    EXPECT_NE(log.find(kEndLine), std::string::npos) << log;
    EXPECT_NE(log.find("KVNative bad request: "), std::string::npos) << log;
    // Standard output and error went to the null device.
    EXPECT_EQ(ReadFile(OutputPath()), "");
}

TEST_F(ServiceLogTest, ExistingLogFileIsAppendedToWithoutAMark) {
    SpawnOptions options;
    options.environment = {{"QUARN_NCOMM_logdir", logDir_.Path()}};
    options.logDir = logDir_.Path();
    options.existingLogText = "an earlier line\n";
    ASSERT_EQ(RunOnce(options), "exit 0");
    const std::string log = ReadFile(LogPath());
    EXPECT_EQ(log.rfind("an earlier line\n", 0), 0u) << log;
    EXPECT_EQ(log.find(kByteOrderMark), std::string::npos) << log;
    EXPECT_NE(log.find(kEndLine), std::string::npos) << log;
}

TEST_F(ServiceLogTest, WithoutDebugOrLogDirectoryNothingReachesStandardError) {
    SpawnOptions options;
    options.environment = {{"QUARN_NCOMM_logdir", std::nullopt}};
    ASSERT_EQ(RunOnce(options), "exit 0");
    EXPECT_EQ(ReadFile(OutputPath()), "");
}

TEST_F(ServiceLogTest, DebugLogsToStandardError) {
    SpawnOptions options;
    options.arguments = {"-debug"};
    options.environment = {{"QUARN_NCOMM_logdir", logDir_.Path()}};  // -debug wins
    ASSERT_EQ(RunOnce(options), "exit 0");
    EXPECT_NE(ReadFile(OutputPath()).find(kEndLine), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(LogPath()));
}

}  // namespace
