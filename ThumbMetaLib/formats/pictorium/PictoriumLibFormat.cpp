#include "ThumbMetaLib/formats/pictorium/PictoriumLibFormat.h"

#include "TXMPMeta.h"
#include "ThumbMetaLib/color/ColorProfile.h"
#include "ThumbMetaLib/engine/AsciiCase.h"
#include "ThumbMetaLib/formats/pictorium/PictoriumLibFormatImp.h"
#include "ThumbMetaLib/formats/pictorium/ReaderPreferences.h"
#include "XMPError.h"
#include "kvfoundation/util/ProcessLog.h"

namespace ThumbMetaLib {
namespace {

constexpr int kWarning = 2;

struct EmbeddedProfileSlot {
    const PictoriumLibFormat* owner = nullptr;
    ColorProfileHolder profile;
    std::string name;
};
thread_local EmbeddedProfileSlot embeddedProfile;

bool HasStoredThumbnailExtension(const std::string& path) {
    const std::string extension = AsciiLower(PathExtension(path));
    return extension == "psd" || extension == "psb" || extension == "pdd";
}

std::shared_ptr<xmp::TXMPMeta> ParsePacket(const std::string& packet) {
    if (packet.empty()) {
        return nullptr;
    }
    try {
        return std::make_shared<xmp::TXMPMeta>(packet);
    } catch (const xmp::XMPError& error) {
        kvfoundation::util::LogFormat(kWarning, "Layered: XMP packet not parsed: %s", error.what());
        return nullptr;
    }
}

}  // namespace

std::shared_ptr<PictoriumLibFormat> PictoriumLibFormat::Instance() {
    static const std::shared_ptr<PictoriumLibFormat> instance =
        std::make_shared<PictoriumLibFormat>();
    return instance;
}

PictoriumLibFormat::PictoriumLibFormat() : imp_(std::make_unique<PictoriumLibFormatImp>()) {
    AddFileType(MakeOSCode("8BIM"));
    AddFileType(MakeOSCode("8BPS"));
    AddFileType(MakeOSCode("TIFF"));
    for (const char* extension : {"PSD", "PSB", "PDD", "TIF", "TIFF"}) {
        AddExtension(extension);
    }
}

PictoriumLibFormat::~PictoriumLibFormat() = default;

PixelsPtr PictoriumLibFormat::CreateQuickThumbnail(const std::string& path, ThumbImageInfo& info) {
    if (!HasStoredThumbnailExtension(path)) {
        return nullptr;
    }
    return imp_->ReadStoredThumbnail(path, info);
}

PixelsPtr PictoriumLibFormat::CreateThumbnail(const std::string& path, uint32_t size,
                                              ThumbOptions& options) {
    options.status = -1;
    embeddedProfile = {};
    std::optional<RasterImage> image = imp_->ReadComposite(path, size);
    if (!image) {
        return nullptr;
    }
    if (!image->iccProfile.empty()) {
        ColorProfileHolder profile =
            ColorProfile::FromMemory(image->iccProfile.data(), image->iccProfile.size());
        if (profile) {
            embeddedProfile = {this, profile, profile->Description()};
            image->pixels->SetProfile(std::move(profile));
        }
    }
    if (!options.metadata) {
        options.metadata = ParsePacket(imp_->ReadXMP(path));
    }
    return image->pixels;
}

bool PictoriumLibFormat::GetImageInfo(const std::string& path, FBImageInfo& info) {
    StartLayeredReader();
    return imp_->ReadInfo(path, info);
}

bool PictoriumLibFormat::HasEmbeddedProfile() const {
    return embeddedProfile.owner == this && embeddedProfile.profile != nullptr;
}

ColorProfileHolder PictoriumLibFormat::GetEmbeddedProfile() const {
    return embeddedProfile.owner == this ? embeddedProfile.profile : nullptr;
}

int32_t PictoriumLibFormat::DoDirectXMPRead(const std::string& path, xmp::TXMPMeta& meta,
                                            bool& found) {
    found = false;
    const std::string packet = imp_->ReadXMP(path);
    if (packet.empty()) {
        return 0;
    }
    try {
        meta.ParseFromBuffer(packet.data(), packet.size());
        found = true;
        return 0;
    } catch (const xmp::XMPError& error) {
        kvfoundation::util::LogFormat(kWarning, "Layered: XMP packet not parsed: %s", error.what());
        return -1;
    }
}

void PictoriumLibFormat::ShutDown() {
    ShutdownLayeredReader();
}

}  // namespace ThumbMetaLib
