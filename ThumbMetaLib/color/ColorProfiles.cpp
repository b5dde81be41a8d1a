#include "ThumbMetaLib/color/ColorProfiles.h"

#include "ThumbMetaLib/color/ColorProfile.h"
#include "ThumbMetaLib/color/ColorState.h"

namespace ThumbMetaLib {

ColorProfileHolder StandardProfile(uint32_t code) {
    const std::shared_ptr<ColorState> state = ColorState::Current();
    switch (code) {
        case kStandardProfileSRGB:
            return state->SRGBProfile();
        case kStandardProfileWideGamutRGB:
            return state->WideGamutRGBProfile();
        default:
            return nullptr;
    }
}

ColorProfileHolder ProfileFromICC(const uint8_t* bytes, size_t size) {
    ColorState::Current();
    return ColorProfile::FromMemory(bytes, size);
}

std::string ProfileName(const ColorProfileHolder& profile) {
    ColorState::Current();
    return profile ? profile->Description() : std::string();
}

ColorProfileHolder FindProfileByName(const std::string& name) {
    const std::shared_ptr<ColorState> state = ColorState::Current();
    for (const ColorProfileHolder* builtIn :
         {&state->SRGBProfile(), &state->WideGamutRGBProfile(), &state->DefaultGrayProfile(),
          &state->DefaultLabProfile()}) {
        if (*builtIn && (*builtIn)->Description() == name) {
            return *builtIn;
        }
    }
    return state->InstalledProfiles()->Find(name);
}

bool IsColorManagementOn() {
    try {
        return ColorState::Current()->Ready();
    } catch (const HuekoException&) {
        return false;
    }
}

}  // namespace ThumbMetaLib
