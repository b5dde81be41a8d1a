// Page documents: counts against pdfinfo, drawings against mutool draw, geometry and messages.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

#include "ThumbMetaLib/pdf/PDFDocumentHandle.h"
#include "ThumbMetaLib/pdf/PDFLinkDocument.h"
#include "ThumbMetaLib/pdf/PDFPageDocument.h"
#include "ThumbMetaLib/pdf/PagelError.h"
#include "ThumbMetaLib/pdf/tests/PDFTestFiles.h"

namespace ThumbMetaLib {
namespace {

using namespace pdftest;

int PdfinfoPages(const std::string& path) {
    const std::string out = RunCommand("pdfinfo '" + path + "' 2>/dev/null");
    const size_t at = out.find("Pages:");
    return at == std::string::npos ? -1 : std::atoi(out.c_str() + at + 6);
}

std::string OnePage(const std::string& box, const std::string& content,
                    const std::string& extra = "") {
    return MakePDF(
        {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
         "<< /Type /Page /Parent 2 0 R /MediaBox " + box + " /Contents 4 0 R " + extra + " >>",
         "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content +
             "\nendstream"});
}

TEST(PDFPagesTest, PageCountsMatchPdfinfo) {
    for (const char* name :
         {"pdfjs-annotation-fileattachment.pdf", "pdfjs-bug766086-gotor-link.pdf",
          "pdfjs-bug854315-signed.pdf", "pdfjs-empty_protected-permissions.pdf",
          "pdfjs-issue17846-launch-filespec.pdf", "pdfjs-issue269_1-illustrator-xmp-thumbnails.pdf",
          "pdfjs-outlines_for_editor-gotor-outline.pdf",
          "pdfjs-page_with_number_and_link-17pages.pdf", "qpdf-add-attachments-1.pdf",
          "qpdf-compressed-metadata-30pages.pdf", "qpdf-minimal-signed-restricted-certified.pdf"}) {
        const std::string path = CorpusPDF(name);
        EXPECT_EQ(PDFPageDocument::Open(path)->PageCount(), PdfinfoPages(path)) << name;
    }
}

TEST(PDFPagesTest, DocumentsThatCannotBeOpenedGiveTheOpeningMessage) {
    const std::string garbage = ScratchPath("not-a-pdf.pdf");
    WriteFile(garbage, "GIF89a this is no PDF at all");
    const std::string locked =
        CorpusPDF("qpdf-enc-R6-userpw-view-attachments-cleartext-metadata.pdf");
    for (const std::string& path : {garbage, locked, ScratchPath("missing.pdf")}) {
        try {
            PDFPageDocument::Open(path);
            ADD_FAILURE() << path << " opened";
        } catch (const PagelError& error) {
            const std::string prefix = "Error <" + std::to_string(error.Code()) + ">'";
            EXPECT_EQ(std::string(error.what()).rfind(prefix, 0), 0u) << error.what();
            EXPECT_NE(std::string(error.what()).find("' opening file: " + path), std::string::npos)
                << error.what();
            EXPECT_FALSE(error.LibraryText().empty());
        }
    }
}

// A truncated file is either recovered (MuPDF rebuilds the object table) or refused cleanly.
TEST(PDFPagesTest, TruncatedFileRecoversOrFailsCleanly) {
    try {
        auto document = PDFPageDocument::Open(
            CorpusPDF("derived-pdfjs-page_with_number_and_link-truncated-60pct.pdf"));
        ASSERT_GE(document->PageCount(), 1);
        PixelsPtr page = document->RenderPage(0, {.fitSize = 64});
        EXPECT_EQ(std::max(page->Width(), page->Height()), 64u);
    } catch (const PagelError& error) {
        EXPECT_NE(std::string(error.what()).find("opening file"), std::string::npos);
    }
}

TEST(PDFPagesTest, PageOutsideTheDocumentIsAnAcquiringError) {
    auto document = PDFPageDocument::Open(CorpusPDF("pdfjs-bug766086-gotor-link.pdf"));
    for (int index : {1, -1}) {
        try {
            document->RenderPage(index);
            ADD_FAILURE() << "page " << index << " rendered";
        } catch (const PagelError& error) {
            EXPECT_NE(std::string(error.what()).find("' aquiring page : " + std::to_string(index)),
                      std::string::npos)
                << error.what();
        }
    }
}

// Geometry: one pixel per point through the default matrix (rotation swaps the sides), white
// where nothing is drawn, B,G,R,255 where something is, and the fit size on the larger side.
TEST(PDFPagesTest, PagesAreDrawnOnePixelPerPointOnWhite) {
    const std::string letter = ScratchPath("letter.pdf");
    WriteFile(letter, OnePage("[0 0 612 792]",
                              "1 0 0 rg 0 692 100 100 re f 0.2 0.4 0.6 rg 200 0 100 100 re f"));
    auto document = PDFPageDocument::Open(letter);
    PixelsPtr page = document->RenderPage(0);
    ASSERT_EQ(page->Width(), 612u);
    ASSERT_EQ(page->Height(), 792u);
    EXPECT_EQ(page->Channels(), 4);
    EXPECT_EQ(page->Mode(), kModeRGB);
    EXPECT_EQ(page->Layout(), kLayoutInterleaved);
    EXPECT_TRUE(page->InOutputSpace());
    const uint8_t* red = page->Bytes() + 50 * page->RowBytes() + 50 * 4;  // top left: the square
    EXPECT_EQ(red[0], 0);
    EXPECT_EQ(red[1], 0);
    EXPECT_EQ(red[2], 255);
    EXPECT_EQ(red[3], 255);
    // Device RGB is the output space (sRGB): a mid-tone reaches the pixels unconverted.
    const uint8_t* mid = page->Bytes() + 750 * page->RowBytes() + 250 * 4;
    EXPECT_EQ(mid[0], 153);
    EXPECT_EQ(mid[1], 102);
    EXPECT_EQ(mid[2], 51);
    const uint8_t* white = page->Bytes() + 500 * page->RowBytes() + 500 * 4;
    EXPECT_EQ(white[0] & white[1] & white[2] & white[3], 255);

    PixelsPtr thumb = document->RenderPage(0, {.fitSize = 256});
    EXPECT_EQ(thumb->Height(), 256u);
    EXPECT_EQ(thumb->Width(), 198u);  // 612 * 256 / 792 = 197.8

    const std::string turned = ScratchPath("turned.pdf");
    WriteFile(turned, OnePage("[10 20 310 120]", "", "/Rotate 90"));
    PixelsPtr sideways = PDFPageDocument::Open(turned)->RenderPage(0);
    EXPECT_EQ(sideways->Width(), 100u);
    EXPECT_EQ(sideways->Height(), 300u);
}

TEST(PDFPagesTest, TransparentAreasComeOutWhite) {
    const std::string path = ScratchPath("transparent.pdf");
    // A half-transparent black square through a soft alpha, and a fully transparent one.
    WriteFile(path, MakePDF({"<< /Type /Catalog /Pages 2 0 R >>",
                             "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                             "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 100 100] /Contents 4 0 R"
                             " /Group << /S /Transparency /CS /DeviceRGB >>"
                             " /Resources << /ExtGState << /G0 << /ca 0 >> /G1 << /ca 0.5 >> >> >>"
                             " >>",
                             "<< /Length 52 >>\nstream\n/G0 gs 0 0 50 100 re f /G1 gs 50 0 50 100 "
                             "re f\nendstream"}));
    PixelsPtr page = PDFPageDocument::Open(path)->RenderPage(0);
    const uint8_t* clear = page->Bytes() + 50 * page->RowBytes() + 10 * 4;
    const uint8_t* half = page->Bytes() + 50 * page->RowBytes() + 90 * 4;
    EXPECT_EQ(clear[0], 255);
    EXPECT_EQ(clear[2], 255);
    EXPECT_NEAR(half[0], 128, 2);
    EXPECT_EQ(half[3], 255);
}

// Mean absolute difference per channel against `mutool draw -r 72`, which draws with the same
// library: only the anti-aliasing and colour path of the page's own objects may differ.
double MeanDifferenceFromMutool(const std::string& path, int graphicsAALevel, bool thinStrokes) {
    const std::string ppm = ScratchPath("reference.ppm");
    int status = 0;
    RunCommand("mutool draw -q -r 72 -o '" + ppm + "' '" + path + "' 1 2>/dev/null", &status);
    EXPECT_EQ(status, 0) << path;
    const std::string reference = ReadFile(ppm);
    int width = 0;
    int height = 0;
    int max = 0;
    int header = 0;
    if (std::sscanf(reference.c_str(), "P6 %d %d %d%n", &width, &height, &max, &header) != 3) {
        ADD_FAILURE() << "mutool wrote no PPM for " << path;
        return 1e9;
    }
    // mutool covers the page box with whole pixels, we round its sides: they may differ by one.
    PixelsPtr page = PDFPageDocument::Open(path)->RenderPage(
        0, {.graphicsAALevel = graphicsAALevel, .thinStrokes = thinStrokes});
    EXPECT_NEAR(page->Width(), width, 1) << path;
    EXPECT_NEAR(page->Height(), height, 1) << path;
    const int commonWidth = std::min<int>(width, static_cast<int>(page->Width()));
    const int commonHeight = std::min<int>(height, static_cast<int>(page->Height()));
    const auto* pixels = reinterpret_cast<const uint8_t*>(reference.data()) + header + 1;
    double sum = 0;
    for (int y = 0; y < commonHeight; ++y) {
        const uint8_t* ours = page->Bytes() + static_cast<size_t>(y) * page->RowBytes();
        const uint8_t* rgb = pixels + static_cast<size_t>(y) * width * 3;
        for (int x = 0; x < commonWidth; ++x, rgb += 3, ours += 4) {
            sum += std::abs(ours[2] - rgb[0]) + std::abs(ours[1] - rgb[1]) +
                   std::abs(ours[0] - rgb[2]);
        }
    }
    return sum / (3.0 * commonWidth * commonHeight);
}

TEST(PDFPagesTest, FirstPagesMatchMutoolDraw) {
    for (const char* name :
         {"qpdf-compressed-metadata-30pages.pdf", "pdfjs-page_with_number_and_link-17pages.pdf",
          "pdfjs-issue269_1-illustrator-xmp-thumbnails.pdf", "pdfjs-annotation-fileattachment.pdf",
          "qpdf-minimal-signed-restricted-certified.pdf"}) {
        // Also with the coarser anti-aliasing of paths and our painter of thin strokes, as
        // service thumbnails draw.
        EXPECT_LT(MeanDifferenceFromMutool(CorpusPDF(name), 8, false), 1.0) << name;
        EXPECT_LT(MeanDifferenceFromMutool(CorpusPDF(name), 6, true), 1.0) << name << " (service)";
    }
}

// A page of 4,000 rectangles whose colour follows their place, and thin diagonal strokes
// crossing every band: a band drawn at the wrong rows or cut at its edges shows at once.
TEST(PDFPagesTest, BandsDrawThePageAsOneDrawingDoes) {
    std::string content;
    char op[160];
    for (int row = 0; row < 80; ++row) {
        for (int column = 0; column < 50; ++column) {
            std::snprintf(op, sizeof op, "%.3f %.3f 0.5 rg %.1f %.1f 9.5 7.3 re f\n", column / 50.0,
                          row / 80.0, column * 12.2 + 1.3, row * 9.9 + 0.7);
            content += op;
        }
    }
    for (int i = 0; i < 60; ++i) {
        std::snprintf(op, sizeof op, "0 0 0 RG 0.4 w %d 0 m %d 792 l S\n", i * 10, 612 - i * 10);
        content += op;
    }
    ASSERT_GE(content.size(), 64u * 1024) << "too little content to be drawn in bands";
    const std::string path = ScratchPath("banded.pdf");
    WriteFile(path, OnePage("[0 0 612 792]", content));
    auto document = PDFPageDocument::Open(path);
    // Also with our own painter of thin strokes, which clips each band's strokes itself.
    for (const bool thin : {false, true}) {
        for (const uint32_t fitSize : {0u, 256u}) {
            const PixelsPtr whole =
                document->RenderPage(0, {.fitSize = fitSize, .thinStrokes = thin});
            for (const int bands : {2, 3, 4}) {
                const PixelsPtr banded = document->RenderPage(
                    0, {.fitSize = fitSize, .bands = bands, .thinStrokes = thin});
                ASSERT_EQ(banded->Width(), whole->Width());
                ASSERT_EQ(banded->Height(), whole->Height());
                // A display list places some edges a fraction of a pixel apart from direct
                // drawing; a band drawn one row off would differ by tens of levels on average.
                EXPECT_LT(MeanDifference(*whole, *banded), 1.0)
                    << bands << " bands at " << fitSize << (thin ? " (thin strokes)" : "");
            }
        }
    }
}

// One document opened for both its pages and its objects reads as the two separate opens do;
// locked, it has no pages, as opening it for them fails.
TEST(PDFPagesTest, OneOpenServesPagesAndObjects) {
    for (const auto& [name, locked] :
         {std::pair{"qpdf-compressed-metadata-30pages.pdf", false},
          std::pair{"qpdf-enc-R6-userpw-view-attachments-cleartext-metadata.pdf", true}}) {
        const std::string path = CorpusPDF(name);
        const std::string bytes = ReadFile(path);
        PDFGlueError err{};
        const std::shared_ptr<PDFDocumentHandle> handle = PDFDocumentHandle::OpenMemory(
            reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size(), false, err);
        ASSERT_TRUE(handle) << name;
        EXPECT_EQ(handle->Locked(), locked) << name;
        const auto links = PDFLinkDocument::Share(handle, name);
        const auto alone = PDFLinkDocument::Open(path);
        EXPECT_EQ(links->Processable(), alone->Processable()) << name;
        EXPECT_EQ(links->ReadMetadata(), alone->ReadMetadata()) << name;
        EXPECT_EQ(links->ListLinks(), alone->ListLinks()) << name;
        if (handle->Locked()) {
            EXPECT_THROW(PDFPageDocument::Share(handle, name), PagelError) << name;
            EXPECT_THROW(PDFPageDocument::Open(path), PagelError) << name;
        } else {
            const auto pages = PDFPageDocument::Share(handle, name);
            EXPECT_EQ(pages->PageCount(), PDFPageDocument::Open(path)->PageCount()) << name;
            EXPECT_TRUE(pages->RenderPage(0, {.fitSize = 64})) << name;
        }
    }
}

}  // namespace
}  // namespace ThumbMetaLib
