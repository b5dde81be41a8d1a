#include "ThumbMetaLib/formats/pdf/FBPDFFormat.h"

#include <cstdio>
#include <cstring>
#include <exception>

#include "ThumbMetaLib/engine/AsciiCase.h"
#include "ThumbMetaLib/formats/pdf/VectorThumbnail.h"
#include "ThumbMetaLib/pdf/PDFLinkDocument.h"
#include "ThumbMetaLib/pdf/PDFPageDocument.h"
#include "ThumbMetaLib/pdf/PDFSession.h"
#include "xmp/core/XMPConsts.h"

namespace ThumbMetaLib {
namespace {

constexpr size_t kMinimumVectorFileBytes = 32;
constexpr char kPDFSignature[] = "%PDF-";

bool IsVectorDocumentExtension(const std::string& lowerCaseExtension) {
    return lowerCaseExtension == "ai" || lowerCaseExtension == "ait";
}

// At least 32 bytes, starting with "%PDF-".
bool StartsAsPDF(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return false;
    }
    char head[kMinimumVectorFileBytes];
    const size_t got = std::fread(head, 1, sizeof head, file);
    std::fclose(file);
    return got == sizeof head && std::memcmp(head, kPDFSignature, sizeof kPDFSignature - 1) == 0;
}

}  // namespace

std::shared_ptr<FBPDFFormat> FBPDFFormat::Instance() {
    static const std::shared_ptr<FBPDFFormat> instance = std::make_shared<FBPDFFormat>();
    return instance;
}

FBPDFFormat::FBPDFFormat() {
    AddFileType(MakeOSCode("PDF "));
    for (const char* extension : {"PDF", "PDP", "AI", "AIT"}) {
        AddExtension(extension);
    }
}

bool FBPDFFormat::CanHandle(const std::string& path, OSCode creator, OSCode type,
                            const std::string& extension) const {
    if (!FBFileFormat::CanHandle(path, creator, type, extension)) {
        return false;
    }
    return !IsVectorDocumentExtension(AsciiLower(extension)) || StartsAsPDF(path);
}

PixelsPtr FBPDFFormat::CreateThumbnail(const std::string& path, uint32_t /*size*/,
                                       ThumbOptions& options) {
    options.status = -1;
    if (!IsVectorDocumentExtension(AsciiLower(PathExtension(path)))) {
        return nullptr;
    }
    xmp::TXMPMeta packet;
    bool writable = false;
    if (DoDirectXMPRead(path, packet, writable) != 0) {
        return nullptr;
    }
    PixelsPtr pixels = VectorDocumentThumbnail(packet);
    if (pixels) {
        options.status = 0;
    }
    return pixels;
}

int32_t FBPDFFormat::GetPageCount(const std::string& path) {
    try {
        if (EnsurePDFReady()) {
            return PDFPageDocument::Open(path)->PageCount();
        }
    } catch (const std::exception&) {
        // A document the library cannot read counts as one page, like a missing library.
    }
    return 1;
}

PixelsPtr FBPDFFormat::CreatePageThumbnail(const std::string& path, int32_t page, uint32_t size) {
    if (page <= 0) {
        return nullptr;
    }
    return RenderPage(path, size, page - 1);
}

PixelsPtr FBPDFFormat::RenderPage(const std::string& path, uint32_t size, int32_t pageIndex) {
    try {
        if (!EnsurePDFReady()) {
            return nullptr;
        }
        PDFRenderOptions render;
        render.fitSize = size;
        // Thin strokes by our own painter and JPEG images by our own codec, as the service's
        // page thumbnails draw them: within a level or two of MuPDF's drawing, at a fraction
        // of its cost on line-heavy pages and about two thirds of it on photo pages.
        render.thinStrokes = true;
        render.ownJPEG = true;
        return PDFPageDocument::Open(path)->RenderPage(pageIndex, render);
    } catch (const std::exception&) {
        return nullptr;
    }
}

int32_t FBPDFFormat::DoDirectXMPRead(const std::string& path, xmp::TXMPMeta& meta, bool& writable) {
    writable = false;
    try {
        if (!EnsurePDFReady()) {
            return kPDFFormatXMPFailed;
        }
        const std::unique_ptr<PDFLinkDocument> document = PDFLinkDocument::Open(path);
        const std::optional<std::string> packet = document->ReadMetadata();
        if (!packet) {
            return kPDFFormatXMPFailed;
        }
        meta.ParseFromBuffer(packet->data(), packet->size());
        writable = SupportsDirectXMPWrite() && document->Processable() && !document->ReadOnly();
        return 0;
    } catch (const std::exception&) {
        return kPDFFormatXMPFailed;  // library failures and packets that do not parse alike
    }
}

int32_t FBPDFFormat::DoDirectXMPWrite(const std::string& path, const xmp::TXMPMeta& meta,
                                      uint32_t /*options*/) {
    try {
        std::string packet;
        meta.SerializeToBuffer(&packet, 0, 0);
        if (!EnsurePDFReady()) {
            return kPDFFormatXMPFailed;
        }
        return PDFLinkDocument::Open(path)->WriteMetadata(packet) ? 0 : kPDFFormatXMPFailed;
    } catch (const std::exception&) {
        return kPDFFormatXMPFailed;
    }
}

}  // namespace ThumbMetaLib
