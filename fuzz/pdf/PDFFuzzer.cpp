// An untrusted PDF from memory, under a small memory cap: its pages counted, page 1 drawn at
// thumbnail size, its file references, read-only rule and XMP stream read. Library failures
// are PagelErrors; anything else (a crash, a leak, another exception) is a finding.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string_view>

#include "ThumbMetaLib/pdf/PDFDocumentHandle.h"
#include "ThumbMetaLib/pdf/PDFLinkDocument.h"
#include "ThumbMetaLib/pdf/PDFPageDocument.h"
#include "ThumbMetaLib/pdf/PDFSession.h"
#include "ThumbMetaLib/pdf/PagelError.h"

namespace {

using namespace ThumbMetaLib;

// Inputs beyond this explore nothing new and slow the run down under the sanitizers (the
// fuzzer's -max_len keeps to the same bound).
constexpr size_t kMaxInput = size_t{16} << 10;
// Each input stays cheap: a small allocator cap and a tiny drawing. No render time limit: its
// watchdog thread, started for every page, cost more than the drawing itself; libFuzzer's own
// -timeout reports a page that never ends, and the tests cover the limit.
constexpr size_t kMemoryLimit = size_t{64} << 20;
constexpr uint32_t kDrawSize = 32;
constexpr const char* kName = "fuzz.pdf";

bool Contains(const uint8_t* data, size_t size, std::string_view text) {
    return std::string_view(reinterpret_cast<const char*>(data), size).find(text) !=
           std::string_view::npos;
}

// AES-256 encryption (revisions 5 and 6) derives its key through thousands of hash rounds,
// which took about half of every run's time under the sanitizers while exploring nothing of
// ours; such documents are left to the tests. Only the fuzzer skips them.
bool NeedsSlowKeyDerivation(const uint8_t* data, size_t size) {
    return Contains(data, size, "/Encrypt") &&
           (Contains(data, size, "/R 6") || Contains(data, size, "/R 5") ||
            Contains(data, size, "/V 5"));
}

// `last`, the input's last byte, chooses between our painter of thin strokes and codec of JPEG
// images and MuPDF's own drawing and decoding: at this size nearly every stroke is thinner
// than a pixel and every image is reduced.
void DrawFirstPage(const std::shared_ptr<PDFDocumentHandle>& handle, uint8_t last) {
    try {
        auto document = PDFPageDocument::Share(handle, kName);
        if (document->PageCount() > 0) {
            document->RenderPage(0, {.fitSize = kDrawSize,
                                     .timeLimit = std::chrono::milliseconds(0),
                                     .thinStrokes = (last & 1) != 0,
                                     .ownJPEG = (last & 2) != 0});
        }
    } catch (const PagelError&) {
    }
}

void ReadReferences(const std::shared_ptr<PDFDocumentHandle>& handle) {
    try {
        auto document = PDFLinkDocument::Share(handle, kName);
        (void)document->ReadOnly();
        (void)document->ListLinks();
        (void)document->ReadMetadata();
    } catch (const PagelError&) {
    }
}

}  // namespace

// Fuzzing build only: AddressSanitizer's defaults, which ASAN_OPTIONS still overrides. The
// default 256 MiB quarantine hands every allocation fresh pages, and MuPDF makes and frees
// thousands of small objects per document, so page faults took a third of each run; a small
// quarantine still catches a use after free within one input. Departs from the sanitizer's
// defaults on purpose, for speed.
extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=8";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = EnsurePDFReady();
    if (!ready) {
        std::abort();
    }
    if (size > kMaxInput || NeedsSlowKeyDerivation(data, size)) {
        return 0;
    }
    SetPDFThreadMemoryLimit(kMemoryLimit);
    // Opened once for both: a second open parsed the whole input again, and
    // opening once tripled the executions per second.
    if (PDFGlueError err{}; const std::shared_ptr<PDFDocumentHandle> handle =
                                PDFDocumentHandle::OpenMemory(data, size, false, err)) {
        DrawFirstPage(handle, size > 0 ? data[size - 1] : 0);
        ReadReferences(handle);
    }
    // What MuPDF cached for this input goes with it: an input that ends with more allocations
    // than frees has libFuzzer scan the whole heap for leaks, which took two thirds of the time.
    ReleasePDFCaches();
    return 0;
}
