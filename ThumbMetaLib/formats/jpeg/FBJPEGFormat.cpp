#include "ThumbMetaLib/formats/jpeg/FBJPEGFormat.h"

#include "ThumbMetaLib/formats/jpeg/DecodeJPEG.h"
#include "ThumbMetaLib/formats/jpeg/EmbeddedThumbnail.h"
#include "ThumbMetaLib/formats/jpeg/FBJPEGStream.h"
#include "ThumbMetaLib/formats/jpeg/MarkerScan.h"
#include "ThumbMetaLib/resample/SourceFileDecoder.h"

namespace ThumbMetaLib {
namespace {

// Requests of the quick path: the decode falls back to this size when there is no preview.
constexpr uint32_t kQuickSize = 256;

// The embedded profile of the last CreateThumbnail on this thread, with the handler that
// made it (tests make handlers of their own besides the process-wide one).
struct EmbeddedProfileSlot {
    const FBJPEGFormat* owner = nullptr;
    ColorProfileHolder profile;
};
thread_local EmbeddedProfileSlot embeddedProfile;

const char* ModeName(int32_t mode) {
    switch (mode) {
        case kModeGrayscale:
            return "Grayscale";
        case kModeCMYK:
            return "CMYK";
        case kModeLab:
            return "Lab";
        default:
            return "RGB";
    }
}

}  // namespace

std::shared_ptr<FBJPEGFormat> FBJPEGFormat::Instance() {
    static const std::shared_ptr<FBJPEGFormat> instance = [] {
        SetSourceFileDecoder(&FBJPEGFormat::DecodeFile);
        return std::make_shared<FBJPEGFormat>();
    }();
    return instance;
}

FBJPEGFormat::FBJPEGFormat() {
    AddFileType(MakeOSCode("JPEG"));
    AddFileType(MakeOSCode("JFIF"));
    AddFileType(MakeOSCode("pJPG"));
    AddExtension("JPG");
    AddExtension("JPEG");
    AddExtension("JPE");
}

PixelsPtr FBJPEGFormat::DecodeFile(const std::string& path) {
    auto stream = FBJPEGStream::Open(path);
    return stream ? DecodeJPEG(*stream, 0, nullptr) : nullptr;
}

PixelsPtr FBJPEGFormat::CreateQuickThumbnail(const std::string& path, ThumbImageInfo& info) {
    auto stream = FBJPEGStream::Open(path);
    if (!stream) {
        return nullptr;
    }
    const MarkerScanResult scan = ScanMarkers([&](uint64_t offset, uint8_t* buffer, size_t count) {
        return stream->ReadAt(offset, buffer, count);
    });
    if (PixelsPtr preview = DecodeEmbeddedThumbnail(scan)) {
        info.width = scan.width;
        info.height = scan.height;
        info.bitsPerChannel = 8;
        return preview;
    }
    if (!scan.frameFound || (scan.width <= kQuickSize && scan.height <= kQuickSize)) {
        return nullptr;
    }
    // No preview: the image itself, reduced where that still covers the quick size.
    return DecodeJPEG(*stream, kQuickSize, &info);
}

PixelsPtr FBJPEGFormat::CreateThumbnail(const std::string& path, uint32_t size,
                                        ThumbOptions& options) {
    options.status = -1;
    embeddedProfile = {};
    auto stream = FBJPEGStream::Open(path);
    if (!stream) {
        return nullptr;
    }
    ThumbImageInfo info;
    PixelsPtr pixels = DecodeJPEG(*stream, size, &info);
    const MetaDataHandler* metaData = stream->GetMetaDataHandler();
    if (metaData != nullptr && metaData->ProfileFound()) {
        embeddedProfile = {this, metaData->Profile()};
    }
    if (metaData != nullptr) {
        options.orientation = metaData->ExifOrientation();
    }
    return pixels;
}

bool FBJPEGFormat::HasEmbeddedProfile() const {
    return embeddedProfile.owner == this && embeddedProfile.profile != nullptr;
}

ColorProfileHolder FBJPEGFormat::GetEmbeddedProfile() const {
    return embeddedProfile.owner == this ? embeddedProfile.profile : nullptr;
}

bool FBJPEGFormat::GetImageInfo(const std::string& path, FBImageInfo& info) {
    auto stream = FBJPEGStream::Open(path);
    if (!stream) {
        return false;
    }
    try {
        HXJPEGDecodeOptions options;
        HXJPEGDecodeOptionsInitDefault(&options);
        const HXJPEGHeader header = stream->NewDecoder(options)->ReadHeader(nullptr);
        const int32_t mode = ModeForColorSpace(header.colorSpace);
        info.width = header.width;
        info.height = header.height;
        info.modeName = ModeName(mode);
        info.mode = -1;
        info.bitsPerChannel = 8;
        return header.width != 0 && header.height != 0;
    } catch (const std::exception&) {
        return false;
    }
}

}  // namespace ThumbMetaLib
