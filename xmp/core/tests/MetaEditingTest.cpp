// Editing a tree through the API, the namespace registry, and the iterator's paths and order.
#include <thread>

#include "XMPTestSupport.h"

namespace xmp::test {
namespace {

TEST(MetaEditingTest, SetGetDeleteAcrossForms) {
    TXMPMeta::RegisterNamespace("http://example.com/ns/test/", "ex", nullptr);
    TXMPMeta meta;
    meta.SetProperty(ns::kXMP, "xmp:Rating", "2");
    meta.SetProperty(ns::kXMP, "Rating", "3");  // the same property, bare name
    meta.SetStructField(ns::kXMPMM, "DerivedFrom", ns::kStRef, "documentID", "doc-1");
    meta.AppendArrayItem(ns::kDC, "creator", kPropValueIsArray | kPropArrayIsOrdered, "Ann");
    meta.AppendArrayItem(ns::kDC, "creator", 0, "Bob");
    meta.SetQualifier(ns::kDC, "creator[2]", "http://example.com/ns/test/", "role", "ed");
    meta.SetProperty(ns::kDC, "dc:creator[3]", "Cy");  // one past the end appends

    EXPECT_EQ(LeafList(meta),
              (std::vector<std::string>{"xmp:Rating=3", "xmpMM:DerivedFrom/stRef:documentID=doc-1",
                                        "dc:creator[1]=Ann", "dc:creator[2]=Bob",
                                        "dc:creator[2]/ex:role=ed", "dc:creator[3]=Cy"}));
    XMPOptions options = 0;
    ASSERT_TRUE(meta.GetProperty(ns::kDC, "creator", nullptr, &options));
    EXPECT_EQ(options & kPropArrayFormMask, kPropValueIsArray | kPropArrayIsOrdered);
    ASSERT_TRUE(meta.GetProperty(ns::kXMPMM, "DerivedFrom", nullptr, &options));
    EXPECT_TRUE(options & kPropValueIsStruct);
    ASSERT_TRUE(meta.GetProperty(ns::kDC, "creator[2]", nullptr, &options));
    EXPECT_TRUE(options & kPropHasQualifiers);

    meta.DeleteProperty(ns::kDC, "creator[2]/?ex:role");
    ASSERT_TRUE(meta.GetProperty(ns::kDC, "creator[2]", nullptr, &options));
    EXPECT_FALSE(options & kPropHasQualifiers);
    meta.DeleteProperty(ns::kDC, "creator[1]");
    std::string value;
    ASSERT_TRUE(meta.GetArrayItem(ns::kDC, "creator", 1, &value, nullptr));
    EXPECT_EQ(value, "Bob");
    meta.DeleteProperty(ns::kXMP, "Rating");
    EXPECT_FALSE(meta.DoesPropertyExist(ns::kXMP, "Rating"));
    meta.DeleteProperty(ns::kXMP, "Rating");  // deleting nothing is no error
    EXPECT_FALSE(meta.GetProperty(ns::kDC, "creator[9]", &value, nullptr));

    TXMPMeta copy(meta);
    meta.Erase();
    EXPECT_TRUE(LeafList(meta).empty());
    EXPECT_EQ(LeafList(copy).size(), 3u);
    TXMPMeta moved(std::move(copy));
    EXPECT_EQ(LeafList(moved).size(), 3u);
    moved.SetProperty(ns::kXMP, "Label", "x");  // parents stay right after the move
    EXPECT_TRUE(moved.DoesPropertyExist(ns::kXMP, "xmp:Label"));
}

TEST(MetaEditingTest, BadPathsValuesAndTypesAreErrors) {
    TXMPMeta meta;
    meta.SetProperty(ns::kXMP, "Rating", "3");
    meta.AppendArrayItem(ns::kDC, "subject", kPropValueIsArray, "a");
    EXPECT_EQ(ErrorIdOf([&] { meta.SetProperty(ns::kXMP, "nope:Rating", "1"); }),
              kXMPErr_BadSchema);
    EXPECT_EQ(ErrorIdOf([&] { meta.SetProperty(ns::kXMP, "dc:format", "1"); }), kXMPErr_BadSchema);
    EXPECT_EQ(ErrorIdOf([&] { meta.SetProperty(ns::kXMP, "Rating[", "1"); }), kXMPErr_BadXPath);
    EXPECT_EQ(ErrorIdOf([&] { meta.SetProperty(ns::kDC, "subject[3]", "c"); }), kXMPErr_BadIndex);
    EXPECT_EQ(ErrorIdOf([&] { meta.SetProperty(ns::kDC, "subject[0]", "c"); }), kXMPErr_BadIndex);
    EXPECT_EQ(ErrorIdOf([&] { meta.SetProperty(ns::kXMP, "Rating/xmp:x", "1"); }),
              kXMPErr_BadXPath);
    EXPECT_EQ(ErrorIdOf([&] {
                  meta.SetProperty(ns::kXMP, "Label",
                                   "a\x01"
                                   "b");
              }),
              kXMPErr_BadValue);
    EXPECT_EQ(ErrorIdOf([&] { meta.SetProperty(ns::kXMP, "Label", "\xFF"); }), kXMPErr_BadValue);
    EXPECT_EQ(ErrorIdOf([&] { meta.SetProperty(ns::kXMP, "Label", "v", kPropValueIsStruct); }),
              kXMPErr_BadOptions);
    EXPECT_EQ(ErrorIdOf([&] { meta.SetProperty(ns::kDC, "subject", "flat"); }), kXMPErr_BadXPath);
    EXPECT_EQ(ErrorIdOf([&] { meta.AppendArrayItem(ns::kXMP, "Rating", kPropValueIsArray, "x"); }),
              kXMPErr_BadXPath);
    EXPECT_EQ(ErrorIdOf([&] { meta.SetProperty(ns::kXMP, "Label", "ten"); }), 0);
    int32_t n;
    EXPECT_EQ(ErrorIdOf([&] { meta.GetProperty_Int(ns::kXMP, "Label", &n, nullptr); }),
              kXMPErr_BadValue);
    EXPECT_FALSE(meta.GetProperty_Int(ns::kXMP, "Missing", &n, nullptr));
}

TEST(MetaEditingTest, LocalizedTextKeepsDefaultInStep) {
    TXMPMeta meta;
    meta.SetLocalizedText(ns::kDC, "title", "en", "en-US", "Color");
    std::string value, lang;
    ASSERT_TRUE(meta.GetLocalizedText(ns::kDC, "title", "", "x-default", &lang, &value, nullptr));
    EXPECT_EQ(value, "Color");
    // x-default followed the item it equalled; a new language leaves it alone.
    meta.SetLocalizedText(ns::kDC, "title", "en", "en-US", "Colour");
    meta.SetLocalizedText(ns::kDC, "title", "", "fr-FR", "Couleur");
    EXPECT_EQ(LeafList(meta),
              (std::vector<std::string>{"dc:title[1]=Colour", "dc:title[1]/xml:lang=x-default",
                                        "dc:title[2]=Colour", "dc:title[2]/xml:lang=en-US",
                                        "dc:title[3]=Couleur", "dc:title[3]/xml:lang=fr-FR"}));
    ASSERT_TRUE(meta.GetLocalizedText(ns::kDC, "title", "fr", "fr-CA", &lang, &value, nullptr));
    EXPECT_EQ(lang, "fr-FR");
    EXPECT_TRUE(meta.GetLocalizedText(ns::kDC, "title", "", "EN-us", &lang, &value, nullptr));
    EXPECT_EQ(lang, "en-US");
}

TEST(MetaEditingTest, NamespacesFromPacketsAreRegisteredWithUniquePrefixes) {
    std::string uri, prefix;
    ASSERT_TRUE(TXMPMeta::GetNamespaceURI("xmpGImg", &uri));
    EXPECT_EQ(uri, ns::kXMPGImg);
    ASSERT_TRUE(TXMPMeta::GetNamespaceURI("xml", &uri));
    EXPECT_EQ(uri, ns::kXML);
    EXPECT_FALSE(TXMPMeta::GetNamespaceURI("never-registered", &uri));
    // A packet binds "dc" to another URI: its properties get a suffixed prefix, and a packet that
    // spells the xmp schema with another prefix still lands in "xmp:".
    TXMPMeta meta(
        "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
        "<rdf:Description xmlns:dc='http://example.com/not-dc/'"
        " xmlns:xap='http://ns.adobe.com/xap/1.0/' dc:a='1' xap:Rating='2'/></rdf:RDF>");
    std::vector<std::string> leaves = LeafList(meta);
    ASSERT_EQ(leaves.size(), 2u);
    EXPECT_EQ(leaves[0], "dc_1:a=1");
    EXPECT_EQ(leaves[1], "xmp:Rating=2");
    ASSERT_TRUE(TXMPMeta::GetNamespacePrefix("http://example.com/not-dc/", &prefix));
    EXPECT_EQ(prefix, "dc_1");
    std::string packet;
    meta.SerializeToBuffer(&packet);
    EXPECT_EQ(LeafList(TXMPMeta(packet)), leaves);

    EXPECT_TRUE(TXMPMeta::RegisterNamespace("http://example.com/mine/", "mine", &prefix));
    EXPECT_FALSE(TXMPMeta::RegisterNamespace("http://example.com/mine2/", "mine:", &prefix));
    EXPECT_EQ(prefix, "mine_1");
    EXPECT_EQ(ErrorIdOf([] { TXMPMeta::RegisterNamespace("http://x/", "1bad", nullptr); }),
              kXMPErr_BadSchema);
}

TEST(MetaEditingTest, RegistryIsConsistentUnderConcurrentParses) {
    // Threads parse packets that declare the same new namespaces under clashing prefixes; every
    // URI must end up with exactly one prefix, the same for all of them.
    constexpr int kThreads = 8;
    std::vector<std::vector<std::string>> seen(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t, &seen] {
            for (int i = 0; i < 50; ++i) {
                std::string uri = "http://example.com/race/" + std::to_string(i) + "/";
                TXMPMeta meta(
                    "<rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
                    "<rdf:Description xmlns:race='" +
                    uri + "' race:p='" + std::to_string(t) + "'/></rdf:RDF>");
                std::string path;
                TXMPIterator it(meta, kIterJustLeafNodes);
                it.Next(nullptr, &path, nullptr, nullptr);
                seen[t].push_back(path);
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (int t = 1; t < kThreads; ++t)
        EXPECT_EQ(seen[t], seen[0]);
    std::set<std::string> distinct(seen[0].begin(), seen[0].end());
    EXPECT_EQ(distinct.size(), seen[0].size());
}

TEST(MetaEditingTest, IteratorOrderSchemasAndSubtrees) {
    TXMPMeta meta(
        RDFPacket("<rdf:Description xmp:Rating='1'><xmp:Thumbnails><rdf:Alt>"
                  "<rdf:li rdf:parseType='Resource'><xmpGImg:width>64</xmpGImg:width>"
                  "<xmpGImg:image>QUJD</xmpGImg:image></rdf:li></rdf:Alt></xmp:Thumbnails>"
                  "<dc:title><rdf:Alt><rdf:li xml:lang='x-default'>T</rdf:li></rdf:Alt></dc:title>"
                  "</rdf:Description>"));
    std::vector<std::string> all;
    TXMPIterator everyNode(meta);
    std::string schema, path, value;
    XMPOptions options;
    while (everyNode.Next(&schema, &path, &value, &options))
        all.push_back(path);
    EXPECT_EQ(all, (std::vector<std::string>{"xmp:Rating", "xmp:Thumbnails", "xmp:Thumbnails[1]",
                                             "xmp:Thumbnails[1]/xmpGImg:width",
                                             "xmp:Thumbnails[1]/xmpGImg:image", "dc:title",
                                             "dc:title[1]", "dc:title[1]/xml:lang"}));
    TXMPIterator dcOnly(meta, ns::kDC, kIterJustLeafNodes);
    ASSERT_TRUE(dcOnly.Next(&schema, &path, &value, &options));
    EXPECT_EQ(schema, ns::kDC);
    EXPECT_EQ(path, "dc:title[1]");
    ASSERT_TRUE(dcOnly.Next(&schema, &path, &value, &options));
    EXPECT_EQ(path, "dc:title[1]/xml:lang");
    EXPECT_TRUE(options & kPropIsQualifier);
    EXPECT_FALSE(dcOnly.Next(&schema, &path, &value, &options));
    TXMPIterator subtree(meta, ns::kXMP, "Thumbnails[1]", kIterJustLeafNodes);
    ASSERT_TRUE(subtree.Next(&schema, &path, &value, &options));
    EXPECT_EQ(schema, ns::kXMP);
    EXPECT_EQ(path, "Thumbnails[1]/xmpGImg:width");
    EXPECT_EQ(value, "64");
    // Every yielded path names its node again.
    TXMPIterator leaves(meta, kIterJustLeafNodes);
    while (leaves.Next(&schema, &path, &value, &options)) {
        std::string again;
        ASSERT_TRUE(meta.GetProperty(schema, path, &again, nullptr)) << path;
        EXPECT_EQ(again, value) << path;
    }
}

}  // namespace
}  // namespace xmp::test
