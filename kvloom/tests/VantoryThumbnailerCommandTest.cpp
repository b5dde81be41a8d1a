// `vantory thumb --thumbnailer` run from our thumbnailer entry exactly as a file manager runs
// it, and `vantory thumb --cache` checked against the thumbnail managing standard. The
// service behind them serves files of other types through the desktop's thumbnailers.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "ThumbMetaLib/shell/ExecLine.h"
#include "ThumbMetaLib/shell/PngReader.h"
#include "ThumbMetaLib/shell/ThumbnailerEntry.h"
#include "kvfoundation/base/AutoReleasePool.h"
#include "kvloom/tests/ServiceHarness.h"

namespace {

using namespace svctest;
namespace fs = std::filesystem;
namespace shell = ThumbMetaLib::shell;

bool Make(const std::string& command) {
    return std::system((command + " >/dev/null 2>&1").c_str()) == 0;
}

std::string Output(const std::string& command) {
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (size_t got = fread(buffer, 1, sizeof buffer, pipe)) {
            text.append(buffer, got);
        }
        pclose(pipe);
    }
    while (!text.empty() && text.back() == '\n') {
        text.pop_back();
    }
    return text;
}

unsigned ModeOf(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? unsigned(info.st_mode & 07777) : 0;
}

class VantoryThumbnailerCommandTest : public testing::Test {
protected:
    void SetUp() override {
        jpeg_ = dir_.Path() + "/photo.jpg";
        png_ = dir_.Path() + "/drawing with blanks.png";
        junk_ = dir_.Path() + "/junk.bin";
        ASSERT_TRUE(Make("convert -size 600x400 xc:'rgb(200,30,30)' " + jpeg_));
        ASSERT_TRUE(Make("convert -size 300x300 xc:'rgb(30,30,200)' '" + png_ + "'"));
        std::ofstream(junk_) << "nothing to see";
    }

    // The Exec line of share/thumbnailers/vantory.thumbnailer, expanded as a file manager
    // expands it, run with our build's vantory as the program it names.
    std::string RunEntry(const std::string& input, const std::string& output, uint32_t size,
                         std::vector<std::pair<std::string, std::optional<std::string>>> env = {}) {
        const std::string file = VANTORY_SOURCE_DIR "/share/thumbnailers/vantory.thumbnailer";
        std::optional<shell::ThumbnailerEntry> entry = shell::ReadThumbnailerFile(file);
        EXPECT_TRUE(entry) << "missing " << file;
        if (!entry) {
            return "no entry";
        }
        EXPECT_EQ(entry->exec[0], "vantory");
        std::vector<std::string> words =
            shell::ExpandExecLine(entry->exec, {input, shell::FileUri(input), output, size});
        SpawnOptions options;
        options.program = BinDir() + "/vantory";
        options.arguments.assign(words.begin() + 1, words.end());
        options.outputPath = dir_.Path() + "/vantory-output.txt";
        options.environment = std::move(env);
        ChildProcess command(options);
        return command.WaitDescribed();
    }

    kvfoundation::base::AutoReleasePool pool_;
    TempDir dir_;
    std::string jpeg_;
    std::string png_;
    std::string junk_;
};

TEST_F(VantoryThumbnailerCommandTest, TheEntryWritesPngsThroughTheRunningService) {
    RunningService service(false, 1);
    const std::string out = dir_.Path() + "/out.png";
    ASSERT_EQ(RunEntry(jpeg_, out, 128), "exit 0") << ReadFile(dir_.Path() + "/vantory-output.txt");
    ThumbMetaLib::PixelsPtr pixels = shell::ReadPngFile(out);
    ASSERT_TRUE(pixels);
    EXPECT_EQ(pixels->Width(), 128u);
    EXPECT_EQ(pixels->Height(), 85u);
    EXPECT_NEAR(pixels->Bytes()[0], 200, 8);
    EXPECT_NEAR(pixels->Bytes()[1], 30, 8);

    // A type the engine does not read goes through the desktop's own thumbnailer.
    const std::string fromDesktop = dir_.Path() + "/from-desktop.png";
    ASSERT_EQ(RunEntry(png_, fromDesktop, 64), "exit 0") << service.Output();
    pixels = shell::ReadPngFile(fromDesktop);
    ASSERT_TRUE(pixels);
    EXPECT_EQ(pixels->Width(), 64u);
    EXPECT_NEAR(pixels->Bytes()[2], 200, 8);

    const std::string none = dir_.Path() + "/none.png";
    EXPECT_EQ(RunEntry(junk_, none, 128), "exit 1");
    EXPECT_FALSE(fs::exists(none));
    EXPECT_EQ(service.Finish(), "exit 0");
}

TEST_F(VantoryThumbnailerCommandTest, WithoutAReachableServiceItServesThroughAPrivateOne) {
    // As inside a file manager's sandbox: the shared endpoint's folder does not exist. The
    // service started for it cannot bind and ends, and the fallback follows at once rather
    // than after the 10 s allowed to a starting service.
    const std::string out = dir_.Path() + "/out.png";
    const auto start = std::chrono::steady_clock::now();
    ASSERT_EQ(RunEntry(jpeg_, out, 96, {{"VANTORY_SOCKET_DIR", dir_.Path() + "/hidden/none"}}),
              "exit 0")
        << ReadFile(dir_.Path() + "/vantory-output.txt");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    ThumbMetaLib::PixelsPtr pixels = shell::ReadPngFile(out);
    ASSERT_TRUE(pixels);
    EXPECT_EQ(pixels->Width(), 96u);
}

TEST_F(VantoryThumbnailerCommandTest, CacheFilesFollowTheThumbnailManagingStandard) {
    SocketDirectory sockets;
    const std::string cache = dir_.Path() + "/cache";
    SpawnOptions options;
    options.program = BinDir() + "/vantory";
    options.arguments = {"--private", "thumb", "--cache", jpeg_, png_, junk_};
    options.environment = {{"XDG_CACHE_HOME", cache}};
    options.outputPath = dir_.Path() + "/cache-output.txt";
    ChildProcess command(options);
    ASSERT_EQ(command.WaitDescribed(), "exit 1") << ReadFile(options.outputPath);

    const std::vector<std::pair<std::string, uint32_t>> flavours{
        {"normal", 128}, {"large", 256}, {"x-large", 512}, {"xx-large", 1024}};
    for (const std::string& file : {jpeg_, png_}) {
        // The name is the MD5 of the URI, computed here by another tool.
        const std::string uri = shell::FileUri(fs::canonical(file).string());
        const std::string md5 = Output("printf %s '" + uri + "' | md5sum | cut -c1-32");
        ASSERT_EQ(md5.size(), 32u);
        for (const auto& [flavour, size] : flavours) {
            const std::string path = cache + "/thumbnails/" + flavour + "/" + md5 + ".png";
            ThumbMetaLib::PixelsPtr pixels = shell::ReadPngFile(path);
            ASSERT_TRUE(pixels) << path;
            EXPECT_LE(std::max(pixels->Width(), pixels->Height()), size) << path;
            EXPECT_EQ(ModeOf(path), 0600u) << path;
            EXPECT_EQ(ModeOf(cache + "/thumbnails/" + flavour), 0700u);
            EXPECT_EQ(Output("exiftool -s3 -ThumbURI '" + path + "'"), uri);
            EXPECT_EQ(Output("exiftool -s3 -ThumbMTime '" + path + "'"),
                      Output("stat -c %Y '" + file + "'"));
        }
    }
    const std::string junkUri = shell::FileUri(fs::canonical(junk_).string());
    const std::string failure = cache + "/thumbnails/fail/vantory/" +
                                Output("printf %s '" + junkUri + "' | md5sum | cut -c1-32") +
                                ".png";
    EXPECT_EQ(Output("exiftool -s3 -ThumbURI '" + failure + "'"), junkUri);
    EXPECT_EQ(ModeOf(failure), 0600u);
    // Written by rename: no temporary file is left in any folder.
    for (const auto& entry : fs::recursive_directory_iterator(cache)) {
        if (entry.is_regular_file()) {
            EXPECT_EQ(entry.path().extension(), ".png") << entry.path();
        }
    }
}

TEST_F(VantoryThumbnailerCommandTest, UpToDateCacheEntriesAreKeptAndStaleOnesMadeAgain) {
    SocketDirectory sockets;
    const std::string cache = dir_.Path() + "/cache";
    const std::string output = dir_.Path() + "/cache-output.txt";
    auto fill = [&] {
        fs::remove(output);
        SpawnOptions options;
        options.program = BinDir() + "/vantory";
        options.arguments = {"--private", "thumb", "--cache", jpeg_, png_};
        options.environment = {{"XDG_CACHE_HOME", cache}};
        options.outputPath = output;
        ChildProcess command(options);
        EXPECT_EQ(command.WaitDescribed(), "exit 0") << ReadFile(output);
        return ReadFile(output);
    };
    auto entry = [&](const std::string& file, const char* flavour) {
        const std::string uri = shell::FileUri(fs::canonical(file).string());
        return cache + "/thumbnails/" + flavour + "/" +
               Output("printf %s '" + uri + "' | md5sum | cut -c1-32") + ".png";
    };
    // Rewriting goes through a rename: a new inode tells a rewritten entry from a kept one.
    auto inode = [](const std::string& path) {
        struct stat info {};
        return stat(path.c_str(), &info) == 0 ? info.st_ino : ino_t(0);
    };
    EXPECT_NE(fill().find("2 cached, 0 up to date, 0 failed"), std::string::npos);
    const ino_t jpegLarge = inode(entry(jpeg_, "large"));
    const ino_t pngLarge = inode(entry(png_, "large"));
    ASSERT_NE(jpegLarge, 0u);
    EXPECT_NE(fill().find("0 cached, 2 up to date, 0 failed"), std::string::npos);
    EXPECT_EQ(inode(entry(jpeg_, "large")), jpegLarge);

    // The photo changed since (a new modification time); the drawing lost one flavour.
    ASSERT_TRUE(Make("touch -d '2001-02-03 04:05:06' '" + jpeg_ + "'"));
    fs::remove(entry(png_, "x-large"));
    EXPECT_NE(fill().find("2 cached, 0 up to date, 0 failed"), std::string::npos);
    EXPECT_NE(inode(entry(jpeg_, "large")), jpegLarge);
    EXPECT_NE(inode(entry(png_, "large")), pngLarge);
    EXPECT_EQ(Output("exiftool -s3 -ThumbMTime '" + entry(jpeg_, "normal") + "'"),
              Output("stat -c %Y '" + jpeg_ + "'"));
    EXPECT_TRUE(fs::exists(entry(png_, "x-large")));
}

}  // namespace
