// Start-up and tear-down of the engine as the service drives them: the record changes hands,
// every library starts once and in order, handlers register in their fixed order and shut down
// in registry order.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ThumbMetaLib/color/ColorProfiles.h"
#include "ThumbMetaLib/engine/EngineStartup.h"
#include "ThumbMetaLib/engine/FormatRegistry.h"
#include "ThumbMetaLib/formats/jpeg/FBJPEGFormat.h"
#include "ThumbMetaLib/formats/scitex/FBScitexFormat.h"
#include "ThumbMetaLib/tests/EngineTestSupport.h"
#include "kvfoundation/tests/FoundationTestSupport.h"

namespace ThumbMetaLib {
namespace {

// The debugging lines that name a library step ("starting X", "stopping X").
std::vector<std::string> Steps(const kvtest::CaptureLog& log) {
    std::vector<std::string> steps;
    for (const kvtest::CaptureLog::Line& line : log.lines) {
        const std::string prefix = "ThumbMeta: ";
        if (line.level == 4 && line.text.rfind(prefix + "st", 0) == 0) {
            steps.push_back(line.text.substr(prefix.size()));
        }
    }
    return steps;
}

TEST(EngineStartupTest, InitializeTakesTheRecordAndStartsEachLibraryOnceInOrder) {
    auto log = kvtest::CaptureLog::Install();
    TMLInitParams params = TMLInitParams::ForService(nullptr, "/opt/vantory", "VantoryQX3");
    ASSERT_NE(params.pluginFolder, nullptr);
    EXPECT_NE(params.pluginFolder.get(), params.presetsFolder.get());  // separate copies
    EXPECT_TRUE(Initialize(std::move(params)));
    EXPECT_EQ(params.pluginFolder, nullptr);
    EXPECT_EQ(params.applicationName, nullptr);

    const std::shared_ptr<const TMLInitParams> kept = CurrentInitParams();
    ASSERT_NE(kept, nullptr);
    EXPECT_STREQ(kept->presetsFolder.get(), "/opt/vantory");
    EXPECT_STREQ(kept->applicationPath.get(), "/opt/vantory");
    EXPECT_STREQ(kept->applicationName.get(), "VantoryQX3");
    EXPECT_EQ(kept->loadPlugins, 0);

    EXPECT_TRUE(Initialize(TMLInitParams::ForService(nullptr, "/elsewhere", "Other")));
    kvtest::CaptureLog::Uninstall();
    const std::vector<std::string> expected = {
        "starting colour engine",    "starting XML engine",       "starting pixel routines",
        "starting graphics library", "starting font engine",      "starting resize kernels",
        "starting plug-in host",     "starting broker utilities", "starting raw-camera handler"};
    EXPECT_EQ(Steps(*log), expected);
}

TEST(EngineStartupTest, StandardFormatsRegisterOnceWithJPEGFirst) {
    RegisterStandardFormats();
    RegisterStandardFormats();
    ASSERT_EQ(Count(), 2u);
    EXPECT_EQ(At(0), FBJPEGFormat::Instance());
    EXPECT_EQ(At(1), FBScitexFormat::Instance());
    EXPECT_TRUE(IsColorManagementOn());
    EXPECT_EQ(FindFormat("/p/IMG_0001.JPG"), FBJPEGFormat::Instance());
    EXPECT_EQ(FindFormat("/p/scan.SCT"), FBScitexFormat::Instance());
}

TEST(EngineStartupTest, TerminateShutsHandlersDownInRegistryOrderThenTheLibraries) {
    ASSERT_TRUE(Initialize(TMLInitParams::ForService(nullptr, "/opt/vantory", "VantoryQX3")));
    RegisterStandardFormats();
    std::vector<std::string> shutDown;
    auto late = std::make_shared<enginetest::FakeFormat>("late", 9);
    auto early = std::make_shared<enginetest::FakeFormat>("early", -9);
    for (const auto& format : {late, early}) {
        format->onShutDown = [&](const std::string& kind) { shutDown.push_back(kind); };
        Register(format);
    }
    auto log = kvtest::CaptureLog::Install();
    Terminate();
    kvtest::CaptureLog::Uninstall();
    EXPECT_EQ(shutDown, (std::vector<std::string>{"early", "late"}));
    EXPECT_FALSE(IsColorManagementOn());
    const std::vector<std::string> expected = {"stopping plug-in host", "stopping graphics library",
                                               "stopping font engine", "stopping broker utilities"};
    EXPECT_EQ(Steps(*log), expected);
    Unregister(late);
    Unregister(early);
}

}  // namespace
}  // namespace ThumbMetaLib
