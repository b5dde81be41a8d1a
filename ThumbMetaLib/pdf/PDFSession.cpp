#include "ThumbMetaLib/pdf/PDFSession.h"

#include <stdlib.h>

#include <array>
#include <atomic>
#include <mutex>
#include <thread>

#include "ThumbMetaLib/pdf/PDFMemoryBudget.h"
#include "ThumbMetaLib/pdf/glue/PDFGlue.h"

namespace ThumbMetaLib {
namespace {

// MuPDF's store: fonts, images and parsed objects shared by every thread's context.
constexpr size_t kStoreLimit = size_t{256} << 20;
constexpr int kMaxLocks = 8;

// The thread running static initialisation is the process's main thread.
const std::thread::id kMainThread = std::this_thread::get_id();

// MuPDF decodes the JPEG images our codec leaves to it with the system's libjpeg, whose memory
// is not drawn from a context's budget: the header of a progressive or multi-scan image alone
// has it allocate coefficient buffers for the whole frame (half a gigabyte from a 2 KB
// document). libjpeg caps those buffers by JPEGMEM, read whenever a decoder is made; it is set
// here, before any thread starts, and past it an image fails to decode instead (a cap the user
// set is kept). It holds for every user of libjpeg in the process, libtiff's JPEG strips too.
constexpr const char* kLibJPEGMemory = "256m";  // 256,000,000 bytes
[[maybe_unused]] const bool kLibJPEGCapped = ::setenv("JPEGMEM", kLibJPEGMemory, 0) == 0;

std::atomic<PDFWarningSink> warningSink{nullptr};

void ForwardWarning(void*, const char* message) {
    if (PDFWarningSink sink = warningSink.load()) {
        sink(message);
    }
}

// MuPDF's own locks (allocator, FreeType, glyph cache): real mutexes shared by every clone.
std::array<std::mutex, kMaxLocks>& Locks() {
    static auto* locks = new std::array<std::mutex, kMaxLocks>;  // outlives every context
    return *locks;
}
void LockMuPDF(void* user, int lock) {
    (*static_cast<std::array<std::mutex, kMaxLocks>*>(user))[lock].lock();
}
void UnlockMuPDF(void* user, int lock) {
    (*static_cast<std::array<std::mutex, kMaxLocks>*>(user))[lock].unlock();
}

struct BaseContext {
    std::mutex lock;  // the PDF library lock: making and dropping the base context
    fz_context* ctx = nullptr;
    PDFMemoryBudget* budget = nullptr;
};
BaseContext& Base() {
    static auto* base = new BaseContext;
    return *base;
}

fz_context* MakeBaseContextLocked(BaseContext& base) {
    if (base.ctx == nullptr && pdfglue_lock_count() <= kMaxLocks) {
        if (base.budget == nullptr) {
            base.budget = TakePDFMemoryBudget();
        }
        const PDFGlueHooks hooks{base.budget, PDFBudgetMalloc, PDFBudgetRealloc, PDFBudgetFree,
                                 &Locks(),    LockMuPDF,       UnlockMuPDF,      ForwardWarning};
        base.ctx = pdfglue_new_base_context(&hooks, kStoreLimit);
    }
    return base.ctx;
}

struct ThreadState {
    int32_t status = kPDFNotTried;
    fz_context* ctx = nullptr;
    PDFMemoryBudget* budget = nullptr;

    void Drop() {
        if (ctx != nullptr) {
            pdfglue_drop_context(ctx);
            ReturnPDFMemoryBudget(budget);
        }
        ctx = nullptr;
        budget = nullptr;
        status = kPDFNotTried;
    }
    // A thread that ends without being released still gives its context back.
    ~ThreadState() { Drop(); }
};
thread_local ThreadState threadState;

}  // namespace

int32_t CurrentPDFInitStatus() {
    return threadState.status;
}

bool EnsurePDFReady() {
    ThreadState& state = threadState;
    if (state.status != kPDFNotTried) {
        return state.status == kPDFReady;
    }
    state.status = kPDFFailed;
    BaseContext& base = Base();
    std::lock_guard<std::mutex> hold(base.lock);
    fz_context* baseCtx = MakeBaseContextLocked(base);
    if (baseCtx == nullptr) {
        return false;
    }
    PDFMemoryBudget* budget = TakePDFMemoryBudget();
    fz_context* ctx = pdfglue_clone_context(baseCtx, budget);
    if (ctx == nullptr) {
        ReturnPDFMemoryBudget(budget);
        return false;
    }
    state.ctx = ctx;
    state.budget = budget;
    state.status = kPDFReady;
    return true;
}

fz_context* PDFThreadContext() {
    return threadState.ctx;
}

bool ReleasePDFThread() {
    if (std::this_thread::get_id() == kMainThread || threadState.ctx == nullptr) {
        return false;
    }
    threadState.Drop();
    return true;
}

void ReleasePDFCaches() {
    if (threadState.ctx != nullptr) {
        pdfglue_release_caches(threadState.ctx);
    }
}

void TerminatePDF() {
    BaseContext& base = Base();
    std::lock_guard<std::mutex> hold(base.lock);
    if (base.ctx != nullptr) {
        pdfglue_drop_context(base.ctx);
        base.ctx = nullptr;
    }
}

void SetPDFThreadMemoryLimit(size_t bytes) {
    if (threadState.budget != nullptr) {
        threadState.budget->limit.store(bytes);
    }
}

size_t PDFThreadMemoryInUse() {
    return threadState.budget != nullptr ? threadState.budget->used.load() : 0;
}

namespace {
uint64_t ThreadRefusals() {
    return threadState.budget != nullptr ? threadState.budget->refusals.load() : 0;
}
}  // namespace

PDFMemoryCapWatch::PDFMemoryCapWatch() : start_(ThreadRefusals()) {}
bool PDFMemoryCapWatch::Tripped() const {
    return ThreadRefusals() != start_;
}

void SetPDFWarningSink(PDFWarningSink sink) {
    warningSink.store(sink);
}

}  // namespace ThumbMetaLib
