// An untrusted PDF from memory, under a small memory cap: its pages counted, page 1 drawn at
// thumbnail size, its file references, read-only rule and XMP stream read. Library failures
// are PagelErrors; anything else (a crash, a leak, another exception) is a finding.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "ThumbMetaLib/pdf/PDFLinkDocument.h"
#include "ThumbMetaLib/pdf/PDFPageDocument.h"
#include "ThumbMetaLib/pdf/PDFSession.h"
#include "ThumbMetaLib/pdf/PagelError.h"

namespace {

using namespace ThumbMetaLib;

// Inputs beyond this explore nothing new and slow the run down under the sanitizers.
constexpr size_t kMaxInput = size_t{64} << 10;
constexpr size_t kMemoryLimit = size_t{256} << 20;
constexpr const char* kName = "fuzz.pdf";

void DrawFirstPage(const uint8_t* data, size_t size) {
    try {
        auto document = PDFPageDocument::OpenMemory(data, size, kName);
        if (document->PageCount() > 0) {
            document->RenderPage(0, {.fitSize = 64, .timeLimit = std::chrono::milliseconds(2000)});
        }
    } catch (const PagelError&) {
    }
}

void ReadReferences(const uint8_t* data, size_t size) {
    try {
        auto document = PDFLinkDocument::OpenMemory(data, size, kName);
        (void)document->ReadOnly();
        (void)document->ListLinks();
        (void)document->ReadMetadata();
    } catch (const PagelError&) {
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = EnsurePDFReady();
    if (!ready) {
        std::abort();
    }
    if (size > kMaxInput) {
        return 0;
    }
    SetPDFThreadMemoryLimit(kMemoryLimit);
    DrawFirstPage(data, size);
    ReadReferences(data, size);
    return 0;
}
