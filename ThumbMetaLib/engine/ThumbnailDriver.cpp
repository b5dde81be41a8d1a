#include "ThumbMetaLib/engine/ThumbnailDriver.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "ThumbMetaLib/engine/AsciiCase.h"
#include "ThumbMetaLib/engine/FBNullFileFormat.h"
#include "ThumbMetaLib/engine/FormatRegistry.h"
#include "ThumbMetaLib/engine/ThumbnailColor.h"
#include "ThumbMetaLib/engine/ThumbnailHooks.h"
#include "ThumbMetaLib/resample/Resample.h"
#include "kvfoundation/util/ProcessLog.h"

namespace ThumbMetaLib {
namespace {

// Deliberately two more than the classic list: WebM and Matroska, the containers most video
// on a Linux desktop comes in, which FFmpeg reads as well as the others. Like MP4 they try the
// desktop's thumbnailers first and take the video path when those give nothing.
constexpr std::array<std::string_view, 22> kVideoExtensions = {
    "mov", "avi", "vfw", "3gp", "3gpp", "3g2",  "amc", "swf", "wmv",  "mpg",  "mpe",
    "mpa", "mp4", "rm",  "dv",  "mpeg", "h263", "avc", "qt",  "h264", "webm", "mkv"};

bool HasArea(const PixelsPtr& pixels) {
    return pixels && pixels->Width() > 0 && pixels->Height() > 0;
}

// The handler's pixels, fitted to `size` when `fit`, in the output space.
PixelsPtr HandlerThumbnail(FBFileFormat& handler, const std::string& path, uint32_t size,
                           ThumbOptions& options, bool fit) {
    options.status = -1;
    PixelsPtr pixels = handler.CreateThumbnail(path, size, options);
    if (!pixels) {
        return nullptr;
    }
    if (fit) {
        if (PixelsPtr scaled = ScaleToFit(*pixels, size, kScaleCubic)) {
            pixels = std::move(scaled);
        }
    }
    return ConvertThumbnailColor(handler, std::move(pixels), options);
}

// Files no handler claims: videos go to the main thread's video path, the rest to the
// desktop's thumbnailers.
PixelsPtr UnknownFileThumbnail(const std::string& path, uint32_t size, bool& isVideo) {
    const std::string extension = AsciiLower(PathExtension(path));
    if ((extension == "mov" || extension == "avi") && VideoAvailable()) {
        isVideo = true;
        return nullptr;
    }
    PixelsPtr pixels;
    if (extension != "tif" && extension != "tiff") {
        if (const DesktopThumbnailer thumbnailer = CurrentDesktopThumbnailer()) {
            pixels = thumbnailer(path, size);
            if (HasArea(pixels)) {
                return pixels;
            }
        }
    }
    isVideo = IsVideoExtension(extension);
    return HasArea(pixels) ? pixels : nullptr;
}

}  // namespace

bool IsVideoExtension(const std::string& lowerCaseExtension) {
    return std::find(kVideoExtensions.begin(), kVideoExtensions.end(), lowerCaseExtension) !=
           kVideoExtensions.end();
}

PixelsPtr GetThumbnail(FBFileFormatPtr handler, const std::string& path, uint32_t size,
                       ThumbOptions& options, bool& isVideo, bool preferFullImage) {
    isVideo = false;
    if (!handler) {
        handler = FindFormat(path);
    }
    PixelsPtr pixels;
    try {
        if (handler == FBUnknownFileFormat::Instance()) {
            pixels = UnknownFileThumbnail(path, size, isVideo);
        } else if (handler != FBNullFileFormat::Instance()) {
            if (preferFullImage) {
                ThumbOptions fresh;
                pixels = HandlerThumbnail(*handler, path, size, fresh, false);
            } else {
                pixels = HandlerThumbnail(*handler, path, size, options, true);
            }
        }
    } catch (const std::exception& error) {
        // A failed thumbnail is "no pixels" to the caller, never an exception.
        kvfoundation::util::LogFormat(1, "ThumbMeta: no thumbnail of %s: %s", path.c_str(),
                                      error.what());
        pixels = nullptr;
    }
    if (!HasArea(pixels)) {
        options.status = -1;
        return nullptr;
    }
    options.status = 0;
    return pixels;
}

}  // namespace ThumbMetaLib
