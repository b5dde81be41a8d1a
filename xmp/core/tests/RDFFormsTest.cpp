// Every RDF/XML form that XMP uses gives the same data model, and packets that break XML, RDF
// or XMP rules are refused with the right id (201 only for XML that is not well-formed).
#include <chrono>

#include "XMPTestSupport.h"

namespace xmp::test {
namespace {

using Leaves = std::vector<std::string>;

Leaves LeavesOf(const std::string& packet) {
    return LeafList(TXMPMeta(packet));
}

TEST(RDFFormsTest, SimpleValuesInEveryNotation) {
    const Leaves expected = {"dc:format=image/png", "xmp:Rating=3"};
    // Attribute shorthand, element content, split over two descriptions, no x:xmpmeta.
    EXPECT_EQ(LeavesOf(RDFPacket("<rdf:Description rdf:about='' dc:format='image/png'"
                                 " xmp:Rating='3'/>")),
              expected);
    EXPECT_EQ(LeavesOf(RDFPacket("<rdf:Description><dc:format>image/png</dc:format>"
                                 "<xmp:Rating>3</xmp:Rating></rdf:Description>")),
              expected);
    EXPECT_EQ(LeavesOf(RDFPacket("<rdf:Description dc:format='image/png'/>"
                                 "<rdf:Description><xmp:Rating>3</xmp:Rating></rdf:Description>")),
              expected);
    EXPECT_EQ(LeavesOf("<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
                       "<rdf:Description xmlns:dc='http://purl.org/dc/elements/1.1/'"
                       " xmlns:xmp='http://ns.adobe.com/xap/1.0/' dc:format='image/png'>"
                       "<xmp:Rating rdf:datatype='x'>3</xmp:Rating></rdf:Description></rdf:RDF>"),
              expected);
}

TEST(RDFFormsTest, StructsInEveryNotation) {
    const Leaves expected = {"xmp:Thumbnails[1]/xmpGImg:width=64",
                             "xmp:Thumbnails[1]/xmpGImg:format=JPEG"};
    auto wrap = [](const std::string& item) {
        return RDFPacket("<rdf:Description><xmp:Thumbnails><rdf:Alt>" + item +
                         "</rdf:Alt></xmp:Thumbnails></rdf:Description>");
    };
    EXPECT_EQ(LeavesOf(wrap("<rdf:li rdf:parseType='Resource'><xmpGImg:width>64</xmpGImg:width>"
                            "<xmpGImg:format>JPEG</xmpGImg:format></rdf:li>")),
              expected);
    EXPECT_EQ(LeavesOf(wrap("<rdf:li><rdf:Description xmpGImg:width='64'>"
                            "<xmpGImg:format>JPEG</xmpGImg:format></rdf:Description></rdf:li>")),
              expected);
    EXPECT_EQ(LeavesOf(wrap("<rdf:li xmpGImg:width='64' xmpGImg:format='JPEG'/>")), expected);
    TXMPMeta meta(wrap("<rdf:li xmpGImg:width='64' xmpGImg:format='JPEG'/>"));
    std::string path, format;
    TXMPUtils::ComposeArrayItemPath(ns::kXMP, "Thumbnails", 1, &path);
    ASSERT_TRUE(meta.GetStructField(ns::kXMP, path, ns::kXMPGImg, "format", &format, nullptr));
    EXPECT_EQ(format, "JPEG");
    int32_t width = 0;
    EXPECT_TRUE(meta.GetProperty_Int(ns::kXMP, path + "/xmpGImg:width", &width, nullptr));
    EXPECT_EQ(width, 64);
}

TEST(RDFFormsTest, ArraysQualifiersAndURIs) {
    TXMPMeta meta(RDFPacket(
        "<rdf:Description rdf:about='uuid:1'>"
        "<dc:title><rdf:Alt><rdf:li xml:lang='x-default'>T</rdf:li>"
        "<rdf:li xml:lang='de-DE'>Titel</rdf:li></rdf:Alt></dc:title>"
        "<dc:subject><rdf:Bag><rdf:li>a</rdf:li><rdf:_2>b</rdf:_2></rdf:Bag></dc:subject>"
        "<dc:creator><rdf:Seq><rdf:li><rdf:Description><rdf:value>Ann</rdf:value>"
        "<ex:role>editor</ex:role></rdf:Description></rdf:li></rdf:Seq></dc:creator>"
        "<ex:home rdf:resource='http://example.com/' ex:kind='web'/>"
        "<ex:note xml:lang='fr' rdf:parseType='Resource'><rdf:value>oui</rdf:value></ex:note>"
        "</rdf:Description>"));
    EXPECT_EQ(
        LeafList(meta),
        (Leaves{"dc:title[1]=T", "dc:title[1]/xml:lang=x-default", "dc:title[2]=Titel",
                "dc:title[2]/xml:lang=de-DE", "dc:subject[1]=a", "dc:subject[2]=b",
                "dc:creator[1]=Ann", "dc:creator[1]/ex:role=editor", "ex:home=http://example.com/",
                "ex:home/ex:kind=web", "ex:note=oui", "ex:note/xml:lang=fr"}));
    EXPECT_EQ(meta.GetObjectName(), "uuid:1");
    XMPOptions options = 0;
    ASSERT_TRUE(meta.GetProperty(ns::kDC, "title", nullptr, &options));
    EXPECT_TRUE(options & kPropArrayIsAltText);
    ASSERT_TRUE(meta.GetProperty("http://example.com/ns/test/", "home", nullptr, &options));
    EXPECT_TRUE(options & kPropValueIsURI);
    // The iterator's qualifier paths and the "/?" form name the same node.
    std::string lang;
    EXPECT_TRUE(meta.GetProperty(ns::kDC, "dc:title[2]/xml:lang", &lang, nullptr));
    EXPECT_TRUE(meta.GetProperty(ns::kDC, "dc:title[2]/?xml:lang", &lang, nullptr));
    EXPECT_EQ(lang, "de-DE");
    std::string value;
    EXPECT_TRUE(meta.GetLocalizedText(ns::kDC, "title", "de", "de-AT", &lang, &value, nullptr));
    EXPECT_EQ(value, "Titel");
    EXPECT_TRUE(meta.GetLocalizedText(ns::kDC, "title", "", "it", &lang, &value, nullptr));
    EXPECT_EQ(lang, "x-default");
}

TEST(RDFFormsTest, EncodingsAndByteOrderMarks) {
    const std::string utf8 =
        "<?xpacket begin='\xEF\xBB\xBF' id='W5M0MpCehiHzreSzNTczkc9d'?>" +
        RDFPacket("<rdf:Description dc:format='\xE2\x82\xAC\xF0\x9F\x98\x80'/>") +
        "<?xpacket end='w'?>";
    const Leaves expected = LeavesOf(utf8);
    ASSERT_EQ(expected, Leaves{"dc:format=\xE2\x82\xAC\xF0\x9F\x98\x80"});
    // UTF-8 → code points → each encoding, with and without a byte-order mark.
    std::u32string points;
    for (size_t i = 0; i < utf8.size();) {
        unsigned char c = utf8[i];
        int extra = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
        char32_t cp = extra == 0 ? c : c & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k)
            cp = (cp << 6) | (utf8[i + k] & 0x3F);
        points.push_back(cp);
        i += extra + 1;
    }
    auto encode = [&](int unitBytes, bool bigEndian, bool mark) {
        std::string out;
        auto put = [&](uint32_t unit) {
            for (int b = 0; b < unitBytes; ++b) {
                int shift = bigEndian ? 8 * (unitBytes - 1 - b) : 8 * b;
                out.push_back(char((unit >> shift) & 0xFF));
            }
        };
        if (mark)
            put(0xFEFF);
        for (char32_t cp : points) {
            if (unitBytes == 2 && cp >= 0x10000) {
                put(0xD800 + ((cp - 0x10000) >> 10));
                put(0xDC00 + ((cp - 0x10000) & 0x3FF));
            } else {
                put(cp);
            }
        }
        return out;
    };
    for (int unitBytes : {2, 4}) {
        for (bool bigEndian : {true, false}) {
            for (bool mark : {true, false}) {
                SCOPED_TRACE(testing::Message() << unitBytes << bigEndian << mark);
                EXPECT_EQ(LeavesOf(encode(unitBytes, bigEndian, mark)), expected);
            }
        }
    }
    EXPECT_EQ(LeavesOf("\xEF\xBB\xBF" + utf8), expected);
    // A UTF-16 packet cut in half a code unit, or with a lone surrogate, is not well-formed.
    std::string utf16 = encode(2, false, true);
    EXPECT_EQ(ErrorIdOfParse(utf16.substr(0, utf16.size() - 1)), kXMPErr_BadXML);
    std::string lone = encode(2, true, true);
    size_t at = lone.find(std::string("\xD8", 1));
    ASSERT_NE(at, std::string::npos);
    lone[at + 2] = 0;  // the low surrogate becomes an ordinary unit
    EXPECT_EQ(ErrorIdOfParse(lone), kXMPErr_BadXML);
}

TEST(RDFFormsTest, EmptyInputsGiveEmptyTrees) {
    EXPECT_TRUE(LeavesOf("").empty());
    EXPECT_TRUE(LeavesOf(" \n").empty());
    EXPECT_TRUE(LeavesOf(RDFPacket("")).empty());
    EXPECT_TRUE(LeavesOf(RDFPacket("<rdf:Description rdf:about=''/>")).empty());
}

TEST(RDFFormsTest, MalformedXMLIs201) {
    for (const std::string& bad : {
             std::string("<x:xmpmeta xmlns:x='adobe:ns:meta/'>"),
             RDFPacket("<rdf:Description><dc:format>a</dc:form></rdf:Description>"),
             RDFPacket("<rdf:Description><nope:format>a</nope:format></rdf:Description>"),
             RDFPacket("<rdf:Description dc:format='a' dc:format='b'/>"),
             RDFPacket("<rdf:Description dc:format='\xC3\x28'/>"),
             RDFPacket("<rdf:Description dc:format='&undefined;'/>"),
             RDFPacket("") + "<trailing/>",
         }) {
        EXPECT_EQ(ErrorIdOfParse(bad), kXMPErr_BadXML) << bad;
    }
    // A real-world packet that uses a prefix it never declares.
    std::string pdf = std::string(VANTORY_CORPUS_DIR) + "/pdf/pdfjs-bug854315-signed.pdf";
    ReadSampleFile(pdf);
    EXPECT_EQ(ErrorIdOfParse(RunCommand("exiftool -xmp -b '" + pdf + "'")), kXMPErr_BadXML);
}

TEST(RDFFormsTest, WellFormedButNotXMPIsRefusedWithoutClaimingBadXML) {
    struct Case {
        std::string body;
        int id;
    };
    const Case cases[] = {
        {"<rdf:Description><dc:format rdf:parseType='Literal'><b/></dc:format>"
         "</rdf:Description>",
         kXMPErr_BadXMP},
        {"<rdf:Description><dc:format rdf:parseType='Collection'/></rdf:Description>",
         kXMPErr_BadRDF},
        {"<rdf:Description><dc:format>a<b/></dc:format></rdf:Description>", kXMPErr_BadRDF},
        {"<rdf:Description><dc:format><ex:Typed/></dc:format></rdf:Description>", kXMPErr_BadRDF},
        {"<rdf:Description><dc:subject><rdf:Bag><ex:x/></rdf:Bag></dc:subject>"
         "</rdf:Description>",
         kXMPErr_BadRDF},
        {"<rdf:Description><format>a</format></rdf:Description>", kXMPErr_BadRDF},
        {"<dc:Thing/>", kXMPErr_BadRDF},
        {"<rdf:Description dc:format='a'/><rdf:Description><dc:format>b</dc:format>"
         "</rdf:Description>",
         kXMPErr_BadXMP},
        {"<rdf:Description rdf:about='a'/><rdf:Description rdf:about='b'/>", kXMPErr_BadXMP},
        {"<rdf:Description><dc:creator><rdf:Seq><rdf:li xml:lang='en'><rdf:Description>"
         "<rdf:value xml:lang='de'>x</rdf:value></rdf:Description></rdf:li></rdf:Seq>"
         "</dc:creator></rdf:Description>",
         kXMPErr_BadXMP},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ErrorIdOfParse(RDFPacket(c.body)), c.id) << c.body;
    EXPECT_EQ(ErrorIdOfParse("<x:xmpmeta xmlns:x='adobe:ns:meta/'/>"), kXMPErr_BadXMP);
}

TEST(RDFFormsTest, EntityBombsExternalEntitiesAndOversizedTreesAreRefusedQuickly) {
    std::string laughs = "<?xml version='1.0'?><!DOCTYPE lolz [<!ENTITY lol 'lol'>";
    laughs += "<!ENTITY lol1 '&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;'>";
    for (int i = 2; i <= 9; ++i)
        laughs += "<!ENTITY lol" + std::to_string(i) + " '" + [&] {
            std::string refs;
            for (int k = 0; k < 10; ++k)
                refs += "&lol" + std::to_string(i - 1) + ";";
            return refs;
        }() + "'>";
    laughs += "]>" + RDFPacket("<rdf:Description><dc:format>&lol9;</dc:format></rdf:Description>");
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ErrorIdOfParse(laughs), kXMPErr_BadXMP);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));

    const std::string external =
        "<?xml version='1.0'?><!DOCTYPE x [<!ENTITY e SYSTEM 'file:///etc/passwd'>]>" +
        RDFPacket("<rdf:Description><dc:format>&e;</dc:format></rdf:Description>");
    EXPECT_EQ(ErrorIdOfParse(external), kXMPErr_BadXMP);

    std::string deep;
    for (int i = 0; i < 100000; ++i)
        deep += "<a>";
    EXPECT_EQ(ErrorIdOfParse(deep), kXMPErr_BadXMP);
    std::string wide = "<a>";
    for (int i = 0; i < 600000; ++i)
        wide += "<b/>";
    EXPECT_EQ(ErrorIdOfParse(wide + "</a>"), kXMPErr_BadXMP);
    std::string nested = "<rdf:Description><ex:s rdf:parseType='Resource'>";
    for (int i = 0; i < 300; ++i)
        nested += "<ex:s rdf:parseType='Resource'>";
    EXPECT_EQ(ErrorIdOfParse(RDFPacket(nested)), kXMPErr_BadXMP);
}

}  // namespace
}  // namespace xmp::test
