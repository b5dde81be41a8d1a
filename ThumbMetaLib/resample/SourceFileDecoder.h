#pragma once

#include <functional>
#include <string>

#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {

// Decodes a JPEG file at full size (the JPEG handler installs this at start-up). Resize uses it
// for buffers that name their source file, so a thumbnail is made from the whole image rather
// than from a reduced decode. Returns null when the file cannot be decoded.
using SourceFileDecoder = std::function<PixelsPtr(const std::string& path)>;

// Installs (or with an empty function removes) the process-wide decoder. Thread-safe.
void SetSourceFileDecoder(SourceFileDecoder decoder);
// The installed decoder; empty when none is.
SourceFileDecoder CurrentSourceFileDecoder();

}  // namespace ThumbMetaLib
