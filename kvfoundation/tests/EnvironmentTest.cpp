// The process environment on Linux: variables (null when unset), directories, the user,
// standard-stream redirection that leaves the stream alone on failure, arguments and the
// option look-ups, with the exact messages of failed calls.
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/KVCast.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/io/KVFileNotFound.h"
#include "kvfoundation/system/Environment.h"
#include "kvfoundation/system/KVSysError.h"

namespace {

using kvfoundation::base::AutoReleasePool;
using kvfoundation::data::IKVString;
using kvfoundation::data::Literal;
using kvfoundation::system::GetEnvironment;
using kvfoundation::system::IKVEnvironment;
using kvfoundation::system::KVSysError;

std::string Utf8(const IKVString* s) {
    return s == nullptr ? "<null>" : s->CString();
}

IKVString* Text(const char* utf8) {
    return kvfoundation::data::CreateStringFromUTF8(utf8, static_cast<int32_t>(std::strlen(utf8)));
}

// The message and code of the system error that `call` raises.
template <typename Call>
std::pair<std::string, int> SysError(Call call) {
    try {
        call();
    } catch (const KVSysError& e) {
        return {Utf8(e.Message()), e.Code()};
    }
    return {"<no exception>", 0};
}

class EnvironmentTest : public ::testing::Test {
protected:
    IKVEnvironment* env = GetEnvironment();
    AutoReleasePool pool_;
};

TEST_F(EnvironmentTest, VariablesAreNullWhenUnsetAndRoundTrip) {
    IKVString* name = Literal("KV_ENVIRONMENT_TEST_VAR");
    env->SetEnvironmentVariable(name, nullptr);
    EXPECT_EQ(env->EnvironmentVariable(name), nullptr);

    env->SetEnvironmentVariable(name, Text("caf\xC3\xA9 \xCF\x80"));
    EXPECT_EQ(Utf8(env->EnvironmentVariable(name)), "caf\xC3\xA9 \xCF\x80");
    EXPECT_STREQ(std::getenv("KV_ENVIRONMENT_TEST_VAR"), "caf\xC3\xA9 \xCF\x80");
    auto* all = env->EnvironmentVariables();
    EXPECT_EQ(Utf8(kvfoundation::base::KVDynamicCast<IKVString>(all->ObjectForKey(name))),
              "caf\xC3\xA9 \xCF\x80");
    // The system does not promise UTF-8: a byte the decoder stops at reads as U+FFFD (the
    // stray continuation byte after the cut sequence is U+0082 by the decoder's own rule).
    setenv("KV_ENVIRONMENT_TEST_VAR",
           "a\xFF"
           "b\xE2\x82",
           1);
    EXPECT_EQ(Utf8(env->EnvironmentVariable(name)),
              "a\xEF\xBF\xBD"
              "b\xEF\xBF\xBD\xC2\x82");

    env->SetEnvironmentVariable(name, nullptr);
    EXPECT_EQ(env->EnvironmentVariable(name), nullptr);
    EXPECT_EQ(std::getenv("KV_ENVIRONMENT_TEST_VAR"), nullptr);
}

TEST_F(EnvironmentTest, BadVariableNamesFailWithTheCallsMessage) {
    EXPECT_EQ(SysError([&] { env->SetEnvironmentVariable(Literal("A=B"), Literal("x")); }),
              std::make_pair(std::string("setenv('A=B', 'x') failed <22: Invalid argument>"), 22));
    EXPECT_EQ(SysError([&] { env->SetEnvironmentVariable(Literal(""), nullptr); }),
              std::make_pair(std::string("unsetenv('') failed <22: Invalid argument>"), 22));
    // A zero code unit has no C form: refused rather than cut short.
    IKVString* withZero = kvfoundation::data::CreateString(u"PATH\0X", 6);
    EXPECT_EQ(env->EnvironmentVariable(withZero), nullptr);
    EXPECT_EQ(SysError([&] { env->SetEnvironmentVariable(Literal("KV_ZERO"), withZero); }).second,
              22);
    EXPECT_THROW(env->EnvironmentVariable(nullptr), kvfoundation::base::KVNullPtr);
}

TEST_F(EnvironmentTest, DirectoriesAndDevices) {
    const std::string before = Utf8(env->CurrentDirectory());
    EXPECT_EQ(before, std::filesystem::current_path().string());
    const std::string temp = std::filesystem::temp_directory_path().string();
    env->SetCurrentDirectory(Text(temp.c_str()));
    EXPECT_EQ(Utf8(env->CurrentDirectory()), std::filesystem::canonical(temp).string());
    env->SetCurrentDirectory(Text(before.c_str()));

    try {
        env->SetCurrentDirectory(Literal("/nonexistent-kv/dir"));
        FAIL() << "no exception";
    } catch (const kvfoundation::io::KVFileNotFound& e) {
        EXPECT_EQ(Utf8(e.Message()),
                  "chdir('/nonexistent-kv/dir') failed <2: No such file or directory>");
        EXPECT_EQ(Utf8(e.Domain()), "Posix");
    }
    EXPECT_EQ(Utf8(env->CurrentDirectory()), before);

    EXPECT_EQ(Utf8(env->NullDevice()), "/dev/null");
    const char* savedTmp = std::getenv("TMPDIR");
    const std::string saved = savedTmp != nullptr ? savedTmp : "";
    setenv("TMPDIR", "/var/tmp", 1);
    EXPECT_EQ(Utf8(env->TemporaryDirectory()), "/var/tmp");
    unsetenv("TMPDIR");
    EXPECT_EQ(Utf8(env->TemporaryDirectory()), "/tmp");
    if (savedTmp != nullptr) {
        setenv("TMPDIR", saved.c_str(), 1);
    }
}

TEST_F(EnvironmentTest, UserAndHome) {
    const passwd* user = getpwuid(geteuid());
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(Utf8(env->UserName()), user->pw_name);
    const std::string entryHome = user->pw_dir;

    const char* savedHome = std::getenv("HOME");
    const std::string saved = savedHome != nullptr ? savedHome : "";
    setenv("HOME", "/somewhere/else", 1);
    EXPECT_EQ(Utf8(env->HomeDirectory()), "/somewhere/else");
    unsetenv("HOME");
    EXPECT_EQ(Utf8(env->HomeDirectory()), entryHome);
    if (savedHome != nullptr) {
        setenv("HOME", saved.c_str(), 1);
    }
}

TEST_F(EnvironmentTest, ProcessArgumentsAndExecutable) {
    EXPECT_EQ(env->ProcessId(), getpid());
    const std::string exe = Utf8(env->ExecutablePath());
    EXPECT_EQ(exe, std::filesystem::read_symlink("/proc/self/exe").string());
    auto* arguments = env->Arguments();
    ASSERT_GE(arguments->Count(), 1);
    const std::string first =
        Utf8(kvfoundation::base::KVDynamicCast<IKVString>(arguments->ObjectAt(0)));
    EXPECT_EQ(std::filesystem::path(first).filename(), std::filesystem::path(exe).filename());
}

TEST_F(EnvironmentTest, OptionLookups) {
    using kvfoundation::system::HasOption;
    using kvfoundation::system::OptionValue;
    kvfoundation::base::IKVType* items[] = {Literal("prog"), Literal("-port"), Literal("4711"),
                                            kvfoundation::data::CreateInt32(3), Literal("-debug")};
    auto* arguments = kvfoundation::data::CreateList(5, items);
    EXPECT_TRUE(HasOption(arguments, "-debug"));
    EXPECT_FALSE(HasOption(arguments, "-deb"));
    EXPECT_FALSE(HasOption(arguments, "-privateInstance"));
    EXPECT_EQ(Utf8(OptionValue(arguments, "-port")), "4711");
    EXPECT_EQ(OptionValue(arguments, "-debug"), nullptr);  // last
    EXPECT_EQ(OptionValue(arguments, "-threadCt"), nullptr);
    EXPECT_EQ(OptionValue(arguments, "4711"), nullptr);  // followed by a number, not a string
}

// Standard output pointed at a file and back; a failed redirection leaves it working.
TEST_F(EnvironmentTest, RedirectionReopensOrLeavesTheStreamAlone) {
    char pattern[] = "/tmp/kvenvtest-XXXXXX";
    close(mkstemp(pattern));
    const std::string path = pattern;

    std::fflush(stdout);
    const int saved = dup(1);
    env->RedirectStdOut(Text(path.c_str()), Literal("w"));
    std::printf("into the file\n");
    std::fflush(stdout);
    EXPECT_EQ(SysError([&] { env->RedirectStdOut(Literal("/nonexistent-kv/f"), Literal("w")); }),
              std::make_pair(std::string("freopen('/nonexistent-kv/f', 'w', stdout) failed <2: "
                                         "No such file or directory>"),
                             2));
    EXPECT_EQ(SysError([&] { env->RedirectStdOut(Text(path.c_str()), Literal("q")); }).second, 22);
    std::printf("still the file\n");
    std::fflush(stdout);
    dup2(saved, 1);
    close(saved);

    std::ifstream in(path);
    std::stringstream content;
    content << in.rdbuf();
    EXPECT_EQ(content.str(), "into the file\nstill the file\n");

    EXPECT_EQ(
        SysError([&] { env->RedirectStdIn(Literal("/nonexistent-kv/in"), Literal("r")); }).first,
        "freopen('/nonexistent-kv/in', 'r', stdin) failed <2: No such file or directory>");
    std::remove(path.c_str());
}

}  // namespace
