// The environment variable forces the portable level (this file is its own process, and this
// test sets the variable before anything probes).
#include <gtest/gtest.h>

#include <cstdlib>

#include "resize/ProcessorLevel.h"
#include "resize/ResizeKernels.h"

TEST(ResizeProbeTest, EnvironmentForcesPortableLevelOnce) {
    ASSERT_EQ(setenv("VANTORY_FORCE_PORTABLE", "1", 1), 0);
    const int32_t probe = resize::ProbeAndSelect();
    EXPECT_TRUE(probe == 0 || probe == 20);
    EXPECT_EQ(resize::CurrentLevel(), resize::ProcessorLevel::kGeneric);
    // Probing again changes nothing: the level is chosen once.
    ASSERT_EQ(unsetenv("VANTORY_FORCE_PORTABLE"), 0);
    EXPECT_EQ(resize::ProbeAndSelect(), probe);
    EXPECT_EQ(resize::CurrentLevel(), resize::ProcessorLevel::kGeneric);
}
