#include "kvloom/metadata/PacketThumbnail.h"

#include "kvfoundation/util/ProcessLog.h"
#include "xmp/core/TXMPUtils.h"

namespace kvloom {
namespace {

// A field of the thumbnail struct: the xmpGImg namespace first, then the xmp one.
bool ReadField(const xmp::TXMPMeta& meta, const std::string& itemPath, const char* field,
               std::string* value) {
    return meta.GetStructField(xmp::ns::kXMP, itemPath, xmp::ns::kXMPGImg, field, value, nullptr) ||
           meta.GetStructField(xmp::ns::kXMP, itemPath, xmp::ns::kXMP, field, value, nullptr);
}

bool ReadIntField(const xmp::TXMPMeta& meta, const std::string& itemPath, const char* field,
                  int32_t* value) {
    std::string text;
    if (!ReadField(meta, itemPath, field, &text)) {
        kvfoundation::util::LogFormat(1, "Incomplete xmp thumbnail data. missing '%s'", field);
        return false;
    }
    try {
        *value = xmp::TXMPUtils::ConvertToInt(text);
    } catch (const xmp::XMPError&) {
        kvfoundation::util::LogFormat(1, "Incomplete xmp thumbnail data. '%s' is not a number",
                                      field);
        return false;
    }
    return true;
}

}  // namespace

PacketThumbnail ReadPacketThumbnail(const xmp::TXMPMeta& meta, const char* arrayName,
                                    int32_t index) {
    PacketThumbnail item;
    std::string itemPath;
    xmp::TXMPUtils::ComposeArrayItemPath(xmp::ns::kXMP, arrayName, index, &itemPath);
    if (!ReadField(meta, itemPath, "format", &item.format) ||
        !ReadIntField(meta, itemPath, "width", &item.width) ||
        !ReadIntField(meta, itemPath, "height", &item.height)) {
        return {};
    }
    std::string encoded;
    if (!ReadField(meta, itemPath, "image", &encoded)) {
        kvfoundation::util::LogFormat(1, "Incomplete xmp thumbnail data. missing '%s'", "image");
        return {};
    }
    try {
        xmp::TXMPUtils::DecodeFromBase64(encoded, &item.image);
    } catch (const xmp::XMPError&) {
        kvfoundation::util::LogFormat(1, "Base64 decode failed");
        return {};
    }
    item.found = true;
    return item;
}

int32_t RotationForOrientation(int32_t code) {
    switch (code) {
        case 3:
            return 180;
        case 6:
            return 90;
        case 8:
            return 270;
        default:
            return 0;
    }
}

int32_t PacketRotation(const xmp::TXMPMeta& meta) {
    int32_t code = 0;
    try {
        if (!meta.GetProperty_Int(xmp::ns::kTIFF, "Orientation", &code, nullptr)) {
            return 0;
        }
    } catch (const xmp::XMPError&) {
        return 0;  // not a number: no turn
    }
    return RotationForOrientation(code);
}

}  // namespace kvloom
