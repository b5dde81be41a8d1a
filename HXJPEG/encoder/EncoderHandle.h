#pragma once

#include <memory>

#include "HXJPEG.h"
#include "HXJPEG/api/FlatCallGuard.h"
#include "HXJPEG/encoder/JPEGEncoder.h"

// The one-word record behind an HXJPEGEncoder handle.
struct HXJPEGEncoder {
    std::unique_ptr<HXJPEG::JPEGEncoder> encoder;
};
