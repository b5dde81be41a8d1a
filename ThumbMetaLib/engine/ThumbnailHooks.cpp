#include "ThumbMetaLib/engine/ThumbnailHooks.h"

#include <mutex>

namespace ThumbMetaLib {
namespace {

std::mutex g_hooksLock;
DesktopThumbnailer g_desktopThumbnailer;
VideoAvailability g_videoAvailable;

}  // namespace

void SetDesktopThumbnailer(DesktopThumbnailer thumbnailer) {
    std::lock_guard<std::mutex> guard(g_hooksLock);
    g_desktopThumbnailer = std::move(thumbnailer);
}

DesktopThumbnailer CurrentDesktopThumbnailer() {
    std::lock_guard<std::mutex> guard(g_hooksLock);
    return g_desktopThumbnailer;
}

void SetVideoAvailability(VideoAvailability available) {
    std::lock_guard<std::mutex> guard(g_hooksLock);
    g_videoAvailable = std::move(available);
}

bool VideoAvailable() {
    VideoAvailability available;
    {
        std::lock_guard<std::mutex> guard(g_hooksLock);
        available = g_videoAvailable;
    }
    return available && available();
}

}  // namespace ThumbMetaLib
