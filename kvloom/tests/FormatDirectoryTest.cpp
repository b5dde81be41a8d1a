// The service's directory of engine formats: which extensions reach which wrapper, which
// formats the metadata handlers may use directly, and the start-up listing.
#include <gtest/gtest.h>

#include "ThumbMetaLib/engine/FormatRegistry.h"
#include "ThumbMetaLib/tests/EngineTestSupport.h"
#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/KVException.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/tests/FoundationTestSupport.h"
#include "kvloom/FormatDirectory.h"

namespace kvloom {
namespace {

using enginetest::FakeFormat;
using kvfoundation::data::Literal;

class FormatDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        plain->AddFileType(ThumbMetaLib::MakeOSCode("PlnT"));
        pdf->directRead = pdf->directWrite = true;
        raw->directRead = true;
        for (const auto& format : {plain, pdf, raw}) {
            ThumbMetaLib::Register(format);
        }
    }
    void TearDown() override {
        for (const auto& format : {plain, pdf, raw}) {
            ThumbMetaLib::Unregister(format);
        }
    }

    kvfoundation::base::AutoReleasePool pool;
    std::shared_ptr<FakeFormat> plain = FakeFormat::Claiming("Plain", {"PLN"});
    std::shared_ptr<FakeFormat> pdf = FakeFormat::Claiming("PDF document", {"PDF"});
    std::shared_ptr<FakeFormat> raw = FakeFormat::Claiming(TMLFormat::kRawCameraKind, {"CR2"});
};

TEST_F(FormatDirectoryTest, DirectXMPFormatsAreFoundByAnyCaseOfTheirExtensions) {
    const FormatDirectory directory;
    EXPECT_EQ(directory.AllFormats()->Count(), 4);  // plnt, pln, pdf, cr2
    EXPECT_NE(directory.AllFormats()->ObjectForKey(Literal("plnt")), nullptr);

    // The plain format reads no XMP itself: its files go to the XMP layer.
    EXPECT_EQ(directory.LookUp(Literal("pln")), nullptr);
    EXPECT_EQ(directory.LookUp(Literal("PlnT")), nullptr);

    TMLFormat* viaPDF = directory.LookUp(Literal("PDF"));
    ASSERT_NE(viaPDF, nullptr);
    EXPECT_EQ(viaPDF->Format(), pdf);
    EXPECT_FALSE(viaPDF->IsRawCamera());
    // Vector-drawing documents and their templates share the PDF format's wrapper.
    EXPECT_EQ(directory.LookUp(Literal("ai")), viaPDF);
    EXPECT_EQ(directory.LookUp(Literal("AIT")), viaPDF);

    TMLFormat* viaRaw = directory.LookUp(Literal("cr2"));
    ASSERT_NE(viaRaw, nullptr);
    EXPECT_TRUE(viaRaw->IsRawCamera());
    EXPECT_EQ(kvtest::Text(viaRaw->Description()), "[TMLFormat Rawlith]");
}

TEST_F(FormatDirectoryTest, AFailedDirectWriteNamesTheFormatThePathAndTheCode) {
    const FormatDirectory directory;
    TMLFormat* format = directory.LookUp(Literal("pdf"));
    ASSERT_NE(format, nullptr);
    const auto& tree = *reinterpret_cast<const xmp::TXMPMeta*>(&directory);  // never read
    pdf->writeStatus = -5;
    try {
        format->DoDirectXMPWrite(Literal("/x/a.pdf"), tree);
        FAIL() << "no exception";
    } catch (const kvfoundation::base::KVException& error) {
        EXPECT_EQ(kvtest::Text(error.Message()),
                  "[TMLFormat PDF document]::DoDirectXMPWrite(/x/a.pdf) failed <-5>");
    }
    pdf->writeStatus = 0;
    EXPECT_NO_THROW(format->DoDirectXMPWrite(Literal("/x/a.pdf"), tree));
}

TEST_F(FormatDirectoryTest, TheListingShowsEveryFormatWithItsTypesAndAbilities) {
    auto log = kvtest::CaptureLog::Install();
    FormatDirectory::LogListing();
    kvtest::CaptureLog::Uninstall();
    std::vector<std::string> lines;
    for (const kvtest::CaptureLog::Line& line : log->lines) {
        EXPECT_EQ(line.level, 3) << line.text;
        lines.push_back(line.text);
    }
    const std::vector<std::string> expected = {
        "----    Supported FileFormats     ----",
        " 0. 'Plain'<0> PlnT pln",
        " 1. 'PDF document'<0> pdf DirectXMPRead DirectXMPWrite",
        " 2. 'Rawlith'<0> cr2 DirectXMPRead",
        "---- End of Supported FileFormats ----",
    };
    EXPECT_EQ(lines, expected);
}

}  // namespace
}  // namespace kvloom
