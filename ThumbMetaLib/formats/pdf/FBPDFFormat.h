#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "ThumbMetaLib/engine/FBFileFormat.h"

namespace ThumbMetaLib {

// The handler of PDF documents and of the vector-drawing documents stored as PDF: page counts
// and pages through our MuPDF layer, the document's /Metadata stream as its XMP, and for
// vector documents the thumbnail their XMP stores. Library failures end at each operation and
// become its default answer (one page, no pixels, a failed status); the service, which must
// report them, uses the MuPDF layer itself.
class FBPDFFormat : public FBFileFormat {
public:
    static constexpr const char* kFileKind = "$$$/Loom/FileKind/PDF=PDF document";

    static std::shared_ptr<FBPDFFormat> Instance();

    FBPDFFormat();

    std::string GetFileKind() const override { return kFileKind; }
    bool FormatFlag() const override { return false; }

    // "ai" and "ait" must also be a PDF file: at least 32 bytes starting with "%PDF-".
    bool CanHandle(const std::string& path, OSCode creator, OSCode type,
                   const std::string& extension) const override;

    PixelsPtr CreateQuickThumbnail(const std::string&, ThumbImageInfo&) override { return nullptr; }
    // Only vector documents ("ai", "ait"): the JPEG their XMP stores, under the Format/Producer
    // rule (VectorThumbnail.h). PDF files get none here; their pages are rendered.
    PixelsPtr CreateThumbnail(const std::string& path, uint32_t size,
                              ThumbOptions& options) override;

    // 1 when the library is not ready or the document cannot be read.
    int32_t GetPageCount(const std::string& path) override;
    // Pages from 1; page 0 or below gives none.
    PixelsPtr CreatePageThumbnail(const std::string& path, int32_t page, uint32_t size) override;
    // Page `pageIndex` (from 0) drawn so its larger side is `size` pixels (0: one pixel per
    // point), as B,G,R,255 in the output space; none on any failure.
    PixelsPtr RenderPage(const std::string& path, uint32_t size, int32_t pageIndex);

    bool SupportsDirectXMPRead() const override { return true; }
    bool SupportsDirectXMPWrite() const override { return true; }
    // 0 with `writable` set when the document may be written. Departs on purpose from
    // answering 0 without data when there is nothing to read: a document without a packet (or
    // one the library cannot read) is a failed status, so that the caller falls back to the
    // XMP file layer instead of taking an empty tree for the file's packet.
    int32_t DoDirectXMPRead(const std::string& path, xmp::TXMPMeta& meta, bool& writable) override;
    // 0 once the packet is saved; a read-only or unprocessable document, or a library
    // failure, is a failed status with the file untouched.
    int32_t DoDirectXMPWrite(const std::string& path, const xmp::TXMPMeta& meta,
                             uint32_t options) override;
};

// The failed status of the handler's XMP operations.
inline constexpr int32_t kPDFFormatXMPFailed = -1;

}  // namespace ThumbMetaLib
