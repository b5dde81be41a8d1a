#pragma once
// A document opened for its pages: the page count, and pages drawn into Pixels.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "ThumbMetaLib/pdf/PDFDocumentHandle.h"
#include "ThumbMetaLib/pdf/PDFSession.h"
#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {

// A page may take this long to draw before it is abandoned.
inline constexpr std::chrono::milliseconds kPDFDefaultRenderTimeLimit{30000};
// The largest page drawn, in pixels (as 4-byte Pixels: 1 GiB).
inline constexpr uint64_t kPDFMaxPagePixels = uint64_t{1} << 28;

struct PDFRenderOptions {
    // 0: one pixel per point. Otherwise the page is drawn so that its larger side is this many
    // pixels, which spares the caller scaling a full-size drawing down.
    uint32_t fitSize = 0;
    std::chrono::milliseconds timeLimit = kPDFDefaultRenderTimeLimit;  // 0: none
    // Drawn in this many horizontal bands at once (1 to kPDFGlueMaxBands), each on a thread
    // of its own; more bands pay for recording the page once into a display list first.
    int bands = 1;
    // Bits of anti-aliasing for paths: 8 is MuPDF's finest, each step down is cheaper.
    int graphicsAALevel = 8;
    // Strokes at most one pixel wide painted by our own line painter instead of MuPDF's scan
    // converter: much cheaper on drawings of many thin lines, within a level or two of it.
    bool thinStrokes = false;
    // JPEG images decoded by our own codec at the reduction the drawing needs, and kept for the
    // document's later pages: faster than MuPDF's decoder; plain grey and YCbCr JPEGs only,
    // the rest stays MuPDF's.
    bool ownJPEG = false;
    // Asked every few hundredths of a second, on another thread, while the page is drawn;
    // once it answers true, drawing stops and the render fails with kPDFGlueErrorAbort. Null:
    // never; otherwise it must stay valid until RenderPage returns.
    const std::function<bool()>* cancelled = nullptr;
};

class PDFPageDocument {
public:
    // Throws PagelError "Error <%d>'%@' opening file: %@" (also for a document that needs a
    // password), or std::runtime_error "Pagel initialization failed".
    static std::unique_ptr<PDFPageDocument> Open(const std::string& path);
    // For the fuzzer: `name` stands for the path in messages; `data` must outlive the document.
    static std::unique_ptr<PDFPageDocument> OpenMemory(const uint8_t* data, size_t size,
                                                       const std::string& name);
    // For the fuzzer: the pages of a document already open (for its objects too), so that
    // one input is parsed once. Throws PagelError "Error <%d>'%@' opening file: %@" for a
    // locked document, as the opening functions do.
    static std::unique_ptr<PDFPageDocument> Share(std::shared_ptr<PDFDocumentHandle> handle,
                                                  const std::string& name);

    int PageCount() const { return pageCount_; }

    // Page `pageIndex` (from 0) in device RGB on white, as interleaved B,G,R,255 Pixels of
    // colour mode RGB, marked as in the output space. Throws PagelError "aquiring page" when
    // the page cannot be loaded, "rendering page" when it cannot be drawn, is too large, runs
    // out of memory or past the time limit.
    PixelsPtr RenderPage(int pageIndex, const PDFRenderOptions& options = {}) const;

private:
    PDFPageDocument(std::shared_ptr<PDFDocumentHandle> handle, int pageCount)
        : handle_(std::move(handle)),
          pageCount_(pageCount),
          images_(nullptr, ImageCacheDeleter{handle_->Context()}) {}
    // The document's image cache when `wanted`, made on first use; null otherwise.
    PDFGlueImageCache* Images(bool wanted) const;
    static std::unique_ptr<PDFPageDocument> Finish(std::shared_ptr<PDFDocumentHandle> handle,
                                                   const PDFGlueError& err, const std::string& name,
                                                   const PDFMemoryCapWatch& cap);

    struct ImageCacheDeleter {
        fz_context* ctx;
        void operator()(PDFGlueImageCache* cache) const { pdfglue_drop_image_cache(ctx, cache); }
    };

    std::shared_ptr<PDFDocumentHandle> handle_;
    int pageCount_;
    // Our codec's decodes of the document's JPEG images, kept between pages (ownJPEG); made on
    // first use, released before the document.
    mutable std::unique_ptr<PDFGlueImageCache, ImageCacheDeleter> images_;
};

}  // namespace ThumbMetaLib
