#pragma once

#include <optional>
#include <string>

#include "ThumbMetaLib/engine/ThumbImageInfo.h"
#include "ThumbMetaLib/formats/io/RasterImage.h"
#include "ThumbMetaLib/formats/io/RasterSource.h"

namespace ThumbMetaLib {

// The reader session behind PictoriumLibFormat: which reader a file goes to, the one
// engine-wide lock around the readers, and the memory given back after each image.
class PictoriumLibFormatImp {
public:
    enum class Kind { kLayered, kTIFF, kUnsupported };

    // The format name a file is opened with: "pictorium35Format" for layered documents,
    // "TIFFFormat" for TIFF, null for anything else.
    static const char* FormatName(Kind kind);
    // The kind by the file's first bytes (not its name).
    static Kind KindOf(RasterSource& source);

    // The composite of the file's first image: starts the reader if needed, then opens the
    // file read-only and reads it under the engine-wide lock. Nothing (with a log line) when
    // the file is refused. A `size` other than 0 lets the reader give a smaller image that
    // still fits `size` x `size` with detail to spare (TIFF shrinks while decoding).
    std::optional<RasterImage> ReadComposite(const std::string& path, uint32_t size = 0);
    // The stored image-resource thumbnail of a layered document, at its own size; `info`
    // gets the document's size, depth and mode. Does not start the reader.
    PixelsPtr ReadStoredThumbnail(const std::string& path, ThumbImageInfo& info);
    // Size, mode, depth and resolution from the file's header.
    bool ReadInfo(const std::string& path, FBImageInfo& info);
    // The document's XMP packet (resource 1060, TIFF tag 700); empty when there is none.
    std::string ReadXMP(const std::string& path);

private:
    std::optional<RasterImage> ReadLocked(RasterSource& source, Kind kind, const std::string& path,
                                          uint32_t size);
};

}  // namespace ThumbMetaLib
