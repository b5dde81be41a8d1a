#include "resize/ResizeJob.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <stdexcept>
#include <vector>

#include "resize/AxisTables.h"
#include "resize/ResizeKernels.h"
#include "resize/RowKernels.h"

namespace resize {
namespace {

// A factor may differ from destination / source by this much either way; beyond it the request
// makes no sense and would make filter windows (and the work) unbounded.
constexpr double kFactorSlack = 16.0;

bool FactorFits(double factor, int32_t dstLength, int32_t srcLength) {
    if (!std::isfinite(factor) || factor <= 0.0) {
        return false;
    }
    const double ratio = static_cast<double>(dstLength) / static_cast<double>(srcLength);
    return factor >= ratio / kFactorSlack && factor <= ratio * kFactorSlack;
}

int32_t EffectiveInterpolation(const ResizeJob& job) {
    // Supersampling only reduces; asked to enlarge it behaves as linear.
    if (job.interpolation == kInterpolateSupersample && (job.xFactor > 1.0 || job.yFactor > 1.0)) {
        return kInterpolateLinear;
    }
    return job.interpolation;
}

const uint8_t* SourceRow(const ResizeJob& job, int32_t plane, int32_t row) {
    return job.srcPlanes[plane] + static_cast<ptrdiff_t>(job.roiY + row) * job.srcRowStep +
           static_cast<ptrdiff_t>(job.roiX) * job.bytesPerPixel;
}

uint8_t* DestinationRow(const ResizeJob& job, int32_t plane, int32_t row) {
    return job.dstPlanes[plane] + static_cast<ptrdiff_t>(row) * job.dstRowStep;
}

void RunNearest(const ResizeJob& job, const RowKernels& kernels) {
    NearestAxis columns = BuildNearestAxis(job.roiWidth, job.dstWidth, job.xFactor);
    const NearestAxis rows = BuildNearestAxis(job.roiHeight, job.dstHeight, job.yFactor);
    if (kernels.nearestNeedsGatherPlan) {
        const int64_t readable = static_cast<int64_t>(job.srcWidth - job.roiX) * job.bytesPerPixel;
        AddGatherPlan(columns, job.bytesPerPixel, readable);
    }
    const uint8_t* in[kNearestRowBatch];
    uint8_t* out[kNearestRowBatch];
    for (int32_t plane = 0; plane < job.planeCount; ++plane) {
        for (int32_t y = 0; y < job.dstHeight; y += kNearestRowBatch) {
            const int32_t batch = std::min(kNearestRowBatch, job.dstHeight - y);
            for (int32_t r = 0; r < batch; ++r) {
                in[r] = SourceRow(job, plane, rows.index[static_cast<size_t>(y + r)]);
                out[r] = DestinationRow(job, plane, y + r);
            }
            kernels.nearest(in, out, batch, columns, job.bytesPerPixel, job.dstWidth);
        }
    }
}

// Vertical pass first, into a padded row that the horizontal kernels may over-read.
void RunFiltered(const ResizeJob& job, const RowKernels& kernels, int32_t interpolation) {
    const int32_t horizontalMultiple =
        job.bytesPerPixel == 1 ? kernels.horizontal1TapMultiple : kernels.horizontalNTapMultiple;
    const FilterAxis columns =
        BuildFilterAxis(job.roiWidth, job.dstWidth, job.xFactor, interpolation, horizontalMultiple);
    const FilterAxis rows = BuildFilterAxis(job.roiHeight, job.dstHeight, job.yFactor,
                                            interpolation, kernels.verticalTapMultiple);
    const int32_t rowBytes = job.roiWidth * job.bytesPerPixel;
    std::vector<uint8_t> line(
        static_cast<size_t>(rowBytes) + static_cast<size_t>(columns.taps + 16) * job.bytesPerPixel,
        0);
    std::vector<const uint8_t*> tapRows(static_cast<size_t>(rows.taps));
    auto horizontal = job.bytesPerPixel == 1   ? kernels.horizontal1
                      : job.bytesPerPixel == 3 ? kernels.horizontal3
                                               : kernels.horizontal4;
    for (int32_t plane = 0; plane < job.planeCount; ++plane) {
        for (int32_t y = 0; y < job.dstHeight; ++y) {
            const int32_t first = rows.first[static_cast<size_t>(y)];
            for (int32_t k = 0; k < rows.taps; ++k) {
                // Padding taps carry zero weight; point them at a real row.
                const int32_t row = first + k < job.roiHeight ? first + k : job.roiHeight - 1;
                tapRows[static_cast<size_t>(k)] = SourceRow(job, plane, row);
            }
            kernels.vertical(tapRows.data(),
                             &rows.weights[static_cast<size_t>(y) * static_cast<size_t>(rows.taps)],
                             rows.taps, line.data(), rowBytes);
            horizontal(line.data(), columns, DestinationRow(job, plane, y), job.dstWidth);
        }
    }
}

}  // namespace

int32_t ValidateJob(const ResizeJob& job) {
    if (job.srcPlanes == nullptr || job.dstPlanes == nullptr) {
        return kResizeNullPlane;
    }
    for (int32_t p = 0; p < job.planeCount; ++p) {
        if (job.srcPlanes[p] == nullptr || job.dstPlanes[p] == nullptr) {
            return kResizeNullPlane;
        }
    }
    switch (job.interpolation) {
        case kInterpolateNearest:
        case kInterpolateLinear:
        case kInterpolateCubic:
        case kInterpolateSupersample:
            break;
        default:
            return kResizeBadInterpolation;
    }
    if (job.srcWidth <= 0 || job.srcHeight <= 0 || job.roiWidth <= 0 || job.roiHeight <= 0 ||
        job.dstWidth <= 0 || job.dstHeight <= 0) {
        return kResizeBadSize;
    }
    if (job.roiX < 0 || job.roiY < 0 ||
        static_cast<int64_t>(job.roiX) + job.roiWidth > job.srcWidth ||
        static_cast<int64_t>(job.roiY) + job.roiHeight > job.srcHeight) {
        return kResizeBadRegion;
    }
    if (job.srcRowStep < static_cast<int64_t>(job.srcWidth) * job.bytesPerPixel ||
        job.dstRowStep < static_cast<int64_t>(job.dstWidth) * job.bytesPerPixel) {
        return kResizeBadRowStep;
    }
    if (!FactorFits(job.xFactor, job.dstWidth, job.roiWidth) ||
        !FactorFits(job.yFactor, job.dstHeight, job.roiHeight)) {
        return kResizeBadFactor;
    }
    return kResizeOK;
}

int32_t RunJob(const ResizeJob& job) {
    const int32_t status = ValidateJob(job);
    if (status != kResizeOK) {
        return status;
    }
    const RowKernels& kernels = RowKernelsFor(CurrentLevel());
    try {
        const int32_t interpolation = EffectiveInterpolation(job);
        if (interpolation == kInterpolateNearest) {
            RunNearest(job, kernels);
        } else {
            RunFiltered(job, kernels, interpolation);
        }
    } catch (const std::bad_alloc&) {
        return kResizeNoMemory;
    } catch (const std::length_error&) {
        return kResizeNoMemory;
    }
    return kResizeOK;
}

}  // namespace resize
