#include "ThumbMetaLib/resample/SourceFileDecoder.h"

#include <mutex>

namespace ThumbMetaLib {
namespace {

std::mutex& DecoderLock() {
    static std::mutex lock;
    return lock;
}

SourceFileDecoder& Installed() {
    static SourceFileDecoder decoder;
    return decoder;
}

}  // namespace

void SetSourceFileDecoder(SourceFileDecoder decoder) {
    std::lock_guard<std::mutex> guard(DecoderLock());
    Installed() = std::move(decoder);
}

SourceFileDecoder CurrentSourceFileDecoder() {
    std::lock_guard<std::mutex> guard(DecoderLock());
    return Installed();
}

}  // namespace ThumbMetaLib
