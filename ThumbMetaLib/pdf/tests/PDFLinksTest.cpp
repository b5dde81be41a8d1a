// File specifications against qpdf's JSON, the read-only rule, and rewrites saved safely.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <regex>
#include <string>
#include <vector>

#include "ThumbMetaLib/pdf/PDFLinkDocument.h"
#include "ThumbMetaLib/pdf/tests/PDFTestFiles.h"

namespace ThumbMetaLib {
namespace {

using namespace pdftest;

// Every text string qpdf shows under a path key (/F, /UF, /DOS, /Mac, /Unix). Only plain
// ASCII paths occur in the corpus, so JSON escapes other than \/ and \" do not arise.
std::vector<std::string> QpdfPaths(const std::string& path) {
    const std::string json = RunCommand("qpdf --json '" + path + "' 2>/dev/null");
    static const std::regex entry(R"re("/(F|UF|DOS|Mac|Unix)": "u:((?:[^"\\]|\\.)*)")re");
    std::vector<std::string> paths;
    for (auto it = std::sregex_iterator(json.begin(), json.end(), entry);
         it != std::sregex_iterator(); ++it) {
        std::string text = (*it)[2];
        text = std::regex_replace(text, std::regex(R"(\\(.))"), "$1");
        if (!text.empty()) {
            paths.push_back(text);
        }
    }
    std::sort(paths.begin(), paths.end());
    return paths;
}

// qpdf shows text strings as UTF-8; we hand out the recorded bytes, which for a UTF-16BE string
// (byte-order mark FE FF) differ. Other strings in the corpus are ASCII.
std::string AsQpdfShowsIt(const std::string& bytes) {
    if (bytes.size() < 2 || bytes[0] != '\xFE' || bytes[1] != '\xFF') {
        return bytes;
    }
    std::string utf8;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
        unsigned code = (static_cast<uint8_t>(bytes[i]) << 8) | static_cast<uint8_t>(bytes[i + 1]);
        if (code >= 0xD800 && code < 0xDC00 && i + 3 < bytes.size()) {
            const unsigned low =
                (static_cast<uint8_t>(bytes[i + 2]) << 8) | static_cast<uint8_t>(bytes[i + 3]);
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        }
        if (code < 0x80) {
            utf8 += static_cast<char>(code);
        } else if (code < 0x800) {
            utf8 += static_cast<char>(0xC0 | (code >> 6));
            utf8 += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            utf8 += static_cast<char>(0xE0 | (code >> 12));
            utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            utf8 += static_cast<char>(0xF0 | (code >> 18));
            utf8 += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            utf8 += static_cast<char>(0x80 | (code & 0x3F));
        }
    }
    return utf8;
}

std::vector<std::string> Sorted(std::vector<std::string> links) {
    for (std::string& link : links) {
        link = AsQpdfShowsIt(link);
    }
    std::sort(links.begin(), links.end());
    return links;
}

TEST(PDFLinksTest, ListsMatchQpdfStrings) {
    for (const char* name :
         {"pdfjs-bug766086-gotor-link.pdf", "pdfjs-issue17846-launch-filespec.pdf",
          "pdfjs-annotation-fileattachment.pdf", "qpdf-add-attachments-1.pdf",
          "pdfjs-outlines_for_editor-gotor-outline.pdf", "qpdf-compressed-metadata-30pages.pdf"}) {
        const std::string path = CorpusPDF(name);
        auto document = PDFLinkDocument::Open(path);
        EXPECT_EQ(Sorted(document->ListLinks()), QpdfPaths(path)) << name;
    }
}

TEST(PDFLinksTest, ReadOnlyDocumentsAreNeverWritten) {
    const std::string locked = ScratchCopy(
        CorpusPDF("qpdf-enc-R6-userpw-view-attachments-cleartext-metadata.pdf"), "locked.pdf");
    const std::string restricted =
        ScratchCopy(CorpusPDF("pdfjs-empty_protected-permissions.pdf"), "restricted.pdf");
    const std::string certified =
        ScratchCopy(CorpusPDF("qpdf-minimal-signed-restricted-certified.pdf"), "certified.pdf");
    const std::string mdp = ScratchPath("docmdp.pdf");
    WriteFile(mdp, MakePDF({"<< /Type /Catalog /Pages 2 0 R /Perms << /DocMDP << /P 1 >> >> >>",
                            "<< /Type /Pages /Kids [] /Count 0 >>"}));
    for (const std::string& path : {locked, restricted, certified, mdp}) {
        const std::string before = ReadFile(path);
        auto document = PDFLinkDocument::Open(path);
        EXPECT_TRUE(document->ReadOnly()) << path;
        EXPECT_FALSE(document->UpdateLinks({{"a", "b"}})) << path;
        EXPECT_FALSE(document->WriteMetadata("<x/>")) << path;
        EXPECT_EQ(ReadFile(path), before) << path;
    }
    auto lockedDocument = PDFLinkDocument::Open(locked);
    EXPECT_FALSE(lockedDocument->Processable());
    EXPECT_TRUE(lockedDocument->ListLinks().empty());
    EXPECT_TRUE(PDFLinkDocument::Open(restricted)->Processable());
    EXPECT_FALSE(PDFLinkDocument::Open(CorpusPDF("pdfjs-bug766086-gotor-link.pdf"))->ReadOnly());
}

// An incremental save keeps the original bytes as its prefix; qpdf checks the result and a
// re-read sees the new path, cut to the room.
TEST(PDFLinksTest, UpdateAppendsToTheOriginal) {
    const std::string source = CorpusPDF("pdfjs-bug766086-gotor-link.pdf");
    const std::string path = ScratchCopy(source, "gotor.pdf");
    const std::string original = ReadFile(path);
    const std::string longPath(kPDFLinkRoom + 100, 'x');
    EXPECT_TRUE(PDFLinkDocument::Open(path)->UpdateLinks(
        {{"../../0021/002156/215675E.pdf", "new/target.pdf"}}));
    EXPECT_EQ(ReadFile(path).compare(0, original.size(), original), 0);
    int status = 0;
    RunCommand("qpdf --check '" + path + "' >/dev/null 2>&1", &status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(PDFLinkDocument::Open(path)->ListLinks(), std::vector<std::string>{"new/target.pdf"});

    EXPECT_TRUE(PDFLinkDocument::Open(path)->UpdateLinks({{"new/target.pdf", longPath}}));
    EXPECT_EQ(PDFLinkDocument::Open(path)->ListLinks(),
              std::vector<std::string>{longPath.substr(0, kPDFLinkRoom)});
}

// The save happens whether or not a path matched; MuPDF appends nothing for an unchanged
// document, so the file comes back byte for byte.
TEST(PDFLinksTest, UpdateWithoutAMatchStillSaves) {
    const std::string path =
        ScratchCopy(CorpusPDF("pdfjs-issue17846-launch-filespec.pdf"), "nomatch.pdf");
    const std::string original = ReadFile(path);
    const auto links = PDFLinkDocument::Open(path)->ListLinks();
    EXPECT_TRUE(PDFLinkDocument::Open(path)->UpdateLinks({{"no/such/path.pdf", "x.pdf"}}));
    EXPECT_EQ(ReadFile(path), original);
    EXPECT_EQ(PDFLinkDocument::Open(path)->ListLinks(), links);
}

// A file whose object table needed repair cannot be appended to: it is written anew.
TEST(PDFLinksTest, RepairedFileIsSavedInFull) {
    const std::string path =
        ScratchCopy(CorpusPDF("pdfjs-outlines_for_editor-gotor-outline.pdf"), "repaired.pdf");
    auto links = PDFLinkDocument::Open(path)->ListLinks();
    ASSERT_FALSE(links.empty());
    EXPECT_TRUE(PDFLinkDocument::Open(path)->UpdateLinks({{links[0], "moved.pdf"}}));
    int status = 0;
    RunCommand("qpdf --check '" + path + "' >/dev/null 2>&1", &status);
    EXPECT_EQ(status, 0);
    const auto after = PDFLinkDocument::Open(path)->ListLinks();
    EXPECT_NE(std::find(after.begin(), after.end(), "moved.pdf"), after.end());
}

TEST(PDFLinksTest, MetadataWriteIsReadBackByExiftool) {
    const std::string path =
        ScratchCopy(CorpusPDF("qpdf-compressed-metadata-30pages.pdf"), "metadata.pdf");
    const std::string original = ReadFile(path);
    ASSERT_TRUE(PDFLinkDocument::Open(path)->ReadMetadata().has_value());
    const std::string packet =
        "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>"
        "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF "
        "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\"><rdf:Description "
        "rdf:about=\"\" xmlns:dc=\"http://purl.org/dc/elements/1.1/\"><dc:format>"
        "application/pdf</dc:format></rdf:Description></rdf:RDF></x:xmpmeta>"
        "<?xpacket end=\"w\"?>";
    EXPECT_TRUE(PDFLinkDocument::Open(path)->WriteMetadata(packet));
    EXPECT_EQ(ReadFile(path).compare(0, original.size(), original), 0);
    EXPECT_EQ(PDFLinkDocument::Open(path)->ReadMetadata(), packet);
    EXPECT_EQ(RunCommand("exiftool -xmp -b '" + path + "'"), packet);
}

}  // namespace
}  // namespace ThumbMetaLib
