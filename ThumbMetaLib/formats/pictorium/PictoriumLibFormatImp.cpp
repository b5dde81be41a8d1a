#include "ThumbMetaLib/formats/pictorium/PictoriumLibFormatImp.h"

#include <malloc.h>

#include <cmath>
#include <mutex>

#include "ThumbMetaLib/formats/layered/DocumentResources.h"
#include "ThumbMetaLib/formats/layered/LayeredComposite.h"
#include "ThumbMetaLib/formats/layered/LayeredFormatError.h"
#include "ThumbMetaLib/formats/layered/StoredThumbnail.h"
#include "ThumbMetaLib/formats/pictorium/ReaderPreferences.h"
#include "ThumbMetaLib/formats/tiff/TiffFormatError.h"
#include "ThumbMetaLib/formats/tiff/TiffImage.h"
#include "ThumbMetaLib/pixels/ModeNames.h"
#include "kvfoundation/util/ProcessLog.h"

namespace ThumbMetaLib {
namespace {

constexpr int kError = 1;

// Only one thread is inside the readers at a time; concurrent requests for these files are
// served one after another.
std::mutex& ReaderLock() {
    static std::mutex* lock = new std::mutex();
    return *lock;
}

void LogRefusal(const std::string& path, const char* why) {
    kvfoundation::util::LogFormat(kError, "Layered: no image from %s: %s", path.c_str(), why);
}

RasterImage FromLayered(LayeredComposite&& composite) {
    RasterImage image;
    image.pixels = std::move(composite.pixels);
    image.fileMode = composite.structure.header.mode;
    image.bitsPerChannel = composite.structure.header.depth;
    image.resolution = composite.resources.resolution;
    // The stored thumbnail is an sRGB-like JPEG whatever the document's own space is; 32-bit
    // samples are gamma-encoded on their way to 8 bits, so the linear-light profile such
    // documents carry no longer describes them.
    if (composite.source != CompositeSource::kStoredThumbnail && image.bitsPerChannel != 32) {
        image.iccProfile = std::move(composite.resources.iccProfile);
    }
    return image;
}

}  // namespace

const char* PictoriumLibFormatImp::FormatName(Kind kind) {
    switch (kind) {
        case Kind::kLayered:
            return "pictorium35Format";
        case Kind::kTIFF:
            return "TIFFFormat";
        default:
            return nullptr;
    }
}

PictoriumLibFormatImp::Kind PictoriumLibFormatImp::KindOf(RasterSource& source) {
    uint8_t start[8] = {};
    const size_t count = size_t(std::min<uint64_t>(sizeof start, source.Size()));
    if (!source.ReadAt(0, start, count)) {
        return Kind::kUnsupported;
    }
    if (LooksLayered(start, count)) {
        return Kind::kLayered;
    }
    return LooksLikeTiff(start, count) ? Kind::kTIFF : Kind::kUnsupported;
}

std::optional<RasterImage> PictoriumLibFormatImp::ReadComposite(const std::string& path,
                                                                uint32_t size) {
    StartLayeredReader();
    std::unique_ptr<RasterSource> source = OpenFileRasterSource(path);
    if (!source) {
        LogRefusal(path, "the file cannot be opened");
        return std::nullopt;
    }
    const Kind kind = KindOf(*source);
    if (kind == Kind::kUnsupported) {
        LogRefusal(path, "neither a layered document nor TIFF");
        return std::nullopt;
    }
    std::lock_guard<std::mutex> guard(ReaderLock());
    std::optional<RasterImage> image = ReadLocked(*source, kind, path, size);
    source.reset();
    // The design's "free unused memory after each image": hand freed pages back to the system.
    malloc_trim(0);
    return image;
}

std::optional<RasterImage> PictoriumLibFormatImp::ReadLocked(RasterSource& source, Kind kind,
                                                             const std::string& path,
                                                             uint32_t size) {
    try {
        // The XMP packet's rotation is never applied here; the service rotates the result.
        if (kind == Kind::kLayered) {
            return FromLayered(ReadLayeredComposite(source));
        }
        return ReadTiffImage(source, path, size);
    } catch (const LayeredFormatError& error) {
        LogRefusal(path, error.what());
    } catch (const TiffFormatError& error) {
        LogRefusal(path, error.what());
    } catch (const std::bad_alloc&) {
        LogRefusal(path, "out of memory");
    }
    return std::nullopt;
}

PixelsPtr PictoriumLibFormatImp::ReadStoredThumbnail(const std::string& path,
                                                     ThumbImageInfo& info) {
    std::unique_ptr<RasterSource> source = OpenFileRasterSource(path);
    if (!source || KindOf(*source) != Kind::kLayered) {
        return nullptr;
    }
    try {
        const LayeredStructure structure = ReadLayeredStructure(*source);
        const DocumentResources resources =
            ReadDocumentResources(*source, structure.imageResources, true);
        PixelsPtr pixels = DecodeStoredThumbnail(resources);
        if (pixels) {
            info.width = structure.header.width;
            info.height = structure.header.height;
            info.channels = structure.header.channels;
            info.bitsPerChannel = structure.header.depth;
            info.mode = structure.header.mode;
        }
        return pixels;
    } catch (const LayeredFormatError& error) {
        LogRefusal(path, error.what());
        return nullptr;
    }
}

bool PictoriumLibFormatImp::ReadInfo(const std::string& path, FBImageInfo& info) {
    std::unique_ptr<RasterSource> source = OpenFileRasterSource(path);
    if (!source) {
        return false;
    }
    const Kind kind = KindOf(*source);
    if (kind == Kind::kTIFF) {
        return ReadTiffInfo(*source, path, info);
    }
    if (kind != Kind::kLayered) {
        return false;
    }
    try {
        const LayeredStructure structure = ReadLayeredStructure(*source);
        const DocumentResources resources =
            ReadDocumentResources(*source, structure.imageResources, false);
        info.width = int32_t(structure.header.width);
        info.height = int32_t(structure.header.height);
        info.mode = structure.header.mode;
        info.modeName = ModeName(info.mode);
        info.bitsPerChannel = structure.header.depth;
        if (resources.resolution > 0) {
            info.resolution = int32_t(std::lround(std::min(resources.resolution, 1e6)));
        }
        return true;
    } catch (const LayeredFormatError& error) {
        LogRefusal(path, error.what());
        return false;
    }
}

std::string PictoriumLibFormatImp::ReadXMP(const std::string& path) {
    std::unique_ptr<RasterSource> source = OpenFileRasterSource(path);
    if (!source) {
        return {};
    }
    try {
        switch (KindOf(*source)) {
            case Kind::kLayered: {
                const LayeredStructure structure = ReadLayeredStructure(*source);
                return ReadDocumentResources(*source, structure.imageResources, false).xmpPacket;
            }
            case Kind::kTIFF:
                return ReadTiffXMP(*source, path);
            default:
                return {};
        }
    } catch (const std::runtime_error& error) {
        LogRefusal(path, error.what());
        return {};
    }
}

}  // namespace ThumbMetaLib
