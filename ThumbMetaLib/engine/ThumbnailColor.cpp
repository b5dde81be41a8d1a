#include "ThumbMetaLib/engine/ThumbnailColor.h"

#include "ThumbMetaLib/color/ColorProfiles.h"
#include "ThumbMetaLib/color/ColorState.h"
#include "ThumbMetaLib/color/ConvertToOutput.h"
#include "ThumbMetaLib/formats/jpeg/FBJPEGFormat.h"
#include "kvfoundation/util/ProcessLog.h"
#include "xmp/core/TXMPMeta.h"
#include "xmp/core/XMPConsts.h"
#include "xmp/core/XMPError.h"

namespace ThumbMetaLib {
namespace {

ColorProfileHolder WorkingProfileFor(int32_t mode) {
    const std::shared_ptr<ColorState> state = ColorState::Current();
    switch (mode) {
        case kModeLab:
            return state->DefaultLabProfile();
        case kModeCMYK:
            return state->DefaultCMYKProfile();
        case kModeGrayscale:
            return state->DefaultGrayProfile();
        default:
            return state->DefaultRGBProfile();
    }
}

bool ModeAlwaysConverted(int32_t mode) {
    return mode == kModeLab || mode == kModeCMYK || mode == kModeGrayscale;
}

}  // namespace

std::string MetadataProfileName(const ThumbOptions& options) {
    std::string name;
    if (options.metadata) {
        try {
            options.metadata->GetProperty(xmp::ns::kPictorium, "ICCProfile", &name, nullptr);
        } catch (const xmp::XMPError& error) {
            kvfoundation::util::LogFormat(4, "ThumbMeta: no profile name in the metadata: %s",
                                          error.GetErrMsg());
            name.clear();
        }
    }
    return name;
}

PixelsPtr ConvertThumbnailColor(const FBFileFormat& handler, PixelsPtr pixels,
                                ThumbOptions& options) {
    try {
        ColorProfileHolder source;
        if (handler.HasEmbeddedProfile()) {
            source = handler.GetEmbeddedProfile();
        }
        // (The raw-camera handler, absent here, delivers pixels already in the output space.)
        bool colorWanted = IsColorManagementOn();
        if (colorWanted) {
            const std::string name = MetadataProfileName(options);
            if (!name.empty()) {
                if (ColorProfileHolder named = FindProfileByName(name)) {
                    source = std::move(named);
                    if (options.profileSource == kProfileFromPixels) {
                        options.profileSource = kProfileFromMetadata;
                    }
                }
            }
        }
        const bool isJPEG = &handler == FBJPEGFormat::Instance().get();
        if (pixels->Mode() == kModeRGB && !pixels->InOutputSpace() && !source && !colorWanted &&
            isJPEG) {
            source = WorkingProfileFor(kModeRGB);
            colorWanted = true;
        }
        if (ModeAlwaysConverted(pixels->Mode()) || (!pixels->InOutputSpace() && colorWanted)) {
            if (!source) {
                source = WorkingProfileFor(pixels->Mode());
            }
            return ConvertToOutput(pixels, source);
        }
        return pixels;
    } catch (const HuekoException& error) {
        kvfoundation::util::LogFormat(2, "ThumbMeta: colour conversion failed: %s", error.what());
        // RGB and grayscale are still presentable as they are; CMYK and Lab are not.
        const bool presentable = pixels->Mode() == kModeRGB || pixels->Mode() == kModeGrayscale;
        return presentable ? pixels : nullptr;
    }
}

}  // namespace ThumbMetaLib
