#include "ThumbMetaLib/formats/scitex/FBScitexFormat.h"

#include <sys/stat.h>

#include <array>

#include "ThumbMetaLib/engine/AbortFlag.h"
#include "ThumbMetaLib/formats/scitex/ScitexHeader.h"

namespace ThumbMetaLib {
namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

int32_t ModeForSeparations(int32_t separations) {
    return separations == 1 ? kModeGrayscale : separations == 3 ? kModeRGB : kModeCMYK;
}

}  // namespace

std::shared_ptr<FBScitexFormat> FBScitexFormat::Instance() {
    static const std::shared_ptr<FBScitexFormat> instance = std::make_shared<FBScitexFormat>();
    return instance;
}

FBScitexFormat::FBScitexFormat() {
    AddFileType(MakeOSCode("..CT"));
    AddExtension("SCT");
}

PixelsPtr FBScitexFormat::ReadImage(std::FILE* file, uint64_t fileSize, FBImageInfo& info,
                                    int32_t& status) {
    status = kScitexFormatError;
    std::array<uint8_t, ScitexHeader::kFieldsLength> fields{};
    if (fileSize < ScitexHeader::kMinimumFileSize ||
        std::fseek(file, long(ScitexHeader::kFieldsOffset), SEEK_SET) != 0 ||
        std::fread(fields.data(), 1, fields.size(), file) != fields.size()) {
        return nullptr;
    }
    const std::optional<ScitexHeader> header = ParseScitexHeader(fields.data(), fields.size());
    if (!header) {
        return nullptr;
    }
    status = -1;
    // Cap before allocating: the whole image must be in the file.
    const uint64_t stored =
        uint64_t(header->StoredLineBytes()) * header->height * uint64_t(header->separations);
    if (fileSize - ScitexHeader::kImageOffset < stored ||
        std::fseek(file, long(ScitexHeader::kImageOffset), SEEK_SET) != 0) {
        return nullptr;
    }
    const int32_t mode = ModeForSeparations(header->separations);
    PixelsPtr pixels = Pixels::Create(header->width, header->height, header->separations, mode,
                                      kLayoutPlanar, true);
    if (!pixels || pixels->Bytes() == nullptr || pixels->RowBytes() < header->StoredLineBytes()) {
        return nullptr;
    }
    const size_t planeBytes = size_t(pixels->RowBytes()) * header->height;
    for (uint32_t line = 0; line < header->height; ++line) {
        ThrowIfAborted();
        for (int32_t s = 0; s < header->separations; ++s) {
            uint8_t* row = pixels->Plane(s) + size_t(line) * pixels->RowBytes();
            if (std::fread(row, 1, header->StoredLineBytes(), file) != header->StoredLineBytes()) {
                return nullptr;
            }
        }
    }
    if (header->separations == 4) {
        // The file stores ink amounts; the engine's CMYK is the inverse.
        uint8_t* bytes = pixels->Bytes();
        for (size_t i = 0; i < planeBytes * 4; ++i) {
            bytes[i] = uint8_t(255 - bytes[i]);
        }
    }
    info.width = int32_t(header->width);
    info.height = int32_t(header->height);
    info.mode = mode;
    info.bitsPerChannel = 8;
    if (header->resolution != 0) {
        info.resolution = header->resolution;
    }
    status = 0;
    return pixels;
}

PixelsPtr FBScitexFormat::CreateThumbnail(const std::string& path, uint32_t /*size*/,
                                          ThumbOptions& options) {
    options.status = -1;
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
    struct stat status {};
    if (!file || fstat(fileno(file.get()), &status) != 0 || status.st_size < 0) {
        return nullptr;
    }
    FBImageInfo info;
    PixelsPtr pixels = ReadImage(file.get(), uint64_t(status.st_size), info, options.status);
    return options.status == 0 ? pixels : nullptr;
}

}  // namespace ThumbMetaLib
