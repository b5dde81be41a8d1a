// Conversions on several threads at once, sharing cached transforms, give the same bytes as the
// same conversions one after another.
#include <gtest/gtest.h>

#include <thread>

#include "ThumbMetaLib/color/ColorProfiles.h"
#include "ThumbMetaLib/color/ColorState.h"
#include "ThumbMetaLib/color/ConvertToOutput.h"
#include "ThumbMetaLib/tests/ColorTestSupport.h"

namespace {

using namespace ThumbMetaLib;

struct Job {
    int32_t mode;
    int32_t layout;
    int32_t channels;
    ColorProfileHolder profile;
};

std::vector<uint8_t> Convert(const Job& job) {
    const colortest::Samples samples = colortest::SweepSamples(123, 45, job.channels);
    PixelsPtr result =
        ConvertToOutput(colortest::MakePixels(samples, job.mode, job.layout), job.profile);
    // The samples only: row padding is never written.
    std::vector<uint8_t> out;
    for (uint32_t y = 0; y < result->Height(); ++y) {
        for (uint32_t x = 0; x < result->Width(); ++x) {
            for (int32_t c = 0; c < result->Channels(); ++c) {
                out.push_back(colortest::SampleAt(*result, x, y, c));
            }
        }
    }
    return out;
}

TEST(ColorConcurrencyTest, ThreadsSharingTransformsGetTheSerialResults) {
    std::vector<Job> jobs = {
        {kModeRGB, kLayoutInterleaved, 3, StandardProfile(kStandardProfileWideGamutRGB)},
        {kModeRGB, kLayoutPlanar, 3, StandardProfile(kStandardProfileWideGamutRGB)},
        {kModeRGB, kLayoutInterleaved, 4, StandardProfile(kStandardProfileWideGamutRGB)},
        {kModeGrayscale, kLayoutPlanar, 1, nullptr},
        {kModeLab, kLayoutPlanar, 3, nullptr},
    };
    if (ColorState::Current()->DefaultCMYKProfile()) {
        jobs.push_back({kModeCMYK, kLayoutInterleaved, 4, nullptr});
        jobs.push_back({kModeCMYK, kLayoutPlanar, 4, nullptr});
    }
    // Start with an empty cache so that threads also race to build transforms.
    ColorState::Current()->Transforms().Clear();

    constexpr int kThreads = 6;
    constexpr int kRounds = 4;
    std::vector<std::vector<std::vector<uint8_t>>> results(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                for (size_t j = 0; j < jobs.size(); ++j) {
                    results[t].push_back(Convert(jobs[(j + t) % jobs.size()]));
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    std::vector<std::vector<uint8_t>> serial;
    for (const Job& job : jobs) {
        serial.push_back(Convert(job));
    }
    for (int t = 0; t < kThreads; ++t) {
        for (size_t i = 0; i < results[t].size(); ++i) {
            const size_t job = (i % jobs.size() + t) % jobs.size();
            ASSERT_EQ(results[t][i], serial[job]) << "thread " << t << " result " << i;
        }
    }
    EXPECT_LE(ColorState::Current()->Transforms().Size(), jobs.size());
}

}  // namespace
