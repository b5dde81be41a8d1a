// Our painter of thin strokes against MuPDF's own drawing of the same strokes, and the strokes
// it must leave to MuPDF.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>

#include "ThumbMetaLib/pdf/PDFPageDocument.h"
#include "ThumbMetaLib/pdf/tests/PDFTestFiles.h"

namespace ThumbMetaLib {
namespace {

using namespace pdftest;

// A one-page document whose resources are `resources` (a dictionary's inner text), with a form
// /Grouped, a transparency group holding `formContent`, when that is not empty (MuPDF draws a
// page that holds a group as a group itself).
std::string StrokePage(const std::string& content, const std::string& resources,
                       const std::string& formContent = "") {
    return MakePDF(
        {"<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
         "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 612 792] /Contents 4 0 R /Resources << " +
             resources + (formContent.empty() ? "" : " /XObject << /Grouped 5 0 R >>") + " >> >>",
         "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream",
         "<< /Type /XObject /Subtype /Form /BBox [0 0 612 792] /Group << /S /Transparency >>"
         " /Length " +
             std::to_string(formContent.size()) + " >>\nstream\n" + formContent + "\nendstream"});
}

// How much darker than white the page is, summed over its colour bytes.
double Ink(const Pixels& page) {
    double ink = 0;
    for (uint32_t y = 0; y < page.Height(); ++y) {
        const uint8_t* row = page.Bytes() + static_cast<size_t>(y) * page.RowBytes();
        for (uint32_t x = 0; x < page.Width(); ++x) {
            ink += 3 * 255 - row[4 * x] - row[4 * x + 1] - row[4 * x + 2];
        }
    }
    return ink;
}

std::string Op(const char* format, double a, double b, double c, double d, double e = 0,
               double f = 0, double g = 0, double h = 0) {
    char op[200];
    std::snprintf(op, sizeof op, format, a, b, c, d, e, f, g, h);
    return op;
}

// Lines at every angle, curves across the page, zero-width lines, closed paths, round-capped
// dots, colours in gray, RGB and CMYK, half-transparent strokes, and a line whose ends lie far
// off the page: drawn by our painter and by MuPDF, they must cover the same area the same way.
TEST(PDFThinStrokesTest, ThinStrokesMatchMuPDFsDrawing) {
    std::string content;
    const double widths[] = {0, 0.2, 0.5, 0.9, 1.4, 2.2};
    for (int i = 0; i < 240; ++i) {
        const double angle = i * M_PI / 240;
        const double cx = 60 + (i % 12) * 45, cy = 60 + (i / 12) * 34;
        content +=
            Op("%.3f %.3f %.3f RG %.2f w %.2f %.2f m %.2f %.2f l S\n", (i % 7) / 7.0, (i % 5) / 5.0,
               (i % 3) / 3.0, widths[i % 6], cx - 120 * std::cos(angle), cy - 120 * std::sin(angle),
               cx + 120 * std::cos(angle), cy + 120 * std::sin(angle));
    }
    for (int i = 0; i < 120; ++i) {
        content += Op("%.2f G %.2f w 0 %.1f m 200 %.1f 400 %.1f 612 %.1f c S\n", (i % 4) / 4.0,
                      widths[i % 6], i * 6.5, 792 - i * 6.0, i * 3.0, 400 + (i % 9) * 20);
    }
    for (int i = 0; i < 40; ++i) {
        content += Op("%.2f %.2f %.2f %.2f K 0.6 w", (i % 4) / 4.0, (i % 3) / 3.0, 0.2, 0.1) +
                   Op(" %.1f %.1f m %.1f %.1f l %.1f %.1f l h S\n", 30 + i * 14, 700, 80 + i * 14,
                      760, 20 + i * 14, 780);
        content += Op("1 J 0 0 1 RG 1 w %.1f %.1f m %.1f %.1f l S 0 J\n", 40 + i * 13, 30,
                      40 + i * 13, 30);
    }
    content += "/Half gs 0.8 w 1 0 0 RG 0 0 m 612 792 l S 0 792 m 612 0 l S\n";
    content += "0.5 w 0 0 1 RG -40000 -50000 m 40000 60000 l S\n";
    const std::string path = ScratchPath("thin-strokes.pdf");
    WriteFile(path, StrokePage(content, "/ExtGState << /Half << /CA 0.5 >> >>"));
    auto document = PDFPageDocument::Open(path);
    // At one pixel per point and at thumbnail size, with MuPDF's finest anti-aliasing and the
    // coarser one of service thumbnails. MuPDF's sampled coverage differs from the painter's
    // exact one pixel by pixel (mean 1.0-1.1 and 2.5-3.2 levels at the two sizes); the lines half
    // a pixel off measure 4.9 and 10.
    for (const auto& [fitSize, bound] : {std::pair{0u, 1.5}, std::pair{256u, 4.0}}) {
        for (const int level : {8, 6}) {
            const PixelsPtr mupdf =
                document->RenderPage(0, {.fitSize = fitSize, .graphicsAALevel = level});
            const PixelsPtr ours = document->RenderPage(
                0, {.fitSize = fitSize, .graphicsAALevel = level, .thinStrokes = true});
            ASSERT_EQ(ours->Width(), mupdf->Width());
            ASSERT_EQ(ours->Height(), mupdf->Height());
            EXPECT_LT(MeanDifference(*ours, *mupdf), bound) << fitSize << " level " << level;
            // Lines too wide or too thin change the ink by the same fraction.
            EXPECT_NEAR(Ink(*ours) / Ink(*mupdf), 1.0, 0.04) << fitSize << " level " << level;
        }
    }
}

// Short lines, whose square and round caps are a good part of their ink.
TEST(PDFThinStrokesTest, CapsReachPastTheEndsAsMuPDFsDo) {
    std::string content;
    for (int i = 0; i < 400; ++i) {
        content += Op("%.0f J 0.8 w %.1f %.1f m %.1f %.1f l S\n", 1 + i % 2, 20 + (i % 20) * 28,
                      20 + (i / 20) * 37, 22.5 + (i % 20) * 28, 20 + (i / 20) * 37 + i % 3);
    }
    const std::string path = ScratchPath("capped-strokes.pdf");
    WriteFile(path, StrokePage(content, ""));
    auto document = PDFPageDocument::Open(path);
    const PixelsPtr mupdf = document->RenderPage(0);
    const PixelsPtr ours = document->RenderPage(0, {.thinStrokes = true});
    // Without the caps the painter puts down a fifth less (0.82); with them, 1.006.
    EXPECT_NEAR(Ink(*ours) / Ink(*mupdf), 1.0, 0.05);
}

// Dashed, clipped, wide strokes and coordinates beyond the painter's range are MuPDF's to
// draw, and so is everything on a page that uses blending (MuPDF draws it as a transparency
// group) and in a form that is a group: with or without our painter the page is the same.
TEST(PDFThinStrokesTest, StrokesThePainterCannotDrawAreLeftToMuPDF) {
    std::string lines;
    for (int i = 0; i < 60; ++i) {
        lines += Op("%.1f 0 m %.1f 792 l ", i * 10, 612 - i * 10, 0, 0);
    }
    const std::string far = "100000000000000000000";  // PDF numbers have no exponent
    const std::string strokes = "0.5 w [6 3] 0 d " + lines + "S [] 0 d\n" +            // dashed
                                "q 100 100 300 400 re W n 0.4 w " + lines + "S Q\n" +  // clipped
                                "q 6 w 1 0 0 RG 0 0 m 612 792 l S Q\n" +               // wide
                                "q 0.3 w -" + far + " 0 m " + far + " 792 l S 0 " + far +
                                " m 612 -" + far + " l S Q\n";
    const std::string blended = "q /Multiply gs 0 1 0 RG 0.3 w " + lines + "S Q\n";
    const std::string form = "0.2 w 0 0 1 RG " + lines + "S";
    const std::string pages[] = {
        StrokePage(strokes, ""), StrokePage(strokes + "/Grouped Do\n", "", form),
        StrokePage(blended + strokes, "/ExtGState << /Multiply << /BM /Multiply >> >>")};
    for (const std::string& page : pages) {
        const std::string path = ScratchPath("mupdf-strokes.pdf");
        WriteFile(path, page);
        auto document = PDFPageDocument::Open(path);
        for (const uint32_t fitSize : {0u, 256u}) {
            const PixelsPtr mupdf = document->RenderPage(0, {.fitSize = fitSize});
            const PixelsPtr ours =
                document->RenderPage(0, {.fitSize = fitSize, .thinStrokes = true});
            ASSERT_EQ(ours->ByteCount(), mupdf->ByteCount());
            EXPECT_EQ(MeanDifference(*ours, *mupdf), 0.0) << fitSize;
            EXPECT_GT(Ink(*mupdf), 0.0);
        }
    }
}

// Drawn in bands, a page is recorded first, which tells whether it blends other than normally.
// When it does not, the groups MuPDF draws at full opacity (here the page itself, which holds
// a transparency group form, and the form) are drawn through, so their thin strokes are ours
// too; when it does, everything inside stays MuPDF's.
TEST(PDFThinStrokesTest, RecordedPagesWithoutBlendingHaveTheirGroupsDrawnThrough) {
    std::string lines;
    for (int i = 0; i < 3000; ++i) {
        lines += Op("%.3f G %.2f %.2f m %.2f %.2f l\n", (i % 5) / 5.0, (i % 60) * 10.0,
                    (i / 60) * 15.0, (i % 60) * 10.0 + 37, (i / 60) * 15.0 + 9);
        lines += "S\n";
    }
    ASSERT_GE(lines.size(), 64u * 1024) << "too little content to be drawn in bands";
    const std::string form = "0.2 w 0 0 1 RG 0 0 m 612 792 l S 0 792 m 612 0 l S";
    const std::string plain = StrokePage("0.4 w " + lines + "/Grouped Do\n", "", form);
    const std::string blended = StrokePage(
        "0.4 w /Multiply gs 0 0 m 612 792 l S /Normal gs " + lines + "/Grouped Do\n",
        "/ExtGState << /Multiply << /BM /Multiply >> /Normal << /BM /Normal >> >>", form);
    for (const auto& [page, ownDrawing] : {std::pair{plain, true}, std::pair{blended, false}}) {
        const std::string path = ScratchPath("grouped-strokes.pdf");
        WriteFile(path, page);
        auto document = PDFPageDocument::Open(path);
        const PixelsPtr mupdf = document->RenderPage(0, {.fitSize = 256, .bands = 2});
        const PixelsPtr ours =
            document->RenderPage(0, {.fitSize = 256, .bands = 2, .thinStrokes = true});
        ASSERT_EQ(ours->ByteCount(), mupdf->ByteCount());
        if (ownDrawing) {
            EXPECT_GT(MeanDifference(*ours, *mupdf), 0.0) << "the painter drew nothing";
            EXPECT_LT(MeanDifference(*ours, *mupdf), 2.0);  // measured 1.0, ink 0.98
            EXPECT_NEAR(Ink(*ours) / Ink(*mupdf), 1.0, 0.04);
        } else {
            EXPECT_EQ(MeanDifference(*ours, *mupdf), 0.0);
        }
    }
}

}  // namespace
}  // namespace ThumbMetaLib
