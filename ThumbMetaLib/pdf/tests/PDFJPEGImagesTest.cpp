// JPEG images decoded by our codec against MuPDF's own decoding, and the images it must leave
// to MuPDF.
#include <gtest/gtest.h>

#include <string>

#include "ThumbMetaLib/pdf/PDFPageDocument.h"
#include "ThumbMetaLib/pdf/tests/PDFTestFiles.h"

namespace ThumbMetaLib {
namespace {

using namespace pdftest;

// A JPEG ImageMagick writes from `arguments` (a picture and options).
std::string MadeJPEG(const std::string& name, const std::string& arguments) {
    const std::string path = ScratchPath(name + ".jpg");
    int status = 0;
    RunCommand("convert " + arguments + " '" + path + "' 2>/dev/null", &status);
    EXPECT_EQ(status, 0) << "convert failed for " << name;
    return ReadFile(path);
}

// A page of 600 x 400 points showing `jpeg` (DCTDecode) over its whole area; `extra` joins the
// image's dictionary and `more` adds objects from 6 on (a soft mask, say).
std::string ImagePage(const std::string& jpeg, int width, int height, const std::string& colors,
                      const std::string& extra = "", const std::vector<std::string>& more = {}) {
    const std::string content = "q 600 0 0 400 0 0 cm /Im1 Do Q";
    std::vector<std::string> objects = {
        "<< /Type /Catalog /Pages 2 0 R >>", "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
        "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 600 400] /Contents 4 0 R"
        " /Resources << /XObject << /Im1 5 0 R >> >> >>",
        "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "\nendstream",
        "<< /Type /XObject /Subtype /Image /Width " + std::to_string(width) + " /Height " +
            std::to_string(height) + " /ColorSpace " + colors +
            " /BitsPerComponent 8 /Filter /DCTDecode " + extra + " /Length " +
            std::to_string(jpeg.size()) + " >>\nstream\n" + jpeg + "\nendstream"};
    objects.insert(objects.end(), more.begin(), more.end());
    return MakePDF(objects);
}

std::pair<PixelsPtr, PixelsPtr> MuPDFsAndOurs(const std::string& pdf, uint32_t fitSize) {
    const std::string path = ScratchPath("jpeg-page.pdf");
    WriteFile(path, pdf);
    auto document = PDFPageDocument::Open(path);
    PixelsPtr mupdf = document->RenderPage(0, {.fitSize = fitSize});
    PixelsPtr ours = document->RenderPage(0, {.fitSize = fitSize, .ownJPEG = true});
    EXPECT_EQ(ours->ByteCount(), mupdf->ByteCount());
    return {mupdf, ours};
}

// Colour and grey pictures drawn at a thumbnail's size (an eighth decoded) and at one pixel per
// point (a half): the two decoders' reductions differ a little at sharp edges, nowhere else.
TEST(PDFJPEGImagesTest, OurDecodesMatchMuPDFs) {
    // Blocks of ten pixels in random colours: sharp edges show an image placed a pixel off.
    const std::string blocks = "-seed 7 -size 120x80 xc: +noise Random -scale 1200x800";
    const std::string colour = MadeJPEG("colour", blocks + " -sampling-factor 1x1 -quality 85");
    const std::string grey = MadeJPEG("grey", blocks + " -colorspace Gray -quality 85");
    for (const auto& [jpeg, colors] :
         {std::pair{colour, "/DeviceRGB"}, std::pair{grey, "/DeviceGray"}}) {
        for (const uint32_t fitSize : {256u, 0u}) {
            const auto [mupdf, ours] = MuPDFsAndOurs(ImagePage(jpeg, 1200, 800, colors), fitSize);
            // Measured 0.04-0.25 at an eighth (both decoders take block means) and 2.8-3.9 at
            // a half (our mean of four samples against libjpeg's reduced transform, at the
            // blocks' edges); the same image a pixel off measures 9 to 26.
            EXPECT_LT(MeanDifference(*ours, *mupdf), 5.0) << colors << " at " << fitSize;
        }
    }
}

// Masked, decoded-array, Adobe-marked, CMYK and damaged JPEGs are MuPDF's to decode: the page
// comes out the same with or without our codec.
TEST(PDFJPEGImagesTest, ImagesOurCodecDoesNotTakeStayMuPDFs) {
    const std::string colour =
        MadeJPEG("colour-small", "-seed 3 -size 300x200 plasma:fractal -quality 80");
    // An Adobe segment (transform 1) right after the start of image.
    std::string adobe = colour;
    adobe.insert(2, std::string("\xFF\xEE\x00\x0E"
                                "Adobe\x00\x64\x00\x00\x00\x00\x01",
                                16));
    const std::string cmyk =
        MadeJPEG("cmyk", "-seed 4 -size 300x200 plasma:fractal -colorspace CMYK -quality 80");
    const std::string mask =
        "<< /Type /XObject /Subtype /Image /Width 2 /Height 2 /ColorSpace "
        "/DeviceGray /BitsPerComponent 8 /Length 4 >>\nstream\n\x10\x80\xC0"
        "\xFF\nendstream";
    const std::string pages[] = {
        ImagePage(colour, 300, 200, "/DeviceRGB", "/SMask 6 0 R", {mask}),
        ImagePage(colour, 300, 200, "/DeviceRGB", "/Decode [1 0 1 0 1 0]"),
        ImagePage(adobe, 300, 200, "/DeviceRGB"),
        ImagePage(cmyk, 300, 200, "/DeviceCMYK"),
        ImagePage(colour.substr(0, colour.size() / 2), 300, 200, "/DeviceRGB"),
        ImagePage(colour, 200, 300, "/DeviceRGB"),  // not the frame's size
    };
    int index = 0;
    for (const std::string& page : pages) {
        for (const uint32_t fitSize : {64u, 0u}) {
            const auto [mupdf, ours] = MuPDFsAndOurs(page, fitSize);
            EXPECT_EQ(MeanDifference(*ours, *mupdf), 0.0) << "page " << index << " at " << fitSize;
        }
        ++index;
    }
}

}  // namespace
}  // namespace ThumbMetaLib
