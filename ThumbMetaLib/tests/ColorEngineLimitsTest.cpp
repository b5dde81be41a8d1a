// Profiles cannot size Little CMS's allocations.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "ThumbMetaLib/color/ColorEngineLimits.h"
#include "ThumbMetaLib/color/ColorProfile.h"
#include "ThumbMetaLib/color/ColorProfiles.h"

#include <lcms2_plugin.h>

namespace ThumbMetaLib {
namespace {

// A fuzzer's finds: profiles of 312-420 bytes whose description tags claim hundreds of
// megabytes, which Little CMS allocated while naming them. With the cap in force they are read
// (or refused) and named without it, and no block above the cap is handed out.
TEST(ColorEngineLimitsTest, AProfileCannotSizeTheEnginesAllocations) {
    const std::filesystem::path folder =
        std::filesystem::path(VANTORY_CORPUS_DIR) / "fuzz-regressions" / "icc_profile";
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::vector<char> bytes{std::istreambuf_iterator<char>(in),
                                      std::istreambuf_iterator<char>()};
        if (ColorProfileHolder profile = ColorProfile::FromMemory(bytes.data(), bytes.size())) {
            (void)ProfileName(profile);
        }
        ++inputs;
    }
    EXPECT_GE(inputs, 6);
    void* block = _cmsMalloc(nullptr, kMaxColorEngineAllocation + 1);
    EXPECT_EQ(block, nullptr);
    _cmsFree(nullptr, block);
}

}  // namespace
}  // namespace ThumbMetaLib
