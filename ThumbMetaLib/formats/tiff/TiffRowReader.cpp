#include "ThumbMetaLib/formats/tiff/TiffRowReader.h"

#include <exception>
#include <numeric>
#include <thread>

namespace ThumbMetaLib {
namespace {

// Below these a second handle and thread cost more than they save.
constexpr uint32_t kMinBandsToShare = 4;
constexpr uint64_t kMinPixelsToShare = uint64_t{1} << 20;

// The first row of the second half: a multiple of both the band height (no band decoded
// twice) and the shrink factor (no block split between threads); 0 when there is none.
uint32_t SplitRow(const TiffFields& fields, uint32_t factor) {
    const uint32_t band = fields.BandRows();
    const uint64_t unit = std::lcm(uint64_t{band}, uint64_t{factor});
    uint64_t split = (uint64_t{fields.height} / 2 + unit / 2) / unit * unit;
    if (split == 0 || split >= fields.height) {
        split = (uint64_t{fields.height} / 2) / factor * factor;
    }
    return split < fields.height ? uint32_t(split) : 0;
}

bool WorthSharing(const TiffFields& fields) {
    const uint32_t bands = (fields.height + fields.BandRows() - 1) / fields.BandRows();
    return bands >= kMinBandsToShare &&
           uint64_t{fields.width} * fields.height >= kMinPixelsToShare &&
           std::thread::hardware_concurrency() >= 2;
}

}  // namespace

TiffBandCount ReadTiffRows(TiffFile& file, RasterSource& source, const std::string& name,
                           const TiffFields& fields, const Pixels& target, uint32_t factor,
                           const TiffRowReader& reader) {
    const uint32_t split = WorthSharing(fields) ? SplitRow(fields, factor) : 0;
    TiffBandCount first;
    BoxShrinker top(target, factor, fields.width, fields.height);
    if (split == 0) {
        reader(file.Handle(), 0, fields.height, top, first);
        return first;
    }
    TiffBandCount second;
    std::exception_ptr secondError;
    std::thread helper([&] {
        try {
            TiffFile own(source, name);
            BoxShrinker bottom(target, factor, fields.width, fields.height);
            reader(own.Handle(), split, fields.height, bottom, second);
        } catch (...) {
            secondError = std::current_exception();
        }
    });
    std::exception_ptr firstError;
    try {
        reader(file.Handle(), 0, split, top, first);
    } catch (...) {
        firstError = std::current_exception();
    }
    helper.join();
    if (firstError) {
        std::rethrow_exception(firstError);
    }
    if (secondError) {
        std::rethrow_exception(secondError);
    }
    first += second;
    return first;
}

}  // namespace ThumbMetaLib
