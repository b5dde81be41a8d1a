#pragma once

#include <cstdint>
#include <string>

#include "ThumbMetaLib/engine/FBFileFormat.h"
#include "ThumbMetaLib/engine/ThumbOptions.h"

namespace ThumbMetaLib {

// The engine's thumbnail of a file: `handler` (or, when null, the handler the matching rules
// choose) makes the pixels, fitted into a square of `size` (unless `preferFullImage`) and
// converted to sRGB. Null when there is no thumbnail; options.status is then -1, else 0.
// `isVideo` is set for videos the caller must read on its main thread.
PixelsPtr GetThumbnail(FBFileFormatPtr handler, const std::string& path, uint32_t size,
                       ThumbOptions& options, bool& isVideo, bool preferFullImage = false);

// The extensions of video files: their thumbnails come from the video path, not the desktop.
bool IsVideoExtension(const std::string& lowerCaseExtension);

}  // namespace ThumbMetaLib
