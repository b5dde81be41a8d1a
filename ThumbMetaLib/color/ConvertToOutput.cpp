#include "ThumbMetaLib/color/ConvertToOutput.h"

#include <cstdint>
#include <optional>

#include "ThumbMetaLib/color/ColorProfile.h"
#include "ThumbMetaLib/color/ColorState.h"
#include "ThumbMetaLib/color/ColorTransform.h"
#include "ThumbMetaLib/color/HuekoException.h"

namespace ThumbMetaLib {
namespace {

struct Formats {
    cmsUInt32Number input;
    cmsUInt32Number output;
    int32_t outputMode;
    int32_t outputChannels;
};

cmsUInt32Number Format(cmsUInt32Number space, int32_t colours, int32_t extra, bool planar) {
    return COLORSPACE_SH(space) | CHANNELS_SH(colours) | EXTRA_SH(extra) | BYTES_SH(1) |
           PLANAR_SH(planar ? 1 : 0);
}

// Input and output pixel formats of a buffer, or nothing when the mode / layout / channel count
// is not one that is converted.
std::optional<Formats> FormatsFor(const Pixels& pixels, CMYKStorage storage) {
    const bool planar = pixels.Layout() == kLayoutPlanar;
    if (!planar && pixels.Layout() != kLayoutInterleaved) {
        return std::nullopt;
    }
    const int32_t channels = pixels.Channels();
    switch (pixels.Mode()) {
        case kModeRGB:
        case kModeLab: {
            if (channels != 3 && channels != 4) {
                return std::nullopt;
            }
            const cmsUInt32Number space = pixels.Mode() == kModeRGB ? PT_RGB : PT_Lab;
            const int32_t extra = channels - 3;
            return Formats{Format(space, 3, extra, planar), Format(PT_RGB, 3, extra, planar),
                           kModeRGB, channels};
        }
        case kModeCMYK: {
            if (channels != 4) {
                return std::nullopt;
            }
            cmsUInt32Number input = Format(PT_CMYK, 4, 0, planar);
            if (storage == CMYKStorage::kInverted) {
                input |= FLAVOR_SH(1);  // as TYPE_CMYK_8_REV
            }
            // Planar: RGB lands in the first three planes. Interleaved: 4-byte RGB pixels.
            return planar ? Formats{input, Format(PT_RGB, 3, 0, true), kModeRGB, 3}
                          : Formats{input, Format(PT_RGB, 3, 1, false), kModeRGB, 4};
        }
        case kModeGrayscale:
            if (!planar || (channels != 1 && channels != 2)) {
                return std::nullopt;
            }
            return Formats{Format(PT_GRAY, 1, channels - 1, true),
                           Format(PT_GRAY, 1, channels - 1, true), kModeGrayscale, channels};
        default:
            return std::nullopt;
    }
}

uint32_t SpaceOfMode(int32_t mode) {
    switch (mode) {
        case kModeRGB:
            return cmsSigRgbData;
        case kModeCMYK:
            return cmsSigCmykData;
        case kModeGrayscale:
            return cmsSigGrayData;
        default:
            return cmsSigLabData;
    }
}

ColorProfileHolder WorkingProfile(const ColorState& state, int32_t mode) {
    switch (mode) {
        case kModeRGB:
            return state.DefaultRGBProfile();
        case kModeCMYK:
            return state.DefaultCMYKProfile();
        case kModeGrayscale:
            return state.DefaultGrayProfile();
        default:
            return state.DefaultLabProfile();
    }
}

void FillFourthBytes(uint8_t* bytes, const Pixels& pixels) {
    for (uint32_t y = 0; y < pixels.Height(); ++y) {
        uint8_t* row = bytes + static_cast<size_t>(y) * pixels.RowBytes();
        for (uint32_t x = 0; x < pixels.Width(); ++x) {
            row[x * 4 + 3] = 255;
        }
    }
}

}  // namespace

PixelsPtr ConvertToOutput(const PixelsPtr& pixels, ColorProfileHolder source, CMYKStorage storage) {
    const std::shared_ptr<ColorState> state = ColorState::Current();
    if (!pixels || pixels->Bytes() == nullptr) {
        throw HuekoException(kHuekoUnsupportedPixels);
    }
    const std::optional<Formats> formats = FormatsFor(*pixels, storage);
    if (!formats) {
        throw HuekoException(kHuekoUnsupportedPixels);
    }
    if (!source || source->ColorSpace() != SpaceOfMode(pixels->Mode())) {
        source = WorkingProfile(*state, pixels->Mode());
        if (!source) {
            throw HuekoException(kHuekoBadProfile);
        }
    }
    const ColorProfileHolder& destination =
        pixels->Mode() == kModeGrayscale ? state->OutputGrayProfile() : state->SRGBProfile();
    if (pixels->Mode() == kModeRGB && source->SameAs(*destination)) {
        pixels->SetProfile(state->SRGBProfile());
        pixels->SetInOutputSpace(true);
        return pixels;
    }

    const bool planar = pixels->Layout() == kLayoutPlanar;
    const size_t rowBytes = pixels->RowBytes();
    const size_t planeBytes = planar ? rowBytes * pixels->Height() : 0;
    if (planeBytes > UINT32_MAX || rowBytes > UINT32_MAX) {
        throw HuekoException(kHuekoUnsupportedPixels);  // beyond the engine's 32-bit strides
    }
    const TransformCache::Key key{source->Id(), pixels->Mode(), pixels->Layout(), formats->input};
    const std::shared_ptr<const ColorTransform> transform = state->Transforms().Get(key, [&] {
        return ColorTransform::Create(*source, formats->input, *destination, formats->output);
    });
    uint8_t* bytes = pixels->Bytes();
    transform->Apply(bytes, bytes, pixels->Width(), pixels->Height(), rowBytes, rowBytes,
                     planeBytes, planeBytes);

    PixelsPtr result = pixels;
    if (formats->outputMode != pixels->Mode()) {
        result = Pixels::Create(pixels->Width(), pixels->Height(), formats->outputChannels,
                                formats->outputMode, pixels->Layout(), false);
        if (!result || !result->SetData(pixels->Data()) || result->RowBytes() != rowBytes) {
            throw HuekoException(kHuekoNoMemory);
        }
        if (pixels->Mode() == kModeCMYK && !planar) {
            FillFourthBytes(bytes, *result);
        }
    }
    result->SetProfile(state->SRGBProfile());
    result->SetInOutputSpace(true);
    return result;
}

}  // namespace ThumbMetaLib
