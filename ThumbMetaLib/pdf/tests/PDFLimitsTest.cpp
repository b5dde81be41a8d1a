// Hostile documents: the per-context memory cap and the render time limit both end in a
// PagelError, as does a cancelled render, and the thread's context stays usable afterwards.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "ThumbMetaLib/pdf/PDFMemoryBudget.h"
#include "ThumbMetaLib/pdf/PDFPageDocument.h"
#include "ThumbMetaLib/pdf/PDFSession.h"
#include "ThumbMetaLib/pdf/PagelError.h"
#include "ThumbMetaLib/pdf/tests/PDFTestFiles.h"

namespace ThumbMetaLib {
namespace {

using namespace pdftest;

std::string PageWith(const std::string& pageExtra, const std::string& content) {
    return MakePDF({"<< /Type /Catalog /Pages 2 0 R >>",
                    "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                    "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 200 200] /Contents 4 0 R " +
                        pageExtra + " >>",
                    "<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content +
                        "\nendstream"});
}

void ExpectUsable() {
    const std::string path = ScratchPath("small.pdf");
    WriteFile(path, PageWith("", "0 0 1 rg 10 10 50 50 re f"));
    EXPECT_EQ(PDFPageDocument::Open(path)->RenderPage(0)->Width(), 200u);
}

// A page object holding a million-element array: about 24 MB once parsed.
TEST(PDFLimitsTest, MemoryCapStopsAHostileDocument) {
    ASSERT_TRUE(EnsurePDFReady());
    std::string numbers = "/Junk [";
    for (int i = 0; i < 1000000; ++i) {
        numbers += "1 ";
    }
    numbers += "]";
    const std::string path = ScratchPath("huge-array.pdf");
    WriteFile(path, PageWith(numbers, "0 0 1 rg 10 10 50 50 re f"));

    SetPDFThreadMemoryLimit(8u << 20);
    const size_t before = PDFThreadMemoryInUse();
    try {
        auto document = PDFPageDocument::Open(path);
        document->RenderPage(0);
        ADD_FAILURE() << "drawn within 8 MiB";
    } catch (const PagelError& error) {
        EXPECT_EQ(error.Code(), kPDFGlueErrorMemory) << error.what();
    }
    EXPECT_LE(PDFThreadMemoryInUse(), before + (1u << 20));  // given back, store aside
    SetPDFThreadMemoryLimit(kPDFDefaultMemoryLimit);
    ExpectUsable();
    // Under the normal cap the same document is fine.
    EXPECT_EQ(PDFPageDocument::Open(path)->RenderPage(0)->Height(), 200u);
}

// Two hundred thousand page-sized fills: seconds of drawing, stopped after a tenth of one by
// the time limit, or by the caller's cancel flag (also while the page is drawn in bands, where
// every band must stop).
TEST(PDFLimitsTest, TimeLimitAndCancellationAbandonALongRender) {
    std::string content;
    for (int i = 0; i < 200000; ++i) {
        content += "0 0 200 200 re f\n";
    }
    const std::string path = ScratchPath("slow.pdf");
    WriteFile(path, PageWith("", content));
    auto document = PDFPageDocument::Open(path);
    std::atomic<bool> cancelled{false};
    const PDFRenderOptions timed{.fitSize = 0, .timeLimit = std::chrono::milliseconds(100)};
    const std::function<bool()> asked = [&cancelled] { return cancelled.load(); };
    const PDFRenderOptions cancellable{
        .fitSize = 0, .timeLimit = std::chrono::milliseconds(0), .cancelled = &asked};
    const PDFRenderOptions banded{
        .fitSize = 0, .timeLimit = std::chrono::milliseconds(0), .bands = 3, .cancelled = &asked};
    for (const PDFRenderOptions& options : {timed, cancellable, banded}) {
        cancelled = false;
        std::thread canceller([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            cancelled = true;
        });
        const auto start = std::chrono::steady_clock::now();
        try {
            document->RenderPage(0, options);
            ADD_FAILURE() << "drawn to the end, bands " << options.bands;
        } catch (const PagelError& error) {
            EXPECT_EQ(error.Code(), kPDFGlueErrorAbort);
            EXPECT_NE(std::string(error.what()).find("rendering page : 0"), std::string::npos);
        }
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        canceller.join();
        ExpectUsable();
    }
}

TEST(PDFLimitsTest, PagesTooLargeToHoldAreRefusedBeforeAllocating) {
    const std::string path = ScratchPath("vast.pdf");
    WriteFile(path, MakePDF({"<< /Type /Catalog /Pages 2 0 R >>",
                             "<< /Type /Pages /Kids [3 0 R] /Count 1 >>",
                             "<< /Type /Page /Parent 2 0 R /MediaBox [0 0 14400 14400]"
                             " /UserUnit 75000 >>"}));
    auto document = PDFPageDocument::Open(path);
    try {
        document->RenderPage(0);
        // MuPDF may ignore /UserUnit: then the page is 14400 x 14400 and too large as well.
        ADD_FAILURE() << "drawn";
    } catch (const PagelError& error) {
        EXPECT_EQ(error.Code(), kPDFGlueErrorMemory) << error.what();
    }
    EXPECT_EQ(document->RenderPage(0, {.fitSize = 32})->Width(), 32u);
}

}  // namespace
}  // namespace ThumbMetaLib
