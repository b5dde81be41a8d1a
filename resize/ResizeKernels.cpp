#include "resize/ResizeKernels.h"

#include "resize/ResizeJob.h"

namespace resize {
namespace {

int32_t Run(const uint8_t* const* src, uint8_t* const* dst, int32_t planes, int32_t bytesPerPixel,
            int32_t srcWidth, int32_t srcHeight, int32_t srcRowStep, int32_t roiX, int32_t roiY,
            int32_t roiWidth, int32_t roiHeight, int32_t dstRowStep, int32_t dstWidth,
            int32_t dstHeight, double xFactor, double yFactor, int32_t interpolation) {
    ResizeJob job;
    job.srcPlanes = src;
    job.dstPlanes = dst;
    job.planeCount = planes;
    job.bytesPerPixel = bytesPerPixel;
    job.srcWidth = srcWidth;
    job.srcHeight = srcHeight;
    job.srcRowStep = srcRowStep;
    job.roiX = roiX;
    job.roiY = roiY;
    job.roiWidth = roiWidth;
    job.roiHeight = roiHeight;
    job.dstRowStep = dstRowStep;
    job.dstWidth = dstWidth;
    job.dstHeight = dstHeight;
    job.xFactor = xFactor;
    job.yFactor = yFactor;
    job.interpolation = interpolation;
    return RunJob(job);
}

}  // namespace

int32_t ResizePlanar3(const uint8_t* const srcPlanes[3], int32_t srcWidth, int32_t srcHeight,
                      int32_t srcRowStep, int32_t roiX, int32_t roiY, int32_t roiWidth,
                      int32_t roiHeight, uint8_t* const dstPlanes[3], int32_t dstRowStep,
                      int32_t dstWidth, int32_t dstHeight, double xFactor, double yFactor,
                      int32_t interpolation) {
    return Run(srcPlanes, dstPlanes, 3, 1, srcWidth, srcHeight, srcRowStep, roiX, roiY, roiWidth,
               roiHeight, dstRowStep, dstWidth, dstHeight, xFactor, yFactor, interpolation);
}

int32_t ResizePlanar4(const uint8_t* const srcPlanes[4], int32_t srcWidth, int32_t srcHeight,
                      int32_t srcRowStep, int32_t roiX, int32_t roiY, int32_t roiWidth,
                      int32_t roiHeight, uint8_t* const dstPlanes[4], int32_t dstRowStep,
                      int32_t dstWidth, int32_t dstHeight, double xFactor, double yFactor,
                      int32_t interpolation) {
    return Run(srcPlanes, dstPlanes, 4, 1, srcWidth, srcHeight, srcRowStep, roiX, roiY, roiWidth,
               roiHeight, dstRowStep, dstWidth, dstHeight, xFactor, yFactor, interpolation);
}

int32_t ResizeOneChannel(const uint8_t* src, int32_t srcWidth, int32_t srcHeight,
                         int32_t srcRowStep, int32_t roiX, int32_t roiY, int32_t roiWidth,
                         int32_t roiHeight, uint8_t* dst, int32_t dstRowStep, int32_t dstWidth,
                         int32_t dstHeight, double xFactor, double yFactor, int32_t interpolation) {
    return Run(&src, &dst, 1, 1, srcWidth, srcHeight, srcRowStep, roiX, roiY, roiWidth, roiHeight,
               dstRowStep, dstWidth, dstHeight, xFactor, yFactor, interpolation);
}

int32_t ResizeInterleaved3(const uint8_t* src, int32_t srcWidth, int32_t srcHeight,
                           int32_t srcRowStep, int32_t roiX, int32_t roiY, int32_t roiWidth,
                           int32_t roiHeight, uint8_t* dst, int32_t dstRowStep, int32_t dstWidth,
                           int32_t dstHeight, double xFactor, double yFactor,
                           int32_t interpolation) {
    return Run(&src, &dst, 1, 3, srcWidth, srcHeight, srcRowStep, roiX, roiY, roiWidth, roiHeight,
               dstRowStep, dstWidth, dstHeight, xFactor, yFactor, interpolation);
}

int32_t ResizeInterleaved4(const uint8_t* src, int32_t srcWidth, int32_t srcHeight,
                           int32_t srcRowStep, int32_t roiX, int32_t roiY, int32_t roiWidth,
                           int32_t roiHeight, uint8_t* dst, int32_t dstRowStep, int32_t dstWidth,
                           int32_t dstHeight, double xFactor, double yFactor,
                           int32_t interpolation) {
    return Run(&src, &dst, 1, 4, srcWidth, srcHeight, srcRowStep, roiX, roiY, roiWidth, roiHeight,
               dstRowStep, dstWidth, dstHeight, xFactor, yFactor, interpolation);
}

}  // namespace resize
