#include "ThumbMetaLib/pdf/PDFPageDocument.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "ThumbMetaLib/pdf/PagelError.h"
#include "ThumbMetaLib/pdf/RenderDeadline.h"

namespace ThumbMetaLib {
namespace {

// A loaded page, released however the render ends.
class LoadedPage {
public:
    LoadedPage(fz_context* ctx, fz_page* page) : ctx_(ctx), page_(page) {}
    ~LoadedPage() { pdfglue_drop_page(ctx_, page_); }
    LoadedPage(const LoadedPage&) = delete;
    LoadedPage& operator=(const LoadedPage&) = delete;
    fz_page* Get() const { return page_; }

private:
    fz_context* ctx_;
    fz_page* page_;
};

// Pages with less content than this are drawn on one thread: banding pays for recording the
// page first and lets each band decode the page's images again, which only the drawing of
// many paths or glyphs repays.
constexpr size_t kPDFBandingMinContentBytes = 64 * 1024;

// Pixels per point: 1, or what fits the larger side into `fitSize`.
double ScaleFor(double width, double height, uint32_t fitSize) {
    return fitSize == 0 ? 1.0 : fitSize / std::max(width, height);
}

// One side in pixels: rounded to the nearest integer, at least 1; 0 when the side is no finite
// size or larger than any page we draw.
int PixelSide(double points, double scale) {
    const double pixels = std::round(std::fabs(points) * scale);
    if (!std::isfinite(pixels) || pixels > static_cast<double>(kPDFMaxPagePixels)) {
        return 0;
    }
    return std::max(1, static_cast<int>(pixels));
}

}  // namespace

std::unique_ptr<PDFPageDocument> PDFPageDocument::Finish(std::shared_ptr<PDFDocumentHandle> handle,
                                                         const PDFGlueError& err,
                                                         const std::string& name,
                                                         const PDFMemoryCapWatch& cap) {
    if (!handle) {
        throw PagelError::OpeningFile(err.code, err.text, name);
    }
    PDFGlueError countErr{};
    int count = 0;
    if (pdfglue_count_pages(handle->Context(), handle->Document(), &count, &countErr) != 0) {
        throw PagelError::OpeningFile(countErr.code, countErr.text, name);
    }
    if (cap.Tripped()) {
        throw PagelError::OpeningFile(kPDFGlueErrorMemory, kPDFMemoryCapText, name);
    }
    return std::unique_ptr<PDFPageDocument>(new PDFPageDocument(std::move(handle), count));
}

std::unique_ptr<PDFPageDocument> PDFPageDocument::Open(const std::string& path) {
    const PDFMemoryCapWatch cap;
    PDFGlueError err{};
    auto handle = PDFDocumentHandle::OpenPath(path, true, err);
    return Finish(std::move(handle), err, path, cap);
}

std::unique_ptr<PDFPageDocument> PDFPageDocument::OpenMemory(const uint8_t* data, size_t size,
                                                             const std::string& name) {
    const PDFMemoryCapWatch cap;
    PDFGlueError err{};
    auto handle = PDFDocumentHandle::OpenMemory(data, size, true, err);
    return Finish(std::move(handle), err, name, cap);
}

PDFGlueImageCache* PDFPageDocument::Images(bool wanted) const {
    if (wanted && !images_) {
        images_.reset(pdfglue_new_image_cache());  // null when that fails: MuPDF decodes
    }
    return wanted ? images_.get() : nullptr;
}

std::unique_ptr<PDFPageDocument> PDFPageDocument::Share(std::shared_ptr<PDFDocumentHandle> handle,
                                                        const std::string& name) {
    if (handle->Locked()) {
        // What opening with the document required unlocked reports.
        throw PagelError::OpeningFile(kPDFGlueErrorGeneric, "document needs a password", name);
    }
    const PDFMemoryCapWatch cap;
    return Finish(std::move(handle), PDFGlueError{}, name, cap);
}

PixelsPtr PDFPageDocument::RenderPage(int pageIndex, const PDFRenderOptions& options) const {
    fz_context* ctx = handle_->Context();
    const PDFMemoryCapWatch cap;
    PDFGlueError err{};
    fz_page* page = nullptr;
    if (pdfglue_load_page(ctx, handle_->Document(), pageIndex, &page, &err) != 0) {
        throw PagelError::AcquiringPage(err.code, err.text, pageIndex);
    }
    const LoadedPage loaded(ctx, page);
    if (cap.Tripped()) {
        throw PagelError::AcquiringPage(kPDFGlueErrorMemory, kPDFMemoryCapText, pageIndex);
    }

    float boxWidth = 0;
    float boxHeight = 0;
    if (pdfglue_page_box(ctx, page, &boxWidth, &boxHeight, &err) != 0) {
        throw PagelError::RenderingPage(err.code, err.text, pageIndex);
    }
    const double scale = ScaleFor(std::fabs(boxWidth), std::fabs(boxHeight), options.fitSize);
    const int width = PixelSide(boxWidth, scale);
    const int height = PixelSide(boxHeight, scale);
    if (width == 0 || height == 0 ||
        static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > kPDFMaxPagePixels) {
        throw PagelError::RenderingPage(kPDFGlueErrorMemory, "page is too large to draw",
                                        pageIndex);
    }

    PixelsPtr pixels = Pixels::Create(static_cast<uint32_t>(width), static_cast<uint32_t>(height),
                                      4, kModeRGB, kLayoutInterleaved, true);
    if (!pixels || pixels->Bytes() == nullptr ||
        pixels->RowBytes() != static_cast<uint32_t>(width) * 4) {
        throw PagelError::RenderingPage(kPDFGlueErrorMemory, "no memory for the page", pageIndex);
    }
    std::memset(pixels->Bytes(), 0xFF, pixels->ByteCount());  // white, opaque

    size_t contentBytes = 0;
    if (options.bands > 1 && pdfglue_page_content_bytes(ctx, page, &contentBytes, &err) != 0) {
        throw PagelError::RenderingPage(err.code, err.text, pageIndex);
    }
    const int bands = contentBytes >= kPDFBandingMinContentBytes ? options.bands : 1;

    const RenderDeadline deadline(options.timeLimit, options.cancelled != nullptr
                                                         ? *options.cancelled
                                                         : std::function<bool()>());
    const PDFGlueRender render{static_cast<float>(scale),
                               width,
                               height,
                               pixels->Bytes(),
                               deadline.Cookie(),
                               std::clamp(bands, 1, static_cast<int>(kPDFGlueMaxBands)),
                               std::clamp(options.graphicsAALevel, 0, 8),
                               options.thinStrokes ? 1 : 0,
                               Images(options.ownJPEG)};
    if (pdfglue_render_page(ctx, page, &render, &err) != 0) {
        throw PagelError::RenderingPage(err.code, err.text, pageIndex);
    }
    if (cap.Tripped()) {
        throw PagelError::RenderingPage(kPDFGlueErrorMemory, kPDFMemoryCapText, pageIndex);
    }
    // The engine's output space is sRGB, and MuPDF's device RGB is taken as sRGB. Debian's
    // MuPDF has no colour management to hand an output profile to (fz_enable_icc only warns
    // "ICC support is not available"; the library carries no colour engine), so nothing is
    // handed over; converting sRGB to the sRGB output would change nothing, so the page is
    // only marked, as the engine's own conversion does for a buffer already in its profile.
    pixels->SetInOutputSpace(true);
    return pixels;
}

}  // namespace ThumbMetaLib
