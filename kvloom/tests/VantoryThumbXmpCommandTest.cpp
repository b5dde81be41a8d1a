// `vantory thumb` and `vantory xmp` on the repository's sample files, through a private
// instance: the JPEGs they write, the properties they print, and their exit codes.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "kvloom/tests/RequestTestSupport.h"
#include "kvloom/tests/ServiceHarness.h"

namespace {

using namespace svctest;
namespace fs = std::filesystem;

class VantoryThumbXmpCommandTest : public testing::Test {
protected:
    std::string Vantory(std::vector<std::string> arguments) {
        SpawnOptions options;
        options.program = BinDir() + "/vantory";
        arguments.insert(arguments.begin(), {"--private", "--daemon", DaemonPath()});
        options.arguments = std::move(arguments);
        options.outputPath = dir_.Path() + "/output-" + std::to_string(++runs_) + ".txt";
        ChildProcess command(options);
        const std::string status = command.WaitDescribed();
        output = ReadFile(options.outputPath);
        return status;
    }
    static std::string Sample(const char* name) {
        const std::string path = std::string(VANTORY_SOURCE_DIR) + "/samples/" + name;
        EXPECT_TRUE(fs::exists(path)) << "missing sample " << path;
        return path;
    }

    TempDir dir_;
    int runs_ = 0;
    std::string output;
};

TEST_F(VantoryThumbXmpCommandTest, ThumbWritesOneUprightJPEGPerFileAndSize) {
    const std::string out = dir_.Path() + "/thumbs";
    ASSERT_EQ(Vantory({"thumb", Sample("exif-orientation-6.jpg"), Sample("xmp-thumbnail.jpg"),
                       "--size", "128,32", "--out", out}),
              "exit 0")
        << output;
    const reqtest::DecodedJPEG upright =
        reqtest::Djpeg(reqtest::ReadBytes(out + "/exif-orientation-6-128.jpg"), out + "/x.jpg");
    EXPECT_EQ(upright.width, 96);
    EXPECT_EQ(upright.height, 128);
    EXPECT_TRUE(upright.RedAt(5, 5));
    for (const char* name :
         {"exif-orientation-6-32.jpg", "xmp-thumbnail-128.jpg", "xmp-thumbnail-32.jpg"}) {
        EXPECT_GT(reqtest::Djpeg(reqtest::ReadBytes(out + "/" + name), out + "/x.jpg").width, 0)
            << name;
    }
    // One bad file among good ones: the others are still written, the status says so.
    EXPECT_EQ(Vantory({"thumb", dir_.Path() + "/missing.jpg", Sample("exif-thumbnail.jpg"), "--out",
                       out}),
              "exit 1");
    EXPECT_NE(output.find("KVFileNotFound"), std::string::npos) << output;
    EXPECT_TRUE(fs::exists(out + "/exif-thumbnail-256.jpg"));
    EXPECT_EQ(Vantory({"thumb", "--size", "x", Sample("exif-thumbnail.jpg")}), "exit 64");
}

TEST_F(VantoryThumbXmpCommandTest, XmpGetSetAndParse) {
    ASSERT_EQ(Vantory({"xmp", "get", Sample("xmp-thumbnail.jpg"), "--json"}), "exit 0") << output;
    EXPECT_NE(output.find("\"dc:title[1]\": \"Sample with a stored thumbnail\""), std::string::npos)
        << output;
    EXPECT_EQ(output.find("xmpGImg:image"), std::string::npos);

    const std::string copy = dir_.Path() + "/copy.jpg";
    fs::copy_file(Sample("exif-thumbnail.jpg"), copy);
    reqtest::WriteBytes(dir_.Path() + "/packet.xmp", reqtest::Packet("<xmp:Rating>5</xmp:Rating>"));
    ASSERT_EQ(Vantory({"xmp", "set", copy, dir_.Path() + "/packet.xmp"}), "exit 0") << output;
    EXPECT_EQ(reqtest::ExiftoolRead("XMP-xmp:Rating", copy), "5");

    reqtest::WriteBytes(dir_.Path() + "/bad.xmp", "<not-closed>");
    EXPECT_EQ(Vantory({"xmp", "parse", dir_.Path() + "/bad.xmp"}), "exit 1");
    EXPECT_NE(output.find("kLoomIO_XMPBadXML"), std::string::npos) << output;
    EXPECT_EQ(Vantory({"xmp", "get"}), "exit 64");
}

}  // namespace
