// The PDF handler as the engine uses it: which files it claims, pages counted from 1, the
// stored thumbnail of vector documents and the /Metadata stream as the file's XMP.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "ThumbMetaLib/engine/FormatRegistry.h"
#include "ThumbMetaLib/formats/pdf/FBPDFFormat.h"
#include "ThumbMetaLib/formats/pdf/VectorThumbnail.h"
#include "ThumbMetaLib/pdf/tests/PDFTestFiles.h"
#include "xmp/core/TXMPUtils.h"
#include "xmp/core/XMPConsts.h"

namespace ThumbMetaLib {
namespace {

using namespace pdftest;

const std::string kMultiPage = "pdfjs-page_with_number_and_link-17pages.pdf";

// A JPEG of w x h made by ImageMagick, as Base64 text.
std::string Base64JPEG(int width, int height) {
    const std::string path = ScratchPath("stored.jpg");
    RunCommand("convert -size " + std::to_string(width) + "x" + std::to_string(height) +
               " xc:'#d62828' '" + path + "'");
    std::string text;
    xmp::TXMPUtils::EncodeToBase64(ReadFile(path), &text);
    return text;
}

// A packet with a stored thumbnail, xmp:Format and pdf:Producer (each left out when empty).
xmp::TXMPMeta PacketWith(const std::string& format, const std::string& producer) {
    xmp::TXMPMeta packet;
    if (!format.empty()) {
        packet.SetProperty(xmp::ns::kXMP, "Format", format);
    }
    if (!producer.empty()) {
        packet.SetProperty(xmp::ns::kPDF, "Producer", producer);
    }
    packet.AppendArrayItem(xmp::ns::kXMP, "Thumbnails", xmp::kPropValueIsArray, "",
                           xmp::kPropValueIsStruct);
    packet.SetStructField(xmp::ns::kXMP, "Thumbnails[1]", xmp::ns::kXMPGImg, "format", "JPEG");
    packet.SetStructField(xmp::ns::kXMP, "Thumbnails[1]", xmp::ns::kXMPGImg, "image",
                          Base64JPEG(40, 30));
    return packet;
}

TEST(FBPDFFormatTest, VectorDocumentsAreClaimedOnlyWhenTheyAreAPDF) {
    FBPDFFormat& format = *FBPDFFormat::Instance();
    const std::string real = ScratchCopy(CorpusPDF(kMultiPage), "drawing.ai");
    const std::string eps = ScratchPath("drawing.ait");
    WriteFile(eps, "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n%%EOF\n");
    const std::string stub = ScratchPath("stub.ai");
    WriteFile(stub, "%PDF-1.4\n%%EOF\n");  // the signature, but shorter than 32 bytes
    EXPECT_TRUE(format.CanHandle(real, 0, 0, "ai"));
    EXPECT_TRUE(format.CanHandle(real, 0, 0, "AI"));
    EXPECT_FALSE(format.CanHandle(eps, 0, 0, "ait"));
    EXPECT_FALSE(format.CanHandle(stub, 0, 0, "ai"));
    EXPECT_FALSE(format.CanHandle(ScratchPath("missing.ai"), 0, 0, "ai"));
    // Other claimed extensions need nothing more; unclaimed ones are not taken.
    EXPECT_TRUE(format.CanHandle(eps, 0, 0, "pdp"));
    EXPECT_FALSE(format.CanHandle(real, 0, 0, "eps"));

    FormatRegistry registry;
    registry.Register(FBPDFFormat::Instance());
    EXPECT_EQ(registry.FindFormat(real), FBPDFFormat::Instance());
    EXPECT_NE(registry.FindFormat(eps), FBPDFFormat::Instance());
}

TEST(FBPDFFormatTest, PagesCountFromOneAndFailuresGiveTheDefaults) {
    FBPDFFormat& format = *FBPDFFormat::Instance();
    const std::string path = CorpusPDF(kMultiPage);
    EXPECT_EQ(format.GetPageCount(path), 17);
    EXPECT_EQ(format.CreatePageThumbnail(path, 0, 64), nullptr);
    EXPECT_EQ(format.CreatePageThumbnail(path, 18, 64), nullptr);
    for (int page : {1, 17}) {
        PixelsPtr pixels = format.CreatePageThumbnail(path, page, 64);
        ASSERT_NE(pixels, nullptr) << page;
        EXPECT_EQ(std::max(pixels->Width(), pixels->Height()), 64u);
        EXPECT_TRUE(pixels->InOutputSpace());
    }
    // The engine's own thumbnail operation renders no PDF file: the service renders pages.
    ThumbOptions options;
    EXPECT_EQ(format.CreateThumbnail(path, 64, options), nullptr);
    EXPECT_EQ(options.status, -1);

    const std::string garbage = ScratchPath("garbage.pdf");
    WriteFile(garbage, std::string(100, 'x'));
    EXPECT_EQ(format.GetPageCount(garbage), 1);
    EXPECT_EQ(format.CreatePageThumbnail(garbage, 1, 64), nullptr);
}

TEST(FBPDFFormatTest, StoredThumbnailFollowsTheFormatAndProducerRule) {
    EXPECT_NE(VectorDocumentThumbnail(PacketWith("application/postscript", "")), nullptr);
    EXPECT_NE(VectorDocumentThumbnail(PacketWith("application/pdf", "Quarn PDF library 6.66")),
              nullptr);
    EXPECT_EQ(VectorDocumentThumbnail(PacketWith("application/pdf", "Quarn PDF library 6.6")),
              nullptr);
    EXPECT_EQ(VectorDocumentThumbnail(PacketWith("application/pdf", "")), nullptr);
    EXPECT_EQ(VectorDocumentThumbnail(PacketWith("", "Quarn PDF library 6.66")), nullptr);

    xmp::TXMPMeta broken = PacketWith("application/postscript", "");
    broken.SetStructField(xmp::ns::kXMP, "Thumbnails[1]", xmp::ns::kXMPGImg, "image", "@@@@");
    EXPECT_EQ(VectorDocumentThumbnail(broken), nullptr);
}

TEST(FBPDFFormatTest, MetadataIsReadAndWrittenDirectly) {
    FBPDFFormat& format = *FBPDFFormat::Instance();
    const std::string drawing = ScratchCopy(CorpusPDF(kMultiPage), "written.ai");
    ASSERT_EQ(format.DoDirectXMPWrite(drawing, PacketWith("application/postscript", ""), 0), 0);
    EXPECT_EQ(RunCommand("exiftool -s3 -XMP-xmp:Format '" + drawing + "'"),
              "application/postscript\n");

    xmp::TXMPMeta read;
    bool writable = false;
    ASSERT_EQ(format.DoDirectXMPRead(drawing, read, writable), 0);
    EXPECT_TRUE(writable);
    ThumbOptions options;
    PixelsPtr thumbnail = format.CreateThumbnail(drawing, 256, options);
    ASSERT_NE(thumbnail, nullptr);
    EXPECT_EQ(thumbnail->Width(), 40u);
    EXPECT_EQ(options.status, 0);

    // Read-only documents report so and keep their bytes; a document without a packet is a
    // failed read, so the caller asks the XMP file layer instead.
    const std::string certified =
        ScratchCopy(CorpusPDF("qpdf-minimal-signed-restricted-certified.pdf"), "certified.pdf");
    const std::string before = ReadFile(certified);
    xmp::TXMPMeta ignored;
    format.DoDirectXMPRead(certified, ignored, writable);
    EXPECT_FALSE(writable);
    EXPECT_NE(format.DoDirectXMPWrite(certified, read, 0), 0);
    EXPECT_EQ(ReadFile(certified), before);
    EXPECT_NE(
        format.DoDirectXMPRead(CorpusPDF("pdfjs-bug766086-gotor-link.pdf"), ignored, writable), 0);
}

}  // namespace
}  // namespace ThumbMetaLib
