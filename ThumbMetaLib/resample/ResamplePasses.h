#pragma once

#include <cstddef>
#include <cstdint>

#include "ThumbMetaLib/resample/ResampleRowOps.h"
#include "ThumbMetaLib/resample/TResizeTable.h"

namespace ThumbMetaLib {

// One axis of the separable resampler over one 8-bit plane. The table's source length is the
// row length (horizontal) or the row count (vertical). Temporaries come from the thread's
// scratch memory and stay within 2 MiB per strip. False only when memory runs out.
bool HorizontalPass(const TResizeTable& table, const uint8_t* src, size_t srcStride, uint32_t rows,
                    uint8_t* dst, size_t dstStride, const ResampleRowOps& ops = ActiveRowOps());
bool VerticalPass(const TResizeTable& table, const uint8_t* src, size_t srcStride, uint32_t width,
                  uint8_t* dst, size_t dstStride, const ResampleRowOps& ops = ActiveRowOps());

}  // namespace ThumbMetaLib
