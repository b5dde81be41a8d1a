#include "ThumbMetaLib/formats/pdf/VectorThumbnail.h"

#include <string>

#include "ThumbMetaLib/formats/jpeg/DecodeJPEG.h"
#include "ThumbMetaLib/formats/jpeg/JPEGSource.h"
#include "xmp/core/TXMPUtils.h"
#include "xmp/core/XMPConsts.h"
#include "xmp/core/XMPError.h"

namespace ThumbMetaLib {
namespace {

constexpr const char* kPDFMimeType = "application/pdf";
constexpr const char* kOwnProducer = "Quarn PDF library 6.66";
// A stored thumbnail is a preview: a decode larger than this is not one.
constexpr size_t kMaxStoredThumbnailBytes = size_t{64} << 20;

bool ThumbnailIsTrusted(const xmp::TXMPMeta& packet) {
    std::string format;
    if (!packet.GetProperty(xmp::ns::kXMP, "Format", &format, nullptr)) {
        return false;
    }
    if (format != kPDFMimeType) {
        return true;
    }
    std::string producer;
    return packet.GetProperty(xmp::ns::kPDF, "Producer", &producer, nullptr) &&
           producer == kOwnProducer;
}

}  // namespace

PixelsPtr VectorDocumentThumbnail(const xmp::TXMPMeta& packet) {
    try {
        if (!ThumbnailIsTrusted(packet)) {
            return nullptr;
        }
        std::string base64;
        if (!packet.GetStructField(xmp::ns::kXMP, "Thumbnails[1]", xmp::ns::kXMPGImg, "image",
                                   &base64, nullptr)) {
            return nullptr;
        }
        std::string jpeg;
        xmp::TXMPUtils::DecodeFromBase64(base64, &jpeg);
        JPEGMemorySource source(reinterpret_cast<const uint8_t*>(jpeg.data()), jpeg.size());
        return DecodeJPEG(source, 0, nullptr, kMaxStoredThumbnailBytes);
    } catch (const xmp::XMPError&) {
        return nullptr;  // a malformed path or Base64 text: no thumbnail
    }
}

}  // namespace ThumbMetaLib
