// Per-thread contexts: the status a thread goes through, threads drawing at once, and the
// context a thread gives back when it is released or ends (LeakSanitizer sees any left).
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "ThumbMetaLib/pdf/PDFPageDocument.h"
#include "ThumbMetaLib/pdf/PDFSession.h"
#include "ThumbMetaLib/pdf/tests/PDFTestFiles.h"

namespace ThumbMetaLib {
namespace {

using namespace pdftest;

TEST(PDFSessionTest, AThreadBecomesReadyOnFirstUseAndReleasesItsContext) {
    std::thread worker([] {
        EXPECT_EQ(CurrentPDFInitStatus(), kPDFNotTried);
        EXPECT_EQ(PDFThreadContext(), nullptr);
        ASSERT_TRUE(EnsurePDFReady());
        EXPECT_EQ(CurrentPDFInitStatus(), kPDFReady);
        EXPECT_NE(PDFThreadContext(), nullptr);
        EXPECT_TRUE(ReleasePDFThread());
        EXPECT_EQ(PDFThreadContext(), nullptr);
        EXPECT_FALSE(ReleasePDFThread());
    });
    worker.join();
}

TEST(PDFSessionTest, TheMainThreadKeepsItsContext) {
    ASSERT_TRUE(EnsurePDFReady());
    EXPECT_FALSE(ReleasePDFThread());
    EXPECT_EQ(CurrentPDFInitStatus(), kPDFReady);
}

// Pixels of a page drawn on another thread equal those drawn here, while both threads draw
// different documents at once; the workers end without being released.
TEST(PDFSessionTest, TwoThreadsDrawDifferentDocumentsAtOnce) {
    const std::string paths[2] = {CorpusPDF("qpdf-compressed-metadata-30pages.pdf"),
                                  CorpusPDF("pdfjs-page_with_number_and_link-17pages.pdf")};
    std::string expected[2];
    for (int i = 0; i < 2; ++i) {
        PixelsPtr page = PDFPageDocument::Open(paths[i])->RenderPage(0, {.fitSize = 200});
        expected[i].assign(reinterpret_cast<const char*>(page->Bytes()), page->ByteCount());
    }
    std::vector<std::thread> workers;
    for (int i = 0; i < 2; ++i) {
        workers.emplace_back([&, i] {
            for (int round = 0; round < 3; ++round) {
                auto document = PDFPageDocument::Open(paths[i]);
                PixelsPtr page = document->RenderPage(0, {.fitSize = 200});
                EXPECT_EQ(
                    std::string(reinterpret_cast<const char*>(page->Bytes()), page->ByteCount()),
                    expected[i])
                    << paths[i];
                document->RenderPage(round + 1, {.fitSize = 100});
            }
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
}

// After the base context is dropped, a thread that already has its clone keeps working and a
// new thread makes a new base context.
TEST(PDFSessionTest, TerminateLeavesExistingClonesWorking) {
    const std::string path = CorpusPDF("pdfjs-bug766086-gotor-link.pdf");
    ASSERT_TRUE(EnsurePDFReady());
    TerminatePDF();
    EXPECT_EQ(PDFPageDocument::Open(path)->PageCount(), 1);
    std::thread fresh([&] { EXPECT_EQ(PDFPageDocument::Open(path)->PageCount(), 1); });
    fresh.join();
}

}  // namespace
}  // namespace ThumbMetaLib
