#pragma once

#include <cstdint>

// The resize kernels: scale an 8-bit image from one size to another in a single call. Five entry
// points, one per layout, each with one implementation per processor level; the level is chosen
// once, process-wide, by ProbeAndSelect (or on the first call when nobody probed).
//
// Arguments of every entry point, in order: source plane(s); source width and height; source
// row step in bytes; source region of interest (x, y, width, height); destination plane(s);
// destination row step; destination width and height; horizontal and vertical factor
// (destination length / source region length); interpolation code.
namespace resize {

// Interpolation codes.
enum ResizeInterpolation : int32_t {
    kInterpolateNearest = 1,
    kInterpolateLinear = 2,
    kInterpolateCubic = 4,
    kInterpolateSupersample = 8,  // area averaging; only when both factors are at most 1
};

// Status results.
enum ResizeStatus : int32_t {
    kResizeOK = 0,
    kResizeBadInterpolation = -2,  // not one of the codes above
    kResizeBadRowStep = -3,        // a row step shorter than a row of pixels
    kResizeBadFactor = -5,         // not finite, not positive, or far from the sizes' ratio
    kResizeBadSize = -6,           // a width or height that is not positive
    kResizeBadRegion = -7,         // region of interest outside the source image
    kResizeNullPlane = -8,         // a plane pointer is null
    kResizeNoMemory = -9,          // no memory for the working buffers
};

// Classifies the processor and sets the process-wide level (see ProcessorLevel.h). Returns 0,
// or 20 when the processor offers no vector level, in which case the generic level is set.
// The environment variable VANTORY_FORCE_PORTABLE=1 forces the generic level.
int32_t ProbeAndSelect();

int32_t ResizePlanar3(const uint8_t* const srcPlanes[3], int32_t srcWidth, int32_t srcHeight,
                      int32_t srcRowStep, int32_t roiX, int32_t roiY, int32_t roiWidth,
                      int32_t roiHeight, uint8_t* const dstPlanes[3], int32_t dstRowStep,
                      int32_t dstWidth, int32_t dstHeight, double xFactor, double yFactor,
                      int32_t interpolation);

int32_t ResizePlanar4(const uint8_t* const srcPlanes[4], int32_t srcWidth, int32_t srcHeight,
                      int32_t srcRowStep, int32_t roiX, int32_t roiY, int32_t roiWidth,
                      int32_t roiHeight, uint8_t* const dstPlanes[4], int32_t dstRowStep,
                      int32_t dstWidth, int32_t dstHeight, double xFactor, double yFactor,
                      int32_t interpolation);

int32_t ResizeOneChannel(const uint8_t* src, int32_t srcWidth, int32_t srcHeight,
                         int32_t srcRowStep, int32_t roiX, int32_t roiY, int32_t roiWidth,
                         int32_t roiHeight, uint8_t* dst, int32_t dstRowStep, int32_t dstWidth,
                         int32_t dstHeight, double xFactor, double yFactor, int32_t interpolation);

int32_t ResizeInterleaved3(const uint8_t* src, int32_t srcWidth, int32_t srcHeight,
                           int32_t srcRowStep, int32_t roiX, int32_t roiY, int32_t roiWidth,
                           int32_t roiHeight, uint8_t* dst, int32_t dstRowStep, int32_t dstWidth,
                           int32_t dstHeight, double xFactor, double yFactor,
                           int32_t interpolation);

int32_t ResizeInterleaved4(const uint8_t* src, int32_t srcWidth, int32_t srcHeight,
                           int32_t srcRowStep, int32_t roiX, int32_t roiY, int32_t roiWidth,
                           int32_t roiHeight, uint8_t* dst, int32_t dstRowStep, int32_t dstWidth,
                           int32_t dstHeight, double xFactor, double yFactor,
                           int32_t interpolation);

}  // namespace resize
