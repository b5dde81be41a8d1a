// Video thumbnails through the real service: the frame is read on the main thread, so two
// videos asked for on two connections are read one after the other, while a third connection
// keeps getting its JPEG thumbnails meanwhile. Files that hold no frame get the service's
// no-thumbnail error.
#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvloom/tests/RequestTestSupport.h"
#include "kvloom/tests/ServiceHarness.h"

namespace {

using namespace reqtest;
using vantory::client::Reply;

class VideoHandOverTest : public testing::Test {
protected:
    std::string File(const std::string& name) const { return dir_.Path() + "/" + name; }

    // A 720p clip whose moment at a tenth lies 30 frames after its only key frame (about a
    // tenth of a second to read), copied under a second name.
    std::pair<std::string, std::string> SlowClips(const std::string& name,
                                                  const std::string& copy) {
        const std::string path = File(name);
        const std::string command =
            "ffmpeg -nostdin -loglevel error -y -f lavfi -i "
            "testsrc2=size=1280x720:rate=25:duration=12 -c:v libx264 -preset ultrafast -g 300 " +
            Quoted(path);
        EXPECT_TRUE(Shell(command)) << command;
        std::filesystem::copy_file(path, File(copy));
        return {path, File(copy)};
    }

    Reply Thumbnail(size_t connection, const std::string& path, int64_t size) {
        kvfoundation::base::AutoReleasePool pool;
        return service_.Connection(connection)
            .Call("createThumbnail", Params().Str("filePath", path).Sizes({size}).Map());
    }
    int32_t EntryWidth(const Reply& reply) {
        data::IKVMap* entry = MapAt(ListOf(reply.result.get(), "thumbnails"), 0);
        return entry ? Djpeg(BytesOf(entry, "data"), File("entry.jpg")).width : 0;
    }

    kvfoundation::base::AutoReleasePool pool_;
    svctest::TempDir dir_;
    svctest::RunningService service_{true, 3};
};

TEST_F(VideoHandOverTest, VideosOneAfterTheOtherWhileOtherRequestsFlow) {
    // .mov and .avi go to the video reader at once (other video extensions try the desktop's
    // thumbnailers first, which may well answer for them).
    const std::pair<std::string, std::string> clips = SlowClips("first.mov", "second.avi");
    const std::string first = clips.first;
    const std::string second = clips.second;
    const std::string photo = File("photo.jpg");
    MakeScene(photo, 640, 480);

    std::atomic<int> videosLeft{2};
    bool firstOk = false, secondOk = false;
    std::thread a([&] {
        firstOk = Thumbnail(0, first, 256).succeeded;
        --videosLeft;
    });
    std::thread b([&] {
        secondOk = Thumbnail(1, second, 256).succeeded;
        --videosLeft;
    });
    int photosMeanwhile = 0;
    while (videosLeft > 0) {
        kvfoundation::base::AutoReleasePool each;
        const Reply reply = Thumbnail(2, photo, 64);
        ASSERT_TRUE(reply.succeeded);
        photosMeanwhile += videosLeft > 0 ? 1 : 0;
    }
    a.join();
    b.join();
    ASSERT_TRUE(firstOk);
    ASSERT_TRUE(secondOk);
    EXPECT_GT(photosMeanwhile, 0);

    // The main thread's log: one video started, finished, then the other.
    const std::string log = service_.Output();
    std::vector<std::string> events;
    for (size_t at = 0; (at = log.find("Video frame of '", at)) != std::string::npos; ++at) {
        const size_t end = log.find('\n', at);
        const std::string line = log.substr(at, end - at);
        events.push_back((line.find(first) != std::string::npos ? "first " : "second ") +
                         line.substr(line.rfind(' ') + 1));
    }
    ASSERT_EQ(events.size(), 4u) << log;
    EXPECT_EQ(events[0].substr(events[0].find(' ')), " start");
    EXPECT_EQ(events[1], events[0].substr(0, events[0].find(' ')) + " done");
    EXPECT_EQ(events[2].substr(events[2].find(' ')), " start");
    EXPECT_EQ(events[3], events[2].substr(0, events[2].find(' ')) + " done");
    EXPECT_NE(events[0], events[2]);

    // The reply is the frame fitted to the size, as JPEG.
    const Reply again = Thumbnail(0, first, 160);
    ASSERT_TRUE(again.succeeded);
    EXPECT_EQ(EntryWidth(again), 160);
}

TEST_F(VideoHandOverTest, NoFrameIsNoThumbnail) {
    const std::string audio = File("audio.mp4");
    ASSERT_TRUE(Shell("ffmpeg -nostdin -loglevel error -y -f lavfi -i sine=duration=1 -c:a aac " +
                      Quoted(audio)));
    const std::string empty = File("empty.mov");
    WriteBytes(empty, "");
    for (const std::string& path : {audio, empty}) {
        const Reply reply = Thumbnail(0, path, 256);
        EXPECT_FALSE(reply.succeeded) << path;
        EXPECT_EQ(TextOf(reply.result.get(), "errReason"), "kLoomIO_NoThumb") << path;
    }
    // The service is still there.
    const std::string video = File("after.avi");
    ASSERT_TRUE(
        Shell("ffmpeg -nostdin -loglevel error -y -f lavfi -i "
              "testsrc2=size=320x240:duration=2 -c:v mpeg4 " +
              Quoted(video)));
    const Reply reply = Thumbnail(1, video, 128);
    ASSERT_TRUE(reply.succeeded);
    EXPECT_EQ(EntryWidth(reply), 128);
}

TEST(VideoRouteTest, WebMAndMatroskaTakeTheVideoPathWhenNoDesktopThumbnailerAnswers) {
    kvfoundation::base::AutoReleasePool pool;
    svctest::TempDir dir;
    // No thumbnailer files anywhere the service looks.
    setenv("XDG_DATA_HOME", dir.Path().c_str(), 1);
    setenv("XDG_DATA_DIRS", dir.Path().c_str(), 1);
    svctest::RunningService service(true, 1);
    unsetenv("XDG_DATA_HOME");
    unsetenv("XDG_DATA_DIRS");
    for (const auto& [name, codec] : std::vector<std::pair<std::string, std::string>>{
             {"clip.webm", "-c:v libvpx-vp9 -deadline realtime -cpu-used 8"},
             {"clip.mkv", "-c:v libx264 -preset ultrafast"}}) {
        const std::string path = dir.Path() + "/" + name;
        ASSERT_TRUE(
            Shell("ffmpeg -nostdin -loglevel error -y -f lavfi -i "
                  "testsrc2=size=320x240:duration=2 " +
                  codec + " " + Quoted(path)));
        kvfoundation::base::AutoReleasePool each;
        const Reply reply = service.Connection(0).Call(
            "createThumbnail", Params().Str("filePath", path).Sizes({128}).Map());
        ASSERT_TRUE(reply.succeeded) << name << "\n" << service.Output();
        EXPECT_NE(service.Output().find("Video frame of '" + path), std::string::npos)
            << service.Output();
    }
}

}  // namespace
