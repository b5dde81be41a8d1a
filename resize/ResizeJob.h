#pragma once

#include <cstddef>
#include <cstdint>

// One call of a resize entry point, validated and run for every layout alike.
namespace resize {

struct ResizeJob {
    const uint8_t* const* srcPlanes = nullptr;
    uint8_t* const* dstPlanes = nullptr;
    int32_t planeCount = 1;     // planes for planar layouts, 1 for interleaved
    int32_t bytesPerPixel = 1;  // per plane: 1 planar, 3 or 4 interleaved
    int32_t srcWidth = 0;
    int32_t srcHeight = 0;
    int32_t srcRowStep = 0;
    int32_t roiX = 0;
    int32_t roiY = 0;
    int32_t roiWidth = 0;
    int32_t roiHeight = 0;
    int32_t dstRowStep = 0;
    int32_t dstWidth = 0;
    int32_t dstHeight = 0;
    double xFactor = 0.0;
    double yFactor = 0.0;
    int32_t interpolation = 0;
};

// Checks the arguments in a fixed order (null planes, code, sizes, region, row steps, factors)
// and returns the first failure's status, or kResizeOK.
int32_t ValidateJob(const ResizeJob& job);

// Validates and runs the job at the current processor level; returns the status.
int32_t RunJob(const ResizeJob& job);

}  // namespace resize
