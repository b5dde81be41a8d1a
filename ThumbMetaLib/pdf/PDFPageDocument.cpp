#include "ThumbMetaLib/pdf/PDFPageDocument.h"

#include <algorithm>
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

// Pixels per point: 1, or what fits the larger side into `fitSize`.
float ScaleFor(int widthPoints, int heightPoints, uint32_t fitSize) {
    if (fitSize == 0) {
        return 1.0f;
    }
    return static_cast<float>(fitSize) / static_cast<float>(std::max(widthPoints, heightPoints));
}

}  // namespace

std::unique_ptr<PDFPageDocument> PDFPageDocument::Finish(std::unique_ptr<PDFDocumentHandle> handle,
                                                         const PDFGlueError& err,
                                                         const std::string& name) {
    if (!handle) {
        throw PagelError::OpeningFile(err.code, err.text, name);
    }
    PDFGlueError countErr{};
    int count = 0;
    if (pdfglue_count_pages(handle->Context(), handle->Document(), &count, &countErr) != 0) {
        throw PagelError::OpeningFile(countErr.code, countErr.text, name);
    }
    return std::unique_ptr<PDFPageDocument>(new PDFPageDocument(std::move(handle), count));
}

std::unique_ptr<PDFPageDocument> PDFPageDocument::Open(const std::string& path) {
    PDFGlueError err{};
    auto handle = PDFDocumentHandle::OpenPath(path, true, err);
    return Finish(std::move(handle), err, path);
}

std::unique_ptr<PDFPageDocument> PDFPageDocument::OpenMemory(const uint8_t* data, size_t size,
                                                             const std::string& name) {
    PDFGlueError err{};
    auto handle = PDFDocumentHandle::OpenMemory(data, size, true, err);
    return Finish(std::move(handle), err, name);
}

PixelsPtr PDFPageDocument::RenderPage(int pageIndex, const PDFRenderOptions& options) const {
    fz_context* ctx = handle_->Context();
    PDFGlueError err{};
    fz_page* page = nullptr;
    if (pdfglue_load_page(ctx, handle_->Document(), pageIndex, &page, &err) != 0) {
        throw PagelError::AcquiringPage(err.code, err.text, pageIndex);
    }
    const LoadedPage loaded(ctx, page);

    int width = 0;
    int height = 0;
    if (pdfglue_page_size(ctx, page, 1.0f, &width, &height, &err) != 0) {
        throw PagelError::RenderingPage(err.code, err.text, pageIndex);
    }
    const float scale = ScaleFor(width, height, options.fitSize);
    if (width > 0 && height > 0 && scale != 1.0f &&
        pdfglue_page_size(ctx, page, scale, &width, &height, &err) != 0) {
        throw PagelError::RenderingPage(err.code, err.text, pageIndex);
    }
    if (width <= 0 || height <= 0 ||
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

    const RenderDeadline deadline(options.timeLimit);
    const PDFGlueRender render{scale, width, height, pixels->Bytes(), deadline.Cookie()};
    if (pdfglue_render_page(ctx, page, &render, &err) != 0) {
        throw PagelError::RenderingPage(err.code, err.text, pageIndex);
    }
    pixels->SetInOutputSpace(true);
    return pixels;
}

}  // namespace ThumbMetaLib
