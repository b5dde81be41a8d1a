#include <gtest/gtest.h>

#include <thread>

#include "ThumbMetaLib/base/EngineException.h"
#include "ThumbMetaLib/pixels/ScratchMem.h"

namespace ThumbMetaLib {
namespace {

TEST(ScratchMemTest, BlocksComeFromTheBufferInSixteenByteStepsAndGoBackInReverse) {
    ScratchMem& scratch = ScratchMem::ForThisThread();
    const size_t start = scratch.Available();
    EXPECT_EQ(start, ScratchMem::kBufferSize);
    {
        ScratchBlock a(1);
        EXPECT_TRUE(a.FromScratch());
        EXPECT_EQ(reinterpret_cast<uintptr_t>(a.Get()) % 16, 0u);
        EXPECT_EQ(scratch.Available(), start - 16);
        ScratchBlock b(17);
        EXPECT_EQ(b.Get(), a.Get() + 16);
        EXPECT_EQ(scratch.Available(), start - 48);
        ScratchBlock c(0);
        EXPECT_EQ(scratch.Available(), start - 48);
    }
    EXPECT_EQ(scratch.Available(), start);
}

TEST(ScratchMemTest, OversizedRequestsFallBackToTheHeap) {
    ScratchMem& scratch = ScratchMem::ForThisThread();
    ScratchBlock most(ScratchMem::kBufferSize - 32);
    EXPECT_TRUE(most.FromScratch());
    ScratchBlock rest(32);
    EXPECT_TRUE(rest.FromScratch());
    EXPECT_EQ(scratch.Available(), 0u);
    ScratchBlock heap(1);
    EXPECT_FALSE(heap.FromScratch());
    ASSERT_NE(heap.Get(), nullptr);
    heap.Get()[0] = 1;
    ScratchBlock big(ScratchMem::kBufferSize * 2);
    EXPECT_FALSE(big.FromScratch());
}

TEST(ScratchMemTest, DirectAllocationThatDoesNotFitRaisesNoScratch) {
    ScratchMem& scratch = ScratchMem::ForThisThread();
    uint8_t* block = scratch.AllocateDirect(100);
    EXPECT_EQ(scratch.Available(), ScratchMem::kBufferSize - 112);
    try {
        scratch.AllocateDirect(ScratchMem::kBufferSize);
        FAIL() << "no exception";
    } catch (const EngineException& e) {
        EXPECT_EQ(e.Key(), "$$$/Loom/AlertText/ScratchBuffers/NoScratch");
        EXPECT_STREQ(e.what(), "There is not enough scratch memory available.");
    }
    scratch.ReleaseDirect(block);
    EXPECT_EQ(scratch.Available(), ScratchMem::kBufferSize);
}

TEST(ScratchMemTest, EachThreadHasItsOwnBuffer) {
    ScratchBlock mine(1000);
    uint8_t* theirs = nullptr;
    size_t theirAvailable = 0;
    std::thread([&] {
        ScratchBlock block(1000);
        theirs = block.Get();
        theirAvailable = ScratchMem::ForThisThread().Available();
    }).join();
    EXPECT_NE(theirs, mine.Get());
    EXPECT_EQ(theirAvailable, ScratchMem::kBufferSize - 1008);
}

}  // namespace
}  // namespace ThumbMetaLib
