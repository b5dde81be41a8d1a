// Logs: level filtering without formatting, the standard error line format, the byte-order
// mark of a new file, the bounded line buffer, whole lines under concurrency, the
// process-wide log, and the system log's severities.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <syslog.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/impl/AbstractLog.h"
#include "kvfoundation/posix/PosixSysLog.h"
#include "kvfoundation/util/ProcessLog.h"
#include "kvfoundation/util/StdErrLog.h"

namespace {

using kvfoundation::base::AutoReleasePool;
using kvfoundation::base::KVRefCountT;
using kvfoundation::data::IKVString;
using kvfoundation::util::GetProcessLog;
using kvfoundation::util::IKVLog;
using kvfoundation::util::SetProcessLog;
using kvfoundation::util::StdErrLog;

// Points file descriptor 2 at a file for the life of the object (the test's own output goes
// to standard output), and removes the file afterwards.
class StdErrToFile {
public:
    explicit StdErrToFile(bool startWithText = false) {
        char pattern[] = "/tmp/kvlogtest-XXXXXX";
        const int fd = mkstemp(pattern);
        path_ = pattern;
        if (startWithText) {
            EXPECT_EQ(write(fd, "old\n", 4), 4);
        }
        std::fflush(stderr);
        saved_ = dup(2);
        dup2(fd, 2);
        close(fd);
    }
    ~StdErrToFile() {
        std::fflush(stderr);
        dup2(saved_, 2);
        close(saved_);
        std::remove(path_.c_str());
    }
    std::string Content() const {
        std::ifstream in(path_, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

private:
    std::string path_;
    int saved_ = -1;
};

const std::regex kLine(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d : ([^\n]*)\n)");

// The messages of the lines in `text`, which must consist of whole lines only.
std::vector<std::string> Messages(std::string text) {
    std::vector<std::string> messages;
    std::smatch match;
    while (!text.empty()) {
        if (!std::regex_search(text, match, kLine, std::regex_constants::match_continuous)) {
            ADD_FAILURE() << "not a log line: " << text.substr(0, 80);
            break;
        }
        messages.push_back(match[1]);
        text = match.suffix();
    }
    return messages;
}

class LogTest : public ::testing::Test {
protected:
    ~LogTest() override { SetProcessLog(nullptr); }
    AutoReleasePool pool_;
};

TEST_F(LogTest, DefaultLogWritesInformationButNotDebugging) {
    SetProcessLog(nullptr);
    StdErrToFile file;
    KVRefCountT<IKVLog> log = GetProcessLog();
    EXPECT_EQ(log->Level(), 3);
    log->LogFormat(4, "debug %d", 1);
    EXPECT_EQ(file.Content(), "");
    log->LogFormat(3, "info %d %s", 2, "x");
    log->Log(0, kvfoundation::data::Literal("fatal"));
    const std::string content = file.Content();
    ASSERT_EQ(content.compare(0, 3, "\xEF\xBB\xBF"), 0);
    EXPECT_EQ(Messages(content.substr(3)), (std::vector<std::string>{"info 2 x", "fatal"}));
}

TEST_F(LogTest, DroppedMessagesAreNotFormatted) {
    KVRefCountT<IKVLog> log = KVRefCountT<IKVLog>::Adopt(StdErrLog::Create(2));
    StdErrToFile file;
    log->LogFormat(3, "%q");  // would raise "Invalid format spec" if formatted
    EXPECT_THROW(log->LogFormat(2, "%q"), kvfoundation::base::KVIllegalArgument);
    log->SetLevel(-1);
    log->LogFormat(0, "dropped");
    EXPECT_EQ(file.Content(), "");
}

TEST_F(LogTest, ByteOrderMarkOnlyAtTheStartOfANewFile) {
    KVRefCountT<IKVLog> log = KVRefCountT<IKVLog>::Adopt(StdErrLog::Create());
    {
        StdErrToFile file;
        log->LogFormat(1, "first \xCF\x80");
        log->LogFormat(1, "second");
        const std::string content = file.Content();
        ASSERT_EQ(content.compare(0, 3, "\xEF\xBB\xBF"), 0);
        EXPECT_EQ(content.find("\xEF\xBB\xBF", 3), std::string::npos);
        // %s bytes are code units, written back as UTF-8: 0xCF 0x80 become two characters.
        EXPECT_EQ(Messages(content.substr(3)),
                  (std::vector<std::string>{"first \xC3\x8F\xC2\x80", "second"}));
    }
    {
        StdErrToFile file(/*startWithText=*/true);
        log->LogFormat(1, "appended");
        const std::string content = file.Content();
        ASSERT_EQ(content.compare(0, 4, "old\n"), 0);
        EXPECT_EQ(Messages(content.substr(4)), (std::vector<std::string>{"appended"}));
    }
}

TEST_F(LogTest, LongMessagesAreCutAtACharacterBoundary) {
    KVRefCountT<IKVLog> log = KVRefCountT<IKVLog>::Adopt(StdErrLog::Create());
    StdErrToFile file;
    const std::u16string pi(3000, u'\u03c0');  // 6000 bytes of UTF-8
    log->LogFormat(1, "%S", pi.c_str());
    const std::vector<std::string> messages = Messages(file.Content().substr(3));
    ASSERT_EQ(messages.size(), 1u);
    std::string expected;
    for (int i = 0; i < 2047; ++i) {  // 4094 bytes: one more character would pass 4095
        expected += "\xCF\x80";
    }
    EXPECT_EQ(messages[0], expected);
}

TEST_F(LogTest, LinesFromManyThreadsNeverInterleave) {
    KVRefCountT<IKVLog> log = KVRefCountT<IKVLog>::Adopt(StdErrLog::Create());
    StdErrToFile file;
    const std::string filler(300, 'z');
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        // No pool on these threads: logging must not need one.
        threads.emplace_back([&, t] {
            for (int i = 0; i < 100; ++i) {
                log->LogFormat(1, "thread %d line %d %s", t, i, filler.c_str());
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    const std::vector<std::string> messages = Messages(file.Content().substr(3));
    EXPECT_EQ(messages.size(), 400u);
    for (const std::string& message : messages) {
        EXPECT_TRUE(std::regex_match(message, std::regex("thread \\d line \\d+ z{300}")));
    }
}

// A log that keeps what it is given.
class RecordingLog final : public kvfoundation::impl::AbstractLog {
public:
    RecordingLog() : AbstractLog(3) {}
    void Write(int32_t level, IKVString* message) override {
        lines.push_back(
            std::to_string(level) + ":" +
            std::string(message->Characters(), message->Characters() + message->Length()));
    }
    std::vector<std::string> lines;
};

TEST_F(LogTest, ReplacedProcessLogReceivesEveryMessage) {
    auto* recorder = new RecordingLog();
    SetProcessLog(recorder);
    GetProcessLog()->Log(1, kvfoundation::data::Literal("via the sink"));
    kvfoundation::util::LogFormat(3, "n=%d", 3);
    kvfoundation::util::LogFormat(4, "too detailed");
    EXPECT_EQ(GetProcessLog().get(), recorder);
    EXPECT_EQ(recorder->lines, (std::vector<std::string>{"1:via the sink", "3:n=3"}));
    recorder->Release();
}

TEST_F(LogTest, SystemLogSeverities) {
    using kvfoundation::posix::PosixSysLog;
    for (int level : {-1, 3, 4}) {
        EXPECT_EQ(PosixSysLog::Priority(level), LOG_INFO) << level;
    }
    EXPECT_EQ(PosixSysLog::Priority(2), LOG_WARNING);
    for (int level : {0, 1, 5, -2, INT32_MIN}) {
        EXPECT_EQ(PosixSysLog::Priority(level), LOG_ERR) << level;
    }
    // Long messages are cut, not overrun (checked by the sanitizer build).
    KVRefCountT<IKVLog> log =
        KVRefCountT<IKVLog>::Adopt(PosixSysLog::Create(kvfoundation::data::Literal("LogTest"), 4));
    const std::u16string wide(5000, u'\u4e2d');
    log->LogFormat(4, "long %S", wide.c_str());
}

}  // namespace
