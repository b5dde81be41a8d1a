// Parse → serialise → parse keeps every leaf (path, value, options) of real-world packets, and
// the serialised packet has the form and the length asked for.
#include "XMPTestSupport.h"

namespace xmp::test {
namespace {

const std::string kCorpus = VANTORY_CORPUS_DIR;

void ExpectRoundTrip(const std::string& packet, const std::string& label) {
    SCOPED_TRACE(label);
    TXMPMeta first(packet);
    std::string serialised;
    first.SerializeToBuffer(&serialised);
    TXMPMeta second;
    try {
        second.ParseFromBuffer(serialised.data(), serialised.size());
    } catch (const XMPError& e) {
        FAIL() << "our own packet does not parse: " << e.what() << "\n" << serialised;
    }
    std::vector<std::string> before = FullLeafList(first);
    EXPECT_FALSE(before.empty()) << label;
    EXPECT_EQ(before, FullLeafList(second)) << label;
    EXPECT_EQ(first.GetObjectName(), second.GetObjectName()) << label;
}

TEST(RoundTripTest, CorpusPacketFiles) {
    for (const char* name : {"mei-APhotoManager-example.xmp", "mei-digikam-example.xmp",
                             "mei-exiftool-9.74-example.xmp"}) {
        ExpectRoundTrip(ReadSampleFile(kCorpus + "/xmp/" + name), name);
    }
}

// Packets inside corpus files, as exiftool extracts them.
TEST(RoundTripTest, PacketsInsideCorpusFiles) {
    for (const char* name :
         {"jpeg/jd-its-1cbb1bb3-progressive-ycck.jpg", "jpeg/mei-Multiple_ICC_segments-ycck.jpg",
          "jpeg/pil-pil_sample_cmyk-ycck.jpg", "jpeg/mei-Android_Depth_Map-extxmp.jpg",
          "tiff/pil-hopper-Lab-xmp.tif", "tiff/pil-tiff_16bit_RGBa-icc-xmp.tiff",
          "psd/pil-hopper-rgb8-layers.psd", "psd/psdt-colormodes-4x4_8bit_lab.psd",
          "psd/psdt-unicode_pathname-no-composite.psd",
          "pdf/qpdf-minimal-signed-restricted-certified.pdf",
          "pdf/pdfjs-issue269_1-illustrator-xmp-thumbnails.pdf",
          "pdf/pdfjs-page_with_number_and_link-17pages.pdf"}) {
        std::string path = kCorpus + "/" + name;
        ReadSampleFile(path);  // fails naming the file when it is missing
        std::string packet = RunCommand("exiftool -xmp -b '" + path + "'");
        ASSERT_FALSE(packet.empty()) << "exiftool found no XMP in " << path;
        ExpectRoundTrip(packet, name);
    }
}

TEST(RoundTripTest, DefaultPacketHasWrapperAndPadding) {
    TXMPMeta meta(
        RDFPacket("<rdf:Description rdf:about=''><dc:format>image/jpeg</dc:format>"
                  "</rdf:Description>"));
    std::string packet;
    meta.SerializeToBuffer(&packet, 0, 0);
    EXPECT_EQ(packet.rfind("<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>", 0),
              0u);
    const std::string trailer = "<?xpacket end=\"w\"?>";
    ASSERT_GT(packet.size(), trailer.size());
    EXPECT_EQ(packet.substr(packet.size() - trailer.size()), trailer);
    std::string bare;
    meta.SerializeToBuffer(&bare, kSerializeNoPadding);
    EXPECT_EQ(packet.size() - bare.size(), kDefaultPadding);
    size_t padStart = packet.find("</x:xmpmeta>") + 13;
    EXPECT_EQ(packet.find_first_not_of(" \n", padStart), packet.size() - trailer.size());
}

TEST(RoundTripTest, ExactLengthReadOnlyAndBareForms) {
    TXMPMeta meta(ReadSampleFile(kCorpus + "/xmp/mei-digikam-example.xmp"));
    std::string bare;
    meta.SerializeToBuffer(&bare, kSerializeNoPadding);
    for (uint32_t length : {uint32_t(bare.size()), uint32_t(bare.size() + 1), 65000u}) {
        std::string packet;
        meta.SerializeToBuffer(&packet, kSerializeExactPacketLength, length);
        EXPECT_EQ(packet.size(), length);
        EXPECT_EQ(LeafList(TXMPMeta(packet)), LeafList(meta));
    }
    std::string tooSmall;
    try {
        meta.SerializeToBuffer(&tooSmall, kSerializeExactPacketLength, uint32_t(bare.size() - 1));
        ADD_FAILURE() << "a packet longer than the room was written";
    } catch (const XMPError& e) {
        EXPECT_EQ(e.GetID(), kXMPErr_BadSerialize);
    }
    std::string readOnly, noWrapper;
    meta.SerializeToBuffer(&readOnly, kSerializeReadOnlyPacket);
    EXPECT_NE(readOnly.find("<?xpacket end=\"r\"?>"), std::string::npos);
    meta.SerializeToBuffer(&noWrapper, kSerializeOmitPacketWrapper);
    EXPECT_EQ(noWrapper.find("<?xpacket"), std::string::npos);
    EXPECT_EQ(noWrapper.rfind("<x:xmpmeta", 0), 0u);
    EXPECT_EQ(LeafList(TXMPMeta(noWrapper)), LeafList(meta));
}

// Characters that XML would otherwise normalise survive the trip.
TEST(RoundTripTest, AwkwardValuesSurvive) {
    TXMPMeta meta;
    const std::string value = "  a\r\nb\tc <&> \"q\" 'x' \xC3\xA9\xF0\x9F\x98\x80  ";
    meta.SetProperty(ns::kDC, "format", value);
    meta.SetProperty(ns::kXMP, "BaseURL", "http://x/?a=1&b=\"2\"\n", kPropValueIsURI);
    meta.SetProperty(ns::kXMP, "Empty", "");
    meta.SetProperty(ns::kXMP, "EmptyStruct", "", kPropValueIsStruct);
    meta.SetProperty(ns::kXMP, "EmptySeq", "", kPropValueIsArray | kPropArrayIsOrdered);
    meta.SetObjectName("uuid:\"odd\"");
    std::string packet;
    meta.SerializeToBuffer(&packet);
    TXMPMeta back(packet);
    EXPECT_EQ(FullLeafList(back), FullLeafList(meta));
    EXPECT_EQ(back.GetObjectName(), "uuid:\"odd\"");
}

}  // namespace
}  // namespace xmp::test
