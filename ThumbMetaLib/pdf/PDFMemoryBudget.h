#pragma once
// A cap on what one MuPDF context may allocate, so that a hostile document cannot take the
// machine's memory. Each worker thread's context draws on a budget of its own.
#include <atomic>
#include <cstddef>
#include <cstdint>

namespace ThumbMetaLib {

inline constexpr size_t kPDFDefaultMemoryLimit = size_t{1} << 30;  // 1 GiB, as fuzzers use

struct PDFMemoryBudget {
    std::atomic<size_t> used{0};
    std::atomic<size_t> limit{kPDFDefaultMemoryLimit};
    // Requests refused so far. MuPDF recovers from some refusals by leaving objects out, so
    // callers compare this count around an operation to tell a faithful result from one cut
    // short by the cap.
    std::atomic<uint64_t> refusals{0};
};

// A budget from the process-wide pool (reused after ReturnPDFMemoryBudget: memory the shared
// store still holds may be charged to it, so budgets are never destroyed).
PDFMemoryBudget* TakePDFMemoryBudget();
void ReturnPDFMemoryBudget(PDFMemoryBudget* budget);

// fz_alloc_context callbacks; `user` is the PDFMemoryBudget charged. A request past the limit
// fails, which MuPDF answers by emptying its store and then by its memory error.
void* PDFBudgetMalloc(void* user, size_t size) noexcept;
void* PDFBudgetRealloc(void* user, void* old, size_t size) noexcept;
void PDFBudgetFree(void* user, void* ptr) noexcept;

}  // namespace ThumbMetaLib
