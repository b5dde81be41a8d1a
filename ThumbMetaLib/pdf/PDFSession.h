#pragma once
// MuPDF's contexts: one process-wide base context, made once under its lock, and a clone of it
// for every thread that uses the library. A thread's context is made on its first use and kept
// until the thread is released (the service's thread-stopped hook) or ends.
#include <cstddef>
#include <cstdint>

struct fz_context;

namespace ThumbMetaLib {

// This thread's PDFInitStatus.
enum PDFInitStatusValue : int32_t {
    kPDFNotTried = -1,
    kPDFFailed = 0,  // tried and failed: this thread does not try again
    kPDFReady = 1,
};
int32_t CurrentPDFInitStatus();

// True when the library is usable on the calling thread, making it so on first use.
bool EnsurePDFReady();

// The calling thread's context (borrowed), null unless EnsurePDFReady has succeeded here.
fz_context* PDFThreadContext();

// Drops the calling thread's context; its status goes back to "not tried". Does nothing on the
// main thread, which keeps its context until the process ends. True when one was dropped.
bool ReleasePDFThread();

// Gives back what MuPDF keeps between documents (decoded images, fonts, parsed resources,
// rendered glyphs), through the calling thread's context; nothing when it has none.
void ReleasePDFCaches();

// Drops the base context. Threads that still hold a clone keep working with it; the next
// thread that starts makes a new base context.
void TerminatePDF();

// The calling thread's memory cap (kPDFDefaultMemoryLimit unless set) and what it holds now.
// Only meaningful once EnsurePDFReady has succeeded on the thread.
void SetPDFThreadMemoryLimit(size_t bytes);
size_t PDFThreadMemoryInUse();

// Whether the calling thread's memory cap refused anything since it was made: a result MuPDF
// produced while its memory was refused may silently lack parts, and is treated as a failure.
class PDFMemoryCapWatch {
public:
    PDFMemoryCapWatch();
    bool Tripped() const;

private:
    uint64_t start_;
};

// Where MuPDF's warnings go (they are dropped unless a sink is set before the base context is
// made). The sink may be called on any thread.
using PDFWarningSink = void (*)(const char* message);
void SetPDFWarningSink(PDFWarningSink sink);

}  // namespace ThumbMetaLib
