// createThumbnail against the real service: stored thumbnail or engine, orientation from Exif
// and from XMP, the size cascade, the request's link for another extension, and bad input.
// djpeg decodes every JPEG that comes back.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvloom/tests/RequestTestSupport.h"
#include "kvloom/tests/ServiceHarness.h"

namespace {

using namespace reqtest;
using vantory::client::Reply;
namespace fs = std::filesystem;

class ThumbnailRequestsTest : public testing::Test {
protected:
    ThumbnailRequestsTest() : service_(false, 1) {}

    Reply Thumbnail(const Params& params) {
        return service_.Connection(0).Call("createThumbnail", params.Map());
    }
    std::string File(const std::string& name) const { return dir_.Path() + "/" + name; }
    static std::string Why(const Reply& reply) {
        return TextOf(reply.result.get(), "errReason") + ": " +
               TextOf(reply.result.get(), "errWhy");
    }
    // Entry `i` of a successful reply, decoded by djpeg; its map's size must be the image's.
    DecodedJPEG Entry(const Reply& reply, int32_t i) {
        data::IKVMap* entry = MapAt(ListOf(reply.result.get(), "thumbnails"), i);
        if (entry == nullptr) {
            ADD_FAILURE() << "no entry " << i;
            return {};
        }
        DecodedJPEG image = Djpeg(BytesOf(entry, "data"), File("entry.jpg"));
        EXPECT_GT(image.width, 0) << "djpeg refused entry " << i;
        EXPECT_EQ(NumberOf(entry, "width"), image.width);
        EXPECT_EQ(NumberOf(entry, "height"), image.height);
        EXPECT_EQ(TextOf(entry, "mimetype"), "image/jpeg");
        return image;
    }
    // A JPEG of the scene at width x height with an XMP packet holding `body` plus a stored
    // JPEG thumbnail of the scene at storedWidth x storedHeight (none when 0).
    std::string PhotoWithPacket(const std::string& name, int width, int height, int storedWidth,
                                int storedHeight, const std::string& body = "") {
        const std::string path = File(name);
        MakeScene(path, width, height);
        std::string thumbnails;
        if (storedWidth > 0) {
            MakeScene(File("stored.jpg"), storedWidth, storedHeight);
            thumbnails = ThumbnailsArray(
                ThumbnailItem("JPEG", storedWidth, storedHeight, Base64Of(File("stored.jpg"))));
        }
        WriteBytes(File("packet.xmp"), Packet(body + thumbnails));
        Exiftool("\"-xmp<=" + File("packet.xmp") + "\"", path);
        return path;
    }

    kvfoundation::base::AutoReleasePool pool_;
    svctest::TempDir dir_;
    svctest::RunningService service_;
};

TEST_F(ThumbnailRequestsTest, StoredThumbnailWhenLargeEnoughElseTheEngine) {
    const std::string path = PhotoWithPacket("stored.jpg.photo.jpg", 800, 600, 160, 120);
    const std::string stored = ReadBytes(File("stored.jpg"));

    // Too small for 256: the engine renders, and 64 is made from the 256 image.
    Reply engine = Thumbnail(Params().Str("filePath", path).Sizes({256, 64}));
    ASSERT_TRUE(engine.succeeded) << Why(engine);
    EXPECT_EQ(Entry(engine, 0).width, 256);
    EXPECT_EQ(Entry(engine, 1).width, 64);
    EXPECT_EQ(Entry(engine, 1).height, 48);

    // Exactly large enough, one size, no turn: the stored bytes themselves.
    Reply same = Thumbnail(Params().Str("filePath", path).Sizes({160}));
    ASSERT_TRUE(same.succeeded) << Why(same);
    data::IKVMap* entry = MapAt(ListOf(same.result.get(), "thumbnails"), 0);
    EXPECT_TRUE(BytesOf(entry, "data") == stored) << "the stored thumbnail was re-encoded";
    EXPECT_EQ(NumberOf(entry, "width"), 160);

    // Two sizes: the stored one decoded, then the cascade.
    Reply two = Thumbnail(Params().Str("filePath", path).Sizes({120, 50}).Int("quality", 12));
    ASSERT_TRUE(two.succeeded) << Why(two);
    EXPECT_EQ(Entry(two, 0).width, 120);
    EXPECT_EQ(Entry(two, 1).width, 50);
    EXPECT_EQ(Entry(two, 1).height, 37);
}

TEST_F(ThumbnailRequestsTest, TurnedUprightByExifOrXMPOrientation) {
    struct Turn {
        int code;
        const char* rotate;  // what ImageMagick does to the upright scene to store it so
    };
    for (const Turn turn : {Turn{3, "180"}, Turn{6, "-90"}, Turn{8, "90"}}) {
        for (const bool inXMP : {false, true}) {
            SCOPED_TRACE(std::to_string(turn.code) + (inXMP ? " in XMP" : " in Exif"));
            const std::string path = File("turned.jpg");
            MakeScene(File("upright.png"), 400, 300);
            ASSERT_TRUE(
                Shell("convert " + File("upright.png") + " -rotate " + turn.rotate + " " + path));
            if (inXMP) {
                WriteBytes(File("packet.xmp"),
                           Packet("<tiff:Orientation>" + std::to_string(turn.code) +
                                  "</tiff:Orientation>"));
                Exiftool("\"-xmp<=" + File("packet.xmp") + "\"", path);
            } else {
                Exiftool("-n -Orientation=" + std::to_string(turn.code), path);
            }
            Reply reply = Thumbnail(Params().Str("filePath", path).Sizes({200}));
            ASSERT_TRUE(reply.succeeded) << Why(reply);
            const DecodedJPEG image = Entry(reply, 0);
            ASSERT_EQ(image.width, 200);
            ASSERT_EQ(image.height, 150);
            EXPECT_TRUE(image.RedAt(10, 10)) << "the red corner is not top-left";
            EXPECT_FALSE(image.RedAt(190, 140));
        }
    }

    // A camera's file: 640 x 480 stored, orientation 6.
    const std::string camera = VANTORY_CORPUS_DIR "/jpeg/mei-Samsung_GT-I9000_orient6.jpg";
    ASSERT_TRUE(fs::exists(camera)) << "missing test file " << camera;
    Reply reply = Thumbnail(Params().Str("filePath", camera).Sizes({256}));
    ASSERT_TRUE(reply.succeeded) << Why(reply);
    EXPECT_EQ(Entry(reply, 0).width, 192);
    EXPECT_EQ(Entry(reply, 0).height, 256);
}

TEST_F(ThumbnailRequestsTest, CascadeAndQuality) {
    const std::string path = File("noise.jpg");
    ASSERT_TRUE(Shell("convert -size 900x600 xc: +noise Random " + path));
    Reply cascade = Thumbnail(Params().Str("filePath", path).Sizes({300, 150, 75, 400}));
    ASSERT_TRUE(cascade.succeeded) << Why(cascade);
    ASSERT_EQ(ListOf(cascade.result.get(), "thumbnails")->Count(), 4);
    EXPECT_EQ(Entry(cascade, 0).width, 300);
    EXPECT_EQ(Entry(cascade, 1).width, 150);
    EXPECT_EQ(Entry(cascade, 2).width, 75);
    EXPECT_EQ(Entry(cascade, 3).width, 75);  // never enlarged from the step before
    EXPECT_EQ(cascade.result->ObjectForKey(data::Literal("pagecount")), nullptr);

    size_t bytes[2] = {};
    for (const int quality : {0, 12}) {
        Reply reply =
            Thumbnail(Params().Str("filePath", path).Sizes({200}).Int("quality", quality));
        ASSERT_TRUE(reply.succeeded) << Why(reply);
        Entry(reply, 0);
        bytes[quality / 12] =
            BytesOf(MapAt(ListOf(reply.result.get(), "thumbnails"), 0), "data").size();
    }
    EXPECT_LT(bytes[0], bytes[1]);
}

TEST_F(ThumbnailRequestsTest, LinkForAnotherExtensionIsRemovedAndNeverReplacesAFile) {
    // A JPEG without extension is read through "<name>.jpg", which is gone afterwards.
    const std::string bare = File("photo");
    MakeScene(File("photo.jpg.src.jpg"), 300, 200);
    fs::rename(File("photo.jpg.src.jpg"), bare);
    Reply reply = Thumbnail(Params().Str("filePath", bare).Str("ext", "jpg").Sizes({100}));
    ASSERT_TRUE(reply.succeeded) << Why(reply);
    EXPECT_EQ(Entry(reply, 0).width, 100);
    EXPECT_FALSE(fs::exists(bare + ".jpg"));

    // A failed request removes it too.
    const std::string junk = File("junk");
    WriteBytes(junk, "this is not an image at all");
    Reply failed = Thumbnail(Params().Str("filePath", junk).Str("ext", "jpg").Sizes({100}));
    EXPECT_EQ(TextOf(failed.result.get(), "errReason"), "kLoomIO_NoThumb") << Why(failed);
    EXPECT_NE(TextOf(failed.result.get(), "errWhy").find(junk), std::string::npos);
    EXPECT_FALSE(fs::exists(junk + ".jpg"));

    // Another file under the link's name is neither used nor touched.
    WriteBytes(bare + ".jpg", "someone else's file");
    Reply other = Thumbnail(Params().Str("filePath", bare).Str("ext", "jpg").Sizes({100}));
    EXPECT_EQ(TextOf(other.result.get(), "errReason"), "kLoomIO_NoThumb") << Why(other);
    EXPECT_EQ(ReadBytes(bare + ".jpg"), "someone else's file");

    // The file's own link (made by someone else) is used and left in place.
    fs::remove(bare + ".jpg");
    fs::create_hard_link(bare, bare + ".jpg");
    Reply shared = Thumbnail(Params().Str("filePath", bare).Str("ext", "jpg").Sizes({100}));
    EXPECT_TRUE(shared.succeeded) << Why(shared);
    EXPECT_TRUE(fs::exists(bare + ".jpg"));
}

TEST_F(ThumbnailRequestsTest, LinkIsRemovedWhenTheClientHangsUpMidRequest) {
    const std::string big = File("big");
    ASSERT_TRUE(Shell("convert -size 4000x3000 xc: +noise Random jpg:" + big));
    auto socket = svctest::RawSocket::ConnectLocal(service_.EndpointPath());
    const std::string request = svctest::Wire()
                                    .List(2)
                                    .Str("createThumbnail")
                                    .Map(3)
                                    .Str("filePath")
                                    .Str(big)
                                    .Str("ext")
                                    .Str("jpg")
                                    .Str("sizes")
                                    .List(1)
                                    .Int(1024)
                                    .Bytes();
    ASSERT_TRUE(socket->Send(request));
    // Wait until the request has started (its link exists), then hang up.
    const auto deadline = svctest::Clock::now() + std::chrono::seconds(30);
    while (!fs::exists(big + ".jpg") && svctest::Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(fs::exists(big + ".jpg")) << "the request never made its link";
    socket.reset();
    while (fs::exists(big + ".jpg") && svctest::Clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    EXPECT_FALSE(fs::exists(big + ".jpg"));
    EXPECT_TRUE(service_.Child().Running());
}

TEST_F(ThumbnailRequestsTest, BadInputGetsAClearErrorAndTheServiceGoesOn) {
    const std::string good = File("good.jpg");
    MakeScene(good, 200, 150);
    const std::string empty = File("empty.jpg");
    WriteBytes(empty, "");
    const std::string truncated = File("truncated.jpg");
    const std::string whole = ReadBytes(good);
    WriteBytes(truncated, whole.substr(0, whole.size() / 3));
    struct Case {
        Params params;
        const char* reason;
        const char* says;
    };
    const Case cases[] = {
        {Params().Str("filePath", good), "kLoomIO_BadRequest", "missing parameter: sizes"},
        {Params().Str("filePath", good).Sizes({}), "kLoomIO_BadRequest",
         "missing parameter: sizes"},
        {Params().Str("filePath", good).Int("sizes", 256), "KVBadCast", "Cannot cast"},
        {Params().Str("filePath", good).Sizes({0}), "kLoomIO_BadRequest", "sizes[0] is 0"},
        {Params().Str("filePath", good).Sizes({64, -3}), "kLoomIO_BadRequest", "sizes[1] is -3"},
        {Params().Str("filePath", good).Sizes({100000}), "kLoomIO_BadRequest", "1..65535"},
        {Params().Str("filePath", good).Sizes(std::vector<int64_t>(65, 32)), "kLoomIO_BadRequest",
         "at most 64"},
        {Params().Str("filePath", good).Sizes({64}).Int("quality", 13), "KVIllegalArgument",
         "quality 13"},
        {Params().Str("filePath", good).Sizes({64}).Int("quality", -1), "KVIllegalArgument",
         "quality -1"},
        {Params().Str("filePath", good).Sizes({64}).Str("ext", "../x"), "kLoomIO_BadRequest",
         "'..'"},
        {Params().Str("filePath", good).Sizes({64}).Str("ext", "a/b"), "kLoomIO_BadRequest", "'/'"},
        {Params().Str("filePath", File("missing.jpg")).Sizes({64}), "KVFileNotFound",
         "No such file"},
        {Params().Str("filePath", dir_.Path()).Sizes({64}), "KVSysError", "directory"},
        {Params().Str("filePath", empty).Sizes({64}), "kLoomIO_NoThumb",
         "Failed to create thumb for file"},
        {Params().Sizes({64}), "kLoomIO_BadRequest", "missing parameter: filePath"},
    };
    for (const Case& c : cases) {
        Reply reply = Thumbnail(c.params);
        EXPECT_FALSE(reply.succeeded) << c.says;
        EXPECT_NE(TextOf(reply.result.get(), "errReason").find(c.reason), std::string::npos)
            << Why(reply);
        EXPECT_NE(TextOf(reply.result.get(), "errWhy").find(c.says), std::string::npos)
            << Why(reply);
    }
    // A truncated JPEG gives what the decoder recovers, or no thumbnail, never a crash.
    Reply partial = Thumbnail(Params().Str("filePath", truncated).Sizes({64}));
    if (partial.succeeded) {
        EXPECT_EQ(Entry(partial, 0).width, 64);
    } else {
        EXPECT_EQ(TextOf(partial.result.get(), "errReason"), "kLoomIO_NoThumb") << Why(partial);
    }
    EXPECT_TRUE(fs::is_empty(dir_.Path()) || !fs::exists(good + ".jpg"));
    Reply after = Thumbnail(Params().Str("filePath", good).Sizes({64}));
    EXPECT_TRUE(after.succeeded) << Why(after);
}

}  // namespace
