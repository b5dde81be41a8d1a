#include "ThumbMetaLib/pdf/PDFMemoryBudget.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <vector>

namespace ThumbMetaLib {
namespace {

// Each block starts with the budget it was charged to and its size; the header keeps MuPDF's
// blocks aligned as malloc's are.
struct alignas(std::max_align_t) BlockHeader {
    PDFMemoryBudget* budget;
    size_t size;
};

bool Charge(PDFMemoryBudget* budget, size_t size) {
    const size_t limit = budget->limit.load(std::memory_order_relaxed);
    size_t used = budget->used.load(std::memory_order_relaxed);
    do {
        if (used > limit || size > limit - used) {
            budget->refusals.fetch_add(1, std::memory_order_relaxed);
            return false;
        }
    } while (!budget->used.compare_exchange_weak(used, used + size, std::memory_order_relaxed));
    return true;
}

void Refund(PDFMemoryBudget* budget, size_t size) {
    budget->used.fetch_sub(size, std::memory_order_relaxed);
}

BlockHeader* HeaderOf(void* ptr) {
    return static_cast<BlockHeader*>(ptr) - 1;
}

struct BudgetPool {
    std::mutex lock;
    std::deque<PDFMemoryBudget> all;  // a deque never moves its elements
    std::vector<PDFMemoryBudget*> free;
};

BudgetPool& Pool() {
    static BudgetPool* pool = new BudgetPool;  // outlives every context, also at exit
    return *pool;
}

}  // namespace

PDFMemoryBudget* TakePDFMemoryBudget() {
    BudgetPool& pool = Pool();
    std::lock_guard<std::mutex> hold(pool.lock);
    PDFMemoryBudget* budget = nullptr;
    if (!pool.free.empty()) {
        budget = pool.free.back();
        pool.free.pop_back();
    } else {
        budget = &pool.all.emplace_back();
    }
    budget->limit.store(kPDFDefaultMemoryLimit);
    return budget;
}

void ReturnPDFMemoryBudget(PDFMemoryBudget* budget) {
    BudgetPool& pool = Pool();
    std::lock_guard<std::mutex> hold(pool.lock);
    pool.free.push_back(budget);
}

void* PDFBudgetMalloc(void* user, size_t size) noexcept {
    auto* budget = static_cast<PDFMemoryBudget*>(user);
    if (size > SIZE_MAX - sizeof(BlockHeader) || !Charge(budget, size)) {
        return nullptr;
    }
    auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
    if (header == nullptr) {
        Refund(budget, size);
        return nullptr;
    }
    header->budget = budget;
    header->size = size;
    return header + 1;
}

void PDFBudgetFree(void*, void* ptr) noexcept {
    if (ptr == nullptr) {
        return;
    }
    BlockHeader* header = HeaderOf(ptr);
    Refund(header->budget, header->size);
    std::free(header);
}

void* PDFBudgetRealloc(void* user, void* old, size_t size) noexcept {
    if (old == nullptr) {
        return PDFBudgetMalloc(user, size);
    }
    if (size == 0) {
        PDFBudgetFree(user, old);
        return nullptr;
    }
    BlockHeader* header = HeaderOf(old);
    PDFMemoryBudget* owner = header->budget;
    const size_t oldSize = header->size;
    if (size > SIZE_MAX - sizeof(BlockHeader) ||
        (size > oldSize && !Charge(owner, size - oldSize))) {
        return nullptr;
    }
    auto* grown = static_cast<BlockHeader*>(std::realloc(header, sizeof(BlockHeader) + size));
    if (grown == nullptr) {
        if (size > oldSize) {
            Refund(owner, size - oldSize);
        }
        return nullptr;
    }
    if (size < oldSize) {
        Refund(owner, oldSize - size);
    }
    grown->size = size;
    return grown + 1;
}

}  // namespace ThumbMetaLib
