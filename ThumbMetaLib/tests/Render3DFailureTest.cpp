// FB3DFormat against servers that misbehave: every failure is status -19 with no pixels, the
// engine goes on serving, no zombie is left and there is never more than one server.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <thread>

#include "Render3DTestSupport.h"
#include "TempFolder.h"
#include "ThumbMetaLib/formats/model3d/FB3DFormat.h"
#include "ThumbMetaLib/formats/model3d/Render3DClient.h"

namespace ThumbMetaLib::test {
namespace {

const std::string kBox = VANTORY_CORPUS_DIR "/model/obj/assimp-box.obj";

int32_t RenderStatus(const std::string& path = kBox) {
    ThumbOptions options;
    const PixelsPtr pixels = FB3DFormat::Instance()->CreateThumbnail(path, 256, options);
    EXPECT_EQ(pixels == nullptr, options.status != 0);
    return options.status;
}

void ExpectNoZombies() {
    for (const ChildProcess& child : Children()) {
        EXPECT_NE(child.state, 'Z') << "zombie " << child.pid << " " << child.name;
    }
}

std::string ReadAll(const std::string& path) {
    std::ifstream in(path);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

size_t CountOf(const std::string& text, const std::string& word) {
    size_t count = 0;
    for (size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
        ++count;
    }
    return count;
}

constexpr Render3DLimits kShortLimits{1000, 500};

struct FakeServer {
    const char* name;
    const char* script;
};

// Each fake, then the real server in the same engine: the route recovers.
TEST(Render3DFailureTest, EveryMisbehaviourIsMinus19AndTheRouteRecovers) {
    const FakeServer fakes[] = {
        {"answers wrongly", "while read line; do echo 'OK but not quite'; done\n"},
        {"answers OK without an image", "while read line; do echo OK; done\n"},
        {"hangs", "read line\nexec sleep 30\n"},
        {"dies mid-reply", "read line\nprintf O\nexit 3\n"},
        {"ends at once", "exit 0\n"},
        {"floods one endless line", "read line\nexec yes x | tr -d '\\n'\n"},
    };
    TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    for (const FakeServer& fake : fakes) {
        SCOPED_TRACE(fake.name);
        {
            ServerOverride server(WriteScript(folder.File("fake.sh"), fake.script), kShortLimits);
            const auto start = std::chrono::steady_clock::now();
            EXPECT_EQ(RenderStatus(), kRender3DClientError);
            EXPECT_EQ(RenderStatus(), kRender3DClientError);  // and again, not stuck
            EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
            EXPECT_LE(Children().size(), 1u);
        }
        ExpectNoZombies();
        EXPECT_TRUE(Children().empty());
    }
    {
        ServerOverride server(folder.File("no-such-server"), kShortLimits);
        EXPECT_EQ(RenderStatus(), kRender3DClientError);
    }
    ServerOverride server(RealServer());
    EXPECT_EQ(RenderStatus(), 0);
}

// A server past its time limit is killed; the next job starts a new one.
TEST(Render3DFailureTest, AHungServerIsKilledAndRestartedOnTheNextJob) {
    TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    const std::string starts = folder.File("starts");
    ServerOverride server(
        WriteScript(folder.File("hang.sh"), "echo start >> '" + starts + "'\nexec sleep 30\n"),
        kShortLimits);
    EXPECT_EQ(RenderStatus(), kRender3DClientError);
    ExpectNoZombies();
    EXPECT_TRUE(Children().empty());
    EXPECT_EQ(RenderStatus(), kRender3DClientError);
    EXPECT_EQ(CountOf(ReadAll(starts), "start"), 2u);
}

// Stopping an idle server sends "unload" once, also when Terminate comes twice, and a server
// that never answers it "OK" is stopped all the same within the limit.
TEST(Render3DFailureTest, UnloadIsSentOnceAndAServerThatRefusesItIsStillStopped) {
    TempFolder folder;
    ASSERT_TRUE(folder.Ok());
    const std::string heard = folder.File("heard");
    const std::string script =
        "while read line; do\n"
        "  echo \"$line\" >> '" +
        heard +
        "'\n"
        "  case \"$line\" in unload*) echo NO; exec sleep 30;; *) echo 'ERR fake';; esac\n"
        "done\n";
    ServerOverride server(WriteScript(folder.File("stubborn.sh"), script), kShortLimits);
    EXPECT_EQ(RenderStatus(), kRender3DClientError);
    const auto start = std::chrono::steady_clock::now();
    Render3DLoom::Process().Terminate();
    Render3DLoom::Process().Terminate();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    ExpectNoZombies();
    EXPECT_TRUE(Children().empty());
    const std::string lines = ReadAll(heard);
    EXPECT_EQ(CountOf(lines, "unload"), 1u) << lines;
    EXPECT_EQ(CountOf(lines, "render "), 1u) << lines;
}

TEST(Render3DFailureTest, RendersFromManyThreadsShareOneServer) {
    ServerOverride server(RealServer());
    std::atomic<bool> done{false};
    std::atomic<size_t> most{0};
    std::thread watcher([&] {
        while (!done) {
            most = std::max(most.load(), Children().size());
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    std::atomic<int> succeeded{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < 4; ++t) {
        workers.emplace_back([&] {
            for (int i = 0; i < 2; ++i) {
                succeeded += RenderStatus() == 0 ? 1 : 0;
            }
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    done = true;
    watcher.join();
    EXPECT_EQ(succeeded, 8);
    EXPECT_EQ(most, 1u);
}

}  // namespace
}  // namespace ThumbMetaLib::test
