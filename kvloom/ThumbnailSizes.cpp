#include "kvloom/ThumbnailSizes.h"

#include "kvfoundation/base/KVCast.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVNumber.h"
#include "kvfoundation/ncomm/NCException.h"
#include "kvfoundation/util/Format.h"
#include "kvloom/LoomErrors.h"

namespace kvloom {

namespace data = kvfoundation::data;

namespace {

[[noreturn]] void ThrowBadSize(data::IKVString* why) {
    throw kvfoundation::ncomm::NCException(data::Literal(errors::kBadRequest), why);
}

}  // namespace

int32_t ThumbnailSizeAt(data::IKVList* sizes, int32_t index) {
    auto* number = kvfoundation::base::KVCast<data::IKVNumber>(sizes->ObjectAt(index));
    if (number->IsFloat()) {
        // Checked as a double: NaN, infinities and values beyond int64 have no integer value.
        const double value = number->DoubleValue();
        if (!(value >= 1 && value < double(kMaxThumbnailSize) + 1)) {
            ThrowBadSize(kvfoundation::util::Format("sizes[%d] is %g; a size must be 1..%d", index,
                                                    value, kMaxThumbnailSize));
        }
        return static_cast<int32_t>(value);
    }
    const int64_t value = number->Int64Value();
    if (value < 1 || value > kMaxThumbnailSize) {
        ThrowBadSize(kvfoundation::util::Format("sizes[%d] is %lld; a size must be 1..%d", index,
                                                static_cast<long long>(value), kMaxThumbnailSize));
    }
    return static_cast<int32_t>(value);
}

std::vector<int32_t> ThumbnailSizes(data::IKVList* sizes) {
    if (sizes->Count() > kMaxThumbnailCount) {
        throw kvfoundation::ncomm::NCException(
            data::Literal(errors::kBadRequest),
            kvfoundation::util::Format("sizes has %d elements; at most %d thumbnails per request",
                                       sizes->Count(), kMaxThumbnailCount));
    }
    std::vector<int32_t> result;
    for (int32_t i = 0; i < sizes->Count(); ++i) {
        result.push_back(ThumbnailSizeAt(sizes, i));
    }
    return result;
}

}  // namespace kvloom
