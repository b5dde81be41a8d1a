#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "ThumbMetaLib/pixels/Pixels.h"

namespace ThumbMetaLib {

// Where the driver turns for files no handler claims. Both are filled at start-up by the
// platform's thumbnail and video layers; unset, the driver gets nothing from them.

// A thumbnail of the file at `size` from the desktop's thumbnailers, or null.
using DesktopThumbnailer = std::function<PixelsPtr(const std::string& path, uint32_t size)>;
void SetDesktopThumbnailer(DesktopThumbnailer thumbnailer);
DesktopThumbnailer CurrentDesktopThumbnailer();

// Whether video frames can be grabbed (the service then reads videos on its main thread).
using VideoAvailability = std::function<bool()>;
void SetVideoAvailability(VideoAvailability available);
bool VideoAvailable();

}  // namespace ThumbMetaLib
