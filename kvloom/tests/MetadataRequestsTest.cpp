// getMainPacket, updateMainPacket and parseRawXMP against the real service, on files of the
// kinds our XMP layer handles, with exiftool as the independent reader and writer.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <thread>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvloom/tests/RequestTestSupport.h"
#include "kvloom/tests/ServiceHarness.h"

namespace {

using namespace reqtest;
using vantory::client::Reply;

class MetadataRequestsTest : public testing::Test {
protected:
    MetadataRequestsTest() : service_(true, 2) {}

    Reply Call(const char* function, const Params& params, size_t connection = 0) {
        return service_.Connection(connection).Call(function, params.Map());
    }
    std::string File(const std::string& name) const { return dir_.Path() + "/" + name; }
    static std::string Why(const Reply& reply) {
        return TextOf(reply.result.get(), "errReason") + ": " +
               TextOf(reply.result.get(), "errWhy");
    }
    void ExpectStillServing() {
        EXPECT_TRUE(Call("parseRawXMP", Params().Bytes("xmp", Packet(""))).succeeded);
    }

    kvfoundation::base::AutoReleasePool pool_;
    svctest::TempDir dir_;
    svctest::RunningService service_;
};

// Every kind of file our XMP layer reads and writes, made by ImageMagick and tagged by
// exiftool: the service reads what exiftool wrote, and exiftool reads what the service wrote.
TEST_F(MetadataRequestsTest, ReadsAndWritesWhatExiftoolSeesInEveryFormat) {
    for (const char* name : {"photo.jpg", "image.png", "image.tif", "image.gif", "layers.psd"}) {
        SCOPED_TRACE(name);
        const std::string path = File(name);
        MakeScene(path, 120, 90);
        Exiftool("-XMP-dc:Title=Before -XMP-dc:Subject=one -XMP-dc:Subject=two", path);

        Reply read = Call("getMainPacket", Params().Str("filePath", path));
        ASSERT_TRUE(read.succeeded) << Why(read);
        EXPECT_EQ(PropertyOf(read.result.get(), "dc:title[1]"), "Before");
        EXPECT_EQ(PropertyOf(read.result.get(), "dc:subject[2]"), "two");
        EXPECT_EQ(NumberOf(read.result.get(), "writeCapability"), 2);

        // The packet as read, with the title changed, goes back into the file.
        std::string packet = BytesOf(read.result.get(), "xmp");
        const size_t at = packet.find(">Before<");
        ASSERT_NE(at, std::string::npos);
        packet.replace(at, 8, ">After the update<");
        Reply update =
            Call("updateMainPacket", Params().Str("filePath", path).Bytes("xmp", packet));
        ASSERT_TRUE(update.succeeded) << Why(update);
        EXPECT_EQ(PropertyOf(update.result.get(), "dc:title[1]"), "After the update");
        EXPECT_EQ(ExiftoolRead("XMP-dc:Title", path), "After the update");
        EXPECT_EQ(ExiftoolRead("XMP-dc:Subject", path), "one, two");
        // The picture itself is untouched.
        EXPECT_EQ(ExiftoolRead("ImageWidth", path), "120");
    }
}

TEST_F(MetadataRequestsTest, RealWorldFilesReadAsExiftoolReadsThem) {
    for (const std::string relative :
         {"/tiff/pil-tiff_adobe_deflate-icc-xmp.tif", "/jpeg/mei-Android_Depth_Map-extxmp.jpg"}) {
        const std::string path = VANTORY_CORPUS_DIR + relative;
        ASSERT_TRUE(std::filesystem::exists(path)) << "missing test file " << path;
        Reply read = Call("getMainPacket", Params().Str("filePath", path));
        ASSERT_TRUE(read.succeeded) << Why(read);
        // Every simple top-level property that exiftool lists by its XMP name is there.
        const std::string tool = ExiftoolRead("XMP-xmp:CreatorTool", path);
        if (!tool.empty()) {
            EXPECT_EQ(PropertyOf(read.result.get(), "xmp:CreatorTool"), tool) << path;
        }
        EXPECT_FALSE(BytesOf(read.result.get(), "xmp").empty()) << path;
    }
}

TEST_F(MetadataRequestsTest, FilesWithoutXMPAndBasicReplies) {
    const std::string plain = File("plain.jpg");
    MakeScene(plain, 40, 30);
    Reply none = Call("getMainPacket", Params().Str("filePath", plain));
    ASSERT_TRUE(none.succeeded) << Why(none);
    EXPECT_EQ(none.result->Count(), 2);  // writeCapability and isRawlith only
    EXPECT_EQ(NumberOf(none.result.get(), "writeCapability"), 2);  // JPEG can take a packet

    Exiftool("-XMP-xmp:Rating=4", plain);
    Reply basic = Call("getMainPacket", Params().Str("filePath", plain).Bool("basicXMP", true));
    ASSERT_TRUE(basic.succeeded) << Why(basic);
    EXPECT_EQ(basic.result->Count(), 3);
    EXPECT_NE(BytesOf(basic.result.get(), "xmp").find("Rating"), std::string::npos);

    // "mov" names a format the XMP layer leaves alone: nothing read, nothing written.
    const std::string movie = File("clip.mov");
    std::filesystem::copy_file(plain, movie);
    const std::string before = ReadBytes(movie);
    Reply mov = Call("getMainPacket", Params().Str("filePath", movie));
    EXPECT_EQ(mov.result->Count(), 2);
    EXPECT_EQ(NumberOf(mov.result.get(), "writeCapability"), 0);
    Reply write =
        Call("updateMainPacket",
             Params().Str("filePath", movie).Bytes("xmp", Packet("<xmp:Rating>1</xmp:Rating>")));
    ASSERT_TRUE(write.succeeded) << Why(write);
    EXPECT_EQ(PropertyOf(write.result.get(), "xmp:Rating"), "1");
    EXPECT_TRUE(ReadBytes(movie) == before) << "the file changed";
}

TEST_F(MetadataRequestsTest, MalformedPacketsLeaveFilesByteIdentical) {
    const std::string path = File("keep.jpg");
    MakeScene(path, 40, 30);
    Exiftool("-XMP-dc:Title=Kept", path);
    const std::string before = ReadBytes(path);
    for (const std::string& packet :
         {std::string("not xml at all"), std::string("<x:xmpmeta><unclosed>"),
          std::string("<a>\xff\xfe</a>")}) {
        Reply reply = Call("updateMainPacket", Params().Str("filePath", path).Bytes("xmp", packet));
        EXPECT_FALSE(reply.succeeded);
        EXPECT_EQ(TextOf(reply.result.get(), "errReason"), "kLoomIO_XMPBadXML") << Why(reply);
        EXPECT_NE(TextOf(reply.result.get(), "errWhy").find("XMPError <201>"), std::string::npos);
    }
    // Too large to be a packet: refused before it is parsed.
    Reply huge = Call("updateMainPacket",
                      Params().Str("filePath", path).Bytes("xmp", std::string(17u << 20, ' ')));
    EXPECT_EQ(TextOf(huge.result.get(), "errReason"), "kLoomIO_BadRequest") << Why(huge);
    EXPECT_NE(TextOf(huge.result.get(), "errWhy").find("at most"), std::string::npos);
    EXPECT_TRUE(ReadBytes(path) == before) << "the file changed";

    // A file whose own packet is broken fails the read with the XML error.
    std::string broken = before;
    const size_t at = broken.find("<dc:title>");
    ASSERT_NE(at, std::string::npos);
    broken.replace(at, 10, "<dc:title<");
    WriteBytes(path, broken);
    Reply read = Call("getMainPacket", Params().Str("filePath", path));
    EXPECT_EQ(TextOf(read.result.get(), "errReason"), "kLoomIO_XMPBadXML") << Why(read);
    ExpectStillServing();
}

TEST_F(MetadataRequestsTest, BadFilesAndParametersGetClearErrors) {
    const std::string empty = File("empty.jpg");
    WriteBytes(empty, "");
    struct Case {
        const char* function;
        Params params;
        const char* reason;
        const char* says;
    };
    const std::string packet = Packet("<xmp:Rating>1</xmp:Rating>");
    const Case cases[] = {
        {"getMainPacket", Params().Str("filePath", File("missing.jpg")), "KVFileNotFound",
         "No such file"},
        {"getMainPacket", Params().Str("filePath", dir_.Path()), "KVSysError", "directory"},
        {"updateMainPacket", Params().Str("filePath", File("missing.jpg")).Bytes("xmp", packet),
         "KVFileNotFound", "missing.jpg"},
        {"getMainPacket", Params(), "kLoomIO_BadRequest", "missing parameter: filePath"},
        {"parseRawXMP", Params(), "kLoomIO_BadRequest", "missing parameter: xmp"},
        {"parseRawXMP", Params().Str("xmp", packet), "KVBadCast", "Cannot cast"},
        {"parseRawXMP", Params().Bytes("xmp", packet).Sizes({0}), "kLoomIO_BadRequest",
         "sizes[0] is 0"},
        {"parseRawXMP", Params().Bytes("xmp", packet).Sizes({512, -5}), "kLoomIO_BadRequest",
         "sizes[1] is -5"},
        {"parseRawXMP", Params().Bytes("xmp", packet).Sizes({1ll << 40}), "kLoomIO_BadRequest",
         "sizes[0]"},
        {"updateMainPacket", Params().Str("filePath", empty).Bytes("xmp", packet),
         "kLoomIO_XMPError", "XMPError <"},
    };
    for (const Case& c : cases) {
        Reply reply = Call(c.function, c.params);
        EXPECT_FALSE(reply.succeeded) << c.function << " " << c.says;
        EXPECT_NE(TextOf(reply.result.get(), "errReason").find(c.reason), std::string::npos)
            << Why(reply);
        EXPECT_NE(TextOf(reply.result.get(), "errWhy").find(c.says), std::string::npos)
            << Why(reply);
    }
    // A 0-byte file has no packet to read, which is no error.
    Reply read = Call("getMainPacket", Params().Str("filePath", empty));
    EXPECT_TRUE(read.succeeded) << Why(read);
    EXPECT_EQ(ReadBytes(empty), "");

    if (::geteuid() != 0) {  // root reads and writes everything
        const std::string locked = File("locked.jpg");
        MakeScene(locked, 20, 20);
        ::chmod(locked.c_str(), 0400);
        Reply write =
            Call("updateMainPacket", Params().Str("filePath", locked).Bytes("xmp", packet));
        EXPECT_NE(TextOf(write.result.get(), "errReason").find("KVAccessDenied"), std::string::npos)
            << Why(write);
        ::chmod(locked.c_str(), 0000);
        Reply get = Call("getMainPacket", Params().Str("filePath", locked));
        EXPECT_NE(TextOf(get.result.get(), "errReason").find("KVAccessDenied"), std::string::npos)
            << Why(get);
    }
    ExpectStillServing();
}

// Two connections write the same file at once: afterwards it holds one of the two packets,
// whole, and each request either succeeded or was told the file changed under it.
TEST_F(MetadataRequestsTest, ConcurrentUpdatesLeaveOneWholePacket) {
    const std::string path = File("shared.jpg");
    MakeScene(path, 400, 300);
    for (int round = 0; round < 5; ++round) {
        Reply replies[2];
        std::thread second([&] {
            kvfoundation::base::AutoReleasePool pool;
            replies[1] = Call("updateMainPacket",
                              Params()
                                  .Str("filePath", path)
                                  .Bytes("xmp", Packet("<xmp:Label>second</xmp:Label>")),
                              1);
        });
        replies[0] = Call(
            "updateMainPacket",
            Params().Str("filePath", path).Bytes("xmp", Packet("<xmp:Label>first</xmp:Label>")));
        second.join();
        for (const Reply& reply : replies) {
            EXPECT_TRUE(reply.succeeded ||
                        TextOf(reply.result.get(), "errWhy").find("changed") != std::string::npos)
                << Why(reply);
        }
        const std::string label = ExiftoolRead("XMP-xmp:Label", path);
        EXPECT_TRUE(label == "first" || label == "second") << label;
        EXPECT_EQ(ExiftoolRead("ImageWidth", path), "400");
    }
}

}  // namespace
