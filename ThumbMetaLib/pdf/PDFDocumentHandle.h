#pragma once
// An open MuPDF document on the calling thread's context. Documents are never shared between
// threads: the handle must be used and destroyed on the thread that opened it.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "ThumbMetaLib/pdf/glue/PDFGlue.h"

namespace ThumbMetaLib {

class PDFDocumentHandle {
public:
    // Opens from a path or from memory (which must outlive the handle). Throws
    // std::runtime_error "Pagel initialization failed" when the library cannot be made ready;
    // a library error comes back in `err` with a null handle.
    static std::unique_ptr<PDFDocumentHandle> OpenPath(const std::string& path,
                                                       bool requireUnlocked, PDFGlueError& err);
    static std::unique_ptr<PDFDocumentHandle> OpenMemory(const uint8_t* data, size_t size,
                                                         bool requireUnlocked, PDFGlueError& err);
    ~PDFDocumentHandle();
    PDFDocumentHandle(const PDFDocumentHandle&) = delete;
    PDFDocumentHandle& operator=(const PDFDocumentHandle&) = delete;

    fz_context* Context() const { return ctx_; }
    pdf_document* Document() const { return doc_; }
    // Encrypted and the empty password did not open it: its objects cannot be read.
    bool Locked() const { return locked_; }

private:
    PDFDocumentHandle(fz_context* ctx, pdf_document* doc, bool locked)
        : ctx_(ctx), doc_(doc), locked_(locked) {}

    fz_context* ctx_;
    pdf_document* doc_;
    bool locked_;
};

inline constexpr const char* kPagelInitFailedMessage = "Pagel initialization failed";

}  // namespace ThumbMetaLib
