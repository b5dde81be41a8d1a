#include "ThumbMetaLib/pdf/PDFDocumentHandle.h"

#include <stdexcept>

#include "ThumbMetaLib/pdf/PDFSession.h"

namespace ThumbMetaLib {
namespace {

fz_context* ReadyContext() {
    if (!EnsurePDFReady()) {
        throw std::runtime_error(kPagelInitFailedMessage);
    }
    return PDFThreadContext();
}

}  // namespace

std::unique_ptr<PDFDocumentHandle> PDFDocumentHandle::OpenPath(const std::string& path,
                                                               bool requireUnlocked,
                                                               PDFGlueError& err) {
    fz_context* ctx = ReadyContext();
    pdf_document* doc = nullptr;
    int locked = 0;
    if (pdfglue_open_path(ctx, path.c_str(), requireUnlocked, &doc, &locked, &err) != 0) {
        return nullptr;
    }
    return std::unique_ptr<PDFDocumentHandle>(new PDFDocumentHandle(ctx, doc, locked != 0));
}

std::unique_ptr<PDFDocumentHandle> PDFDocumentHandle::OpenMemory(const uint8_t* data, size_t size,
                                                                 bool requireUnlocked,
                                                                 PDFGlueError& err) {
    fz_context* ctx = ReadyContext();
    pdf_document* doc = nullptr;
    int locked = 0;
    if (pdfglue_open_memory(ctx, data, size, requireUnlocked, &doc, &locked, &err) != 0) {
        return nullptr;
    }
    return std::unique_ptr<PDFDocumentHandle>(new PDFDocumentHandle(ctx, doc, locked != 0));
}

PDFDocumentHandle::~PDFDocumentHandle() {
    pdfglue_drop_document(ctx_, doc_);
}

}  // namespace ThumbMetaLib
