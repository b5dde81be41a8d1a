// The packet reply built from a parsed tree: which leaves are listed, which namespaces are
// reported, and which stored thumbnails come back unchanged, re-encoded or not at all; and
// the choice of the stored thumbnail for a requested size.
#include <gtest/gtest.h>

#include "HXJPEG.h"
#include "kvfoundation/base/AutoReleasePool.h"
#include "kvloom/metadata/PacketReply.h"
#include "kvloom/metadata/PacketThumbnails.h"
#include "kvloom/tests/RequestTestSupport.h"
#include "kvloom/tests/ServiceHarness.h"

namespace {

using namespace reqtest;

class PacketReplyTest : public testing::Test {
protected:
    static void SetUpTestSuite() { HXJPEGLibInit(); }

    // A JPEG of the scene at width x height, Base64-encoded for a packet.
    std::string SceneBase64(int width, int height) {
        const std::string path =
            dir_.Path() + "/scene-" + std::to_string(width) + "x" + std::to_string(height) + ".jpg";
        MakeScene(path, width, height);
        return Base64Of(path);
    }

    data::IKVMutableMap* Reply(const std::string& body, kvloom::PacketThumbnailSizes sizes = {},
                               bool basic = false) {
        data::IKVMutableMap* results = data::CreateMutableMap(0);
        kvloom::PutPacketReply(xmp::TXMPMeta(Packet(body)), sizes, basic, results);
        return results;
    }

    kvfoundation::base::AutoReleasePool pool_;
    svctest::TempDir dir_;
};

TEST_F(PacketReplyTest, ListsLeavesWithoutThumbnailImagesAndTheirNamespaces) {
    data::IKVMap* reply = Reply(
        "<dc:title><rdf:Alt><rdf:li xml:lang=\"x-default\">Title</rdf:li></rdf:Alt></dc:title>" +
        ThumbnailsArray(ThumbnailItem("JPEG", 100, 80, SceneBase64(100, 80))));
    EXPECT_EQ(PropertyOf(reply, "dc:title[1]"), "Title");
    EXPECT_EQ(PropertyOf(reply, "dc:title[1]/xml:lang"), "x-default");
    EXPECT_EQ(PropertyOf(reply, "xmp:Thumbnails[1]/xmpGImg:width"), "100");
    EXPECT_EQ(PropertyOf(reply, "xmp:Thumbnails[1]/xmpGImg:image"), std::nullopt);

    auto* namespaces =
        dynamic_cast<data::IKVMap*>(reply->ObjectForKey(data::Literal("namespaces")));
    ASSERT_NE(namespaces, nullptr);
    EXPECT_EQ(TextOf(namespaces, "dc"), "http://purl.org/dc/elements/1.1/");
    EXPECT_EQ(TextOf(namespaces, "xml"), "http://www.w3.org/XML/1998/namespace");
    EXPECT_EQ(TextOf(namespaces, "xmpGImg"), "http://ns.adobe.com/xap/1.0/g/img/");
    EXPECT_EQ(namespaces->Count(), 4);  // and xmp; tiff is declared but unused

    // The serialised packet parses back to the same properties.
    const std::string packet = BytesOf(reply, "xmp");
    data::IKVMap* again = Reply("");
    kvloom::PutPacketReply(xmp::TXMPMeta(packet), {}, false,
                           static_cast<data::IKVMutableMap*>(again));
    EXPECT_EQ(PropertyOf(again, "dc:title[1]"), "Title");
}

TEST_F(PacketReplyTest, BasicReplyHoldsThePacketAlone) {
    data::IKVMap* reply = Reply("<xmp:Rating>2</xmp:Rating>", {}, true);
    EXPECT_EQ(reply->Count(), 1);
    EXPECT_NE(BytesOf(reply, "xmp").find("Rating"), std::string::npos);
}

TEST_F(PacketReplyTest, SmallUprightJPEGComesBackUnchangedInTheSecondEntry) {
    const std::string image = SceneBase64(100, 80);
    data::IKVList* thumbnails =
        ListOf(Reply(ThumbnailsArray(ThumbnailItem("JPEG", 100, 80, image))), "thumbnails");
    ASSERT_NE(thumbnails, nullptr);
    ASSERT_EQ(thumbnails->Count(), 2);
    EXPECT_EQ(MapAt(thumbnails, 0), nullptr);
    data::IKVMap* entry = MapAt(thumbnails, 1);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(BytesOf(entry, "data"), ReadBytes(dir_.Path() + "/scene-100x80.jpg"));
    EXPECT_EQ(NumberOf(entry, "width"), 100);
    EXPECT_EQ(NumberOf(entry, "height"), 80);
    EXPECT_EQ(TextOf(entry, "format"), "JPEG");
    EXPECT_EQ(TextOf(entry, "mimetype"), "image/jpeg");
}

TEST_F(PacketReplyTest, OrientationSixTurnsAndReEncodes) {
    data::IKVList* thumbnails =
        ListOf(Reply("<tiff:Orientation>6</tiff:Orientation>" +
                     ThumbnailsArray(ThumbnailItem("JPEG", 100, 80, SceneBase64(100, 80)))),
               "thumbnails");
    data::IKVMap* entry = MapAt(thumbnails, 1);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(MapAt(thumbnails, 0), nullptr);  // no larger than the small size
    const DecodedJPEG decoded = Djpeg(BytesOf(entry, "data"), dir_.Path() + "/out.jpg");
    ASSERT_EQ(decoded.width, 80);
    ASSERT_EQ(decoded.height, 100);
    EXPECT_EQ(NumberOf(entry, "width"), 80);
    // Turned clockwise: the red top-left corner is now the top-right one.
    EXPECT_TRUE(decoded.RedAt(75, 5));
    EXPECT_FALSE(decoded.RedAt(5, 95));
}

TEST_F(PacketReplyTest, LargeJPEGIsFittedToBothSizesAndTheTallestWins) {
    const std::string items = ThumbnailItem("JPEG", 200, 150, SceneBase64(200, 150)) +
                              ThumbnailItem("JPEG", 400, 300, SceneBase64(400, 300)) +
                              ThumbnailItem("JPEG", 300, 225, SceneBase64(300, 225));
    data::IKVList* thumbnails = ListOf(Reply(ThumbnailsArray(items), {256, 64}), "thumbnails");
    const DecodedJPEG large = Djpeg(BytesOf(MapAt(thumbnails, 0), "data"), dir_.Path() + "/l.jpg");
    const DecodedJPEG small = Djpeg(BytesOf(MapAt(thumbnails, 1), "data"), dir_.Path() + "/s.jpg");
    EXPECT_EQ(large.width, 256);
    EXPECT_EQ(large.height, 192);
    EXPECT_EQ(small.width, 64);
    EXPECT_EQ(small.height, 48);
}

TEST_F(PacketReplyTest, GifItemsFillOnlyTheFirstEntry) {
    const std::string items = ThumbnailItem("AGIF", 50, 40, "R0lGODlhAQABAAAAACw=") +
                              ThumbnailItem("AGIF", 60, 50, "R0lGODlhAQABAAAAACwAAAAA");
    data::IKVList* thumbnails = ListOf(Reply(ThumbnailsArray(items)), "thumbnails");
    data::IKVMap* gif = MapAt(thumbnails, 0);
    ASSERT_NE(gif, nullptr);
    EXPECT_EQ(NumberOf(gif, "height"), 50);
    EXPECT_EQ(TextOf(gif, "mimetype"), "image/gif");
    EXPECT_EQ(TextOf(gif, "format"), "AGIF");
    EXPECT_EQ(MapAt(thumbnails, 1), nullptr);
}

TEST_F(PacketReplyTest, DamagedItemsAreSkippedWithoutFailing) {
    // No height; Base64 that is not. (An item small enough to go back unchanged is not
    // decoded, so its bytes are the client's to judge.) Then PageInfo is used.
    const std::string items =
        "<rdf:li rdf:parseType=\"Resource\"><xmpGImg:format>JPEG</xmpGImg:format>"
        "<xmpGImg:width>10</xmpGImg:width><xmpGImg:image>AAAA</xmpGImg:image></rdf:li>";
    for (const std::string& body :
         {ThumbnailsArray(items), ThumbnailsArray(ThumbnailItem("JPEG", 10, 10, "!!!")),
          ThumbnailsArray(ThumbnailItem("JPEG", 500, 500, "AAAA")) /* not a JPEG */}) {
        data::IKVList* thumbnails = ListOf(Reply(body), "thumbnails");
        ASSERT_NE(thumbnails, nullptr);
        EXPECT_EQ(MapAt(thumbnails, 0), nullptr);
        EXPECT_EQ(MapAt(thumbnails, 1), nullptr);
    }
    const std::string pageInfo = "<xmp:PageInfo><rdf:Seq>" +
                                 ThumbnailItem("JPEG", 100, 80, SceneBase64(100, 80)) +
                                 "</rdf:Seq></xmp:PageInfo>";
    EXPECT_NE(MapAt(ListOf(Reply(pageInfo), "thumbnails"), 1), nullptr);
}

TEST_F(PacketReplyTest, StoredThumbnailChoiceForARequestedSize) {
    auto choose = [](const std::vector<int>& sides, int size) {
        std::string items;
        for (int side : sides) {
            items += ThumbnailItem("JPEG", side, side / 2, "AAAA");
        }
        items += ThumbnailItem("AGIF", size, size, "AAAA");  // never chosen
        return kvloom::ChooseStoredThumbnail(xmp::TXMPMeta(Packet(ThumbnailsArray(items))), size)
            .width;
    };
    EXPECT_EQ(choose({256, 128, 512}, 128), 128);  // an equal side ends the walk
    EXPECT_EQ(choose({128, 512}, 128), 512);       // the first item is not tested for equality
    EXPECT_EQ(choose({600, 300, 900}, 256), 300);  // the smallest of those above the size
    EXPECT_EQ(choose({100, 200, 150}, 256), 200);  // else the largest
    EXPECT_EQ(choose({}, 256), 0);

    const std::string pageOnly = "<xmp:PageInfo><rdf:Seq>" + ThumbnailItem("JPEG", 70, 50, "AAAA") +
                                 "</rdf:Seq></xmp:PageInfo>";
    EXPECT_EQ(kvloom::ChooseStoredThumbnail(xmp::TXMPMeta(Packet(pageOnly)), 256).width, 70);
}

}  // namespace
