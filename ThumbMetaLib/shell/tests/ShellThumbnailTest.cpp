// The desktop route end to end: real thumbnailers installed on the machine, and thumbnailers
// written here that misbehave in every way we guard against. Each failure must give no
// thumbnail, a log line, and leave no process or file behind.
#include <arpa/inet.h>
#include <dirent.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include "ThumbMetaLib/shell/SandboxCommand.h"
#include "ThumbMetaLib/shell/ShellThumbnail.h"
#include "ThumbMetaLib/shell/tests/ShellTestSupport.h"
#include "kvfoundation/tests/FoundationTestSupport.h"

namespace ThumbMetaLib::shell {
namespace {

using test::TempFolder;

constexpr const char* kTestType = "application/x-vantory-test";

// A 400 x 100 red PNG, for thumbnailers that answer with more than they were asked for.
constexpr const char* kWidePng =
    "iVBORw0KGgoAAAANSUhEUgAAAZAAAABkCAIAAAAnqfEgAAABDUlEQVR42u3UMQ0AAAjAsPk3"
    "DTogTapgx5oCOEECwLAADAswLADDAjAswLAADAvAsADDAjAsAMMCDAvAsAAMCzAsAMMCMCzA"
    "sAAMC8CwAMMCMCwAwwIMC8CwAAwLMCwAwwIMSwLAsAAMCzAsAMMCMCzAsAAMC8CwAMMCMCwA"
    "wwIMC8CwAAwLMCwAwwIwLMCwAAwLwLAAwwIwLADDAgwLwLAADAswLADDAgwLwLAADAswLADD"
    "AjAswLAADAvAsADDAjAsAMMCDAvAsAAMCzAsAMMCMCzAsAAMC8CwAMMCMCwAwwIMC8CwAAwL"
    "MCwAwwIMC8CwAAwLMCwAwwIwLMCwAAwLwLAAwwIwLADDAh5bDZqs1v/wUOgAAAAASUVORK5C"
    "YII=";

// Whether any process of ours has `marker` in its command line.
bool ProcessWithMarkerRuns(const std::string& marker) {
    DIR* proc = opendir("/proc");
    if (proc == nullptr) {
        return false;
    }
    bool found = false;
    while (dirent* entry = readdir(proc)) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9') {
            continue;
        }
        std::ifstream in(std::string("/proc/") + entry->d_name + "/cmdline", std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        std::string line = text.str();
        for (char& c : line) {
            c = c == '\0' ? ' ' : c;
        }
        if (line.find(marker) != std::string::npos && line.find("/proc") == std::string::npos) {
            found = true;
        }
    }
    closedir(proc);
    return found;
}

// The sandbox's own processes die when bwrap does (its first process has a parent-death
// signal, and the kernel then ends the whole namespace), but that happens just after bwrap
// itself has been reaped: on a busy machine they can still be seen for a moment.
bool NoProcessWithMarkerSoon(const std::string& marker) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (ProcessWithMarkerRuns(marker)) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

class ShellThumbnailTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.Ok());
        std::filesystem::create_directories(folder_.File("scratch"));
        std::filesystem::create_directories(folder_.File("data/mime"));
        // Files named *.vtest are ours to route to the thumbnailers written by the tests.
        folder_.Write("data/mime/globs2", std::string("50:") + kTestType + ":*.vtest\n");
        setenv("XDG_DATA_HOME", folder_.File("data").c_str(), 1);
        settings_.thumbnailerFolders = {folder_.File("thumbnailers"), "/usr/share/thumbnailers"};
        settings_.scratchFolder = folder_.File("scratch");
        settings_.limits.timeLimit = std::chrono::milliseconds(3000);
        input_ = folder_.Write("input.vtest", std::string("\x01\x02\x03\xfe opaque", 10));
        log_ = kvtest::CaptureLog::Install();
    }
    void TearDown() override {
        if (HasFailure()) {
            for (const auto& line : log_->lines) {
                std::cerr << "log " << line.level << ": " << line.text << "\n";
            }
        }
        kvtest::CaptureLog::Uninstall();
        unsetenv("XDG_DATA_HOME");
        EXPECT_EQ(test::EntriesIn(folder_.File("scratch")), 0u) << "output folder left behind";
    }

    // A thumbnailer for the test type that runs `body` as /bin/sh with $1 the input, $2 the
    // output and $3 the size.
    void InstallFake(const std::string& body) {
        const std::string script = test::WriteScript(folder_, "fake-thumbnailer", body);
        test::InstallThumbnailer(folder_, "fake", script + " %i %o %s", kTestType);
    }

    bool Logged(const std::string& text) const {
        for (const auto& line : log_->lines) {
            if (line.text.find(text) != std::string::npos) {
                return true;
            }
        }
        return false;
    }

    bool Sandboxed() const { return !WorkingSandbox("").empty(); }

    TempFolder folder_;
    ShellSettings settings_;
    std::string input_;
    kvfoundation::base::KVRefCountT<kvtest::CaptureLog> log_;
};

TEST_F(ShellThumbnailTest, RealThumbnailersMakeImagesOfTheirFormats) {
    for (const std::string format : {"png", "gif", "bmp"}) {
        const std::string file = folder_.File("picture." + format);
        ASSERT_TRUE(test::Run("convert -size 300x200 xc:'rgb(20,180,60)' " + file));
        PixelsPtr pixels = ShellThumbnail(file, 128, settings_);
        ASSERT_TRUE(pixels) << format;
        EXPECT_EQ(pixels->Width(), 128u) << format;
        EXPECT_NEAR(int(pixels->Height()), 85, 1) << format;
        const uint8_t* centre = pixels->Bytes() + 40 * pixels->RowBytes() + 64 * 4;
        EXPECT_NEAR(centre[0], 20, 3) << format;
        EXPECT_NEAR(centre[1], 180, 3) << format;
        EXPECT_NEAR(centre[2], 60, 3) << format;
    }
    const std::string svg =
        folder_.Write("drawing.svg",
                      "<svg xmlns='http://www.w3.org/2000/svg' width='400' height='400'>"
                      "<rect width='400' height='400' fill='#0000ff'/></svg>");
    PixelsPtr drawing = ShellThumbnail(svg, 96, settings_);
    ASSERT_TRUE(drawing);
    EXPECT_EQ(drawing->Width(), 96u);
    EXPECT_GT(drawing->Bytes()[2], 200);
    EXPECT_LT(drawing->Bytes()[0], 40);
}

TEST_F(ShellThumbnailTest, TheProtocolWorksWithAVideoThumbnailer) {
    const std::string clip = folder_.File("clip.mp4");
    ASSERT_TRUE(
        test::Run("ffmpeg -v error -f lavfi -i testsrc=size=320x240:rate=10 -t 1 "
                  "-pix_fmt yuv420p " +
                  clip));
    PixelsPtr frame = ShellThumbnail(clip, 160, settings_);
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->Width(), 160u);
    EXPECT_EQ(frame->Height(), 120u);
}

TEST_F(ShellThumbnailTest, LargerOutputIsFittedAndTheArgumentsArriveAsWritten) {
    // The sandboxed view of the input keeps its extension; the size is the one asked for.
    InstallFake(
        "case \"$1\" in *.vtest) ;; *) exit 3;; esac\n"
        "[ \"$3\" = 64 ] || exit 4\n"
        "echo " +
        std::string(kWidePng) + " | base64 -d > \"$2\"");
    PixelsPtr pixels = ShellThumbnail(input_, 64, settings_);
    ASSERT_TRUE(pixels);
    EXPECT_EQ(pixels->Width(), 64u);
    EXPECT_EQ(pixels->Height(), 16u);
}

struct Misbehaviour {
    const char* name;
    const char* body;
    const char* logged;
};

TEST_F(ShellThumbnailTest, MisbehavingThumbnailersGiveNothingAndLeaveNothing) {
    settings_.limits.timeLimit = std::chrono::milliseconds(1500);
    // A valid PNG whose header promises 100000 x 100000 pixels.
    const std::string huge =
        "iVBORw0KGgoAAAANSUhEUgABhqAAAYagCAIAAAAnMJyfAAAAC0lEQVR4nGNgAAMAAAcAAbK"
        "GrPQAAAAASUVORK5CYII=";
    const std::vector<Misbehaviour> cases{
        {"hangs", "/bin/sleep 987654 & exec /bin/sleep 987655", "time limit exceeded"},
        // A real fault: the thumbnailer is the first process of its namespace, and such a
        // process ignores the signals it sends itself.
        {"crashes", "ulimit -s 256; exec /bin/bash -c 'f() { f; }; f'", "failed on"},
        {"fails", "echo 'cannot read that' >&2; exit 1", "cannot read that"},
        {"writes nothing", "exit 0", "no usable PNG"},
        {"writes garbage", "head -c 4096 /dev/urandom > \"$2\"", "no usable PNG"},
        {"writes a huge header", "", "no usable PNG"},
        {"links its output", "ln -s /etc/passwd \"$2\"", "no usable PNG"},
    };
    for (const Misbehaviour& misbehaviour : cases) {
        log_->lines.clear();
        InstallFake(*misbehaviour.body != '\0' ? misbehaviour.body
                                               : "echo " + huge + " | base64 -d > \"$2\"");
        EXPECT_FALSE(ShellThumbnail(input_, 128, settings_)) << misbehaviour.name;
        EXPECT_TRUE(Logged(misbehaviour.logged)) << misbehaviour.name;
        EXPECT_TRUE(NoProcessWithMarkerSoon("sleep 98765")) << misbehaviour.name;
        EXPECT_EQ(test::EntriesIn(folder_.File("scratch")), 0u) << misbehaviour.name;
    }
}

TEST_F(ShellThumbnailTest, TheSandboxKeepsWritesAndTheNetworkAway) {
    if (!Sandboxed()) {
        GTEST_SKIP() << "bwrap cannot make namespaces on this machine";
    }
    const std::string outside = folder_.File("escaped");
    InstallFake("echo x > " + outside + "; echo x > /usr/escaped; echo x > \"$HOME/../escaped\"");
    EXPECT_FALSE(ShellThumbnail(input_, 128, settings_));
    EXPECT_FALSE(std::filesystem::exists(outside));
    EXPECT_FALSE(std::filesystem::exists("/usr/escaped"));

    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    ASSERT_EQ(listen(listener, 4), 0);
    const std::string port = std::to_string(ntohs(address.sin_port));
    InstallFake("exec /bin/bash -c 'echo hello > /dev/tcp/127.0.0.1/" + port + "'");
    EXPECT_FALSE(ShellThumbnail(input_, 128, settings_));
    pollfd watched{listener, POLLIN, 0};
    EXPECT_EQ(poll(&watched, 1, 100), 0) << "the thumbnailer reached the network";
    close(listener);
}

TEST_F(ShellThumbnailTest, WithoutAWorkingSandboxItRunsPlainAndSaysSoOnce) {
    settings_.bwrap = "/nonexistent/bwrap";
    const std::string file = folder_.File("picture.png");
    ASSERT_TRUE(test::Run("convert -size 50x50 xc:white " + file));
    EXPECT_TRUE(ShellThumbnail(file, 32, settings_));
    EXPECT_TRUE(ShellThumbnail(file, 32, settings_));
    size_t said = 0;
    for (const auto& line : log_->lines) {
        said += line.level == 2 && line.text.find("without a sandbox") != std::string::npos;
    }
    EXPECT_EQ(said, 1u);
}

TEST_F(ShellThumbnailTest, FilesOfOurOwnTypesNeverGoOut) {
    // A JPEG under a name no handler claims still is a JPEG: asking a thumbnailer (perhaps
    // our own) about it could only loop.
    const std::string marker = folder_.File("ran");
    const std::string script = test::WriteScript(folder_, "greedy", "touch " + marker);
    test::InstallThumbnailer(folder_, "greedy", script + " %i %o", "image/jpeg;text/plain");
    const std::string jpeg = folder_.File("photo.vtest");
    ASSERT_TRUE(test::Run("convert -size 16x16 xc:gray JPEG:" + jpeg));
    EXPECT_FALSE(ShellThumbnail(jpeg, 64, settings_));
    EXPECT_FALSE(std::filesystem::exists(marker));
    EXPECT_TRUE(Logged("no desktop thumbnailer asked"));

    EXPECT_FALSE(ShellThumbnail(folder_.File("absent.png"), 64, settings_));
}

}  // namespace
}  // namespace ThumbMetaLib::shell
