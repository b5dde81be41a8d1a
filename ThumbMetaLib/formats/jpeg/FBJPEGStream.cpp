#include "ThumbMetaLib/formats/jpeg/FBJPEGStream.h"

#include <limits>

namespace ThumbMetaLib {

std::unique_ptr<FBJPEGStream> FBJPEGStream::Open(const std::string& path) {
    std::FILE* file = std::fopen(path.c_str(), "rbe");  // "e": close on exec
    if (file == nullptr) {
        return nullptr;
    }
    return std::unique_ptr<FBJPEGStream>(new FBJPEGStream(file));
}

FBJPEGStream::~FBJPEGStream() {
    std::fclose(file_);
}

std::unique_ptr<HXJPEG::Decoder> FBJPEGStream::NewDecoder(HXJPEGDecodeOptions options) {
    if (std::fseek(file_, 0, SEEK_SET) != 0) {
        throw HXJPEG::Exception(HXJPEG_WARN_EARLY_END);
    }
    // Warnings are reported to no handler, so a damaged file still yields what it holds.
    return std::make_unique<HXJPEG::Decoder>(reader_, options, true);
}

bool FBJPEGStream::ReadAt(uint64_t offset, uint8_t* buffer, size_t count) {
    if (offset > uint64_t(std::numeric_limits<long>::max()) ||
        std::fseek(file_, long(offset), SEEK_SET) != 0) {
        return false;
    }
    return std::fread(buffer, 1, count, file_) == count;
}

bool FBJPEGStream::FileReader::Skip(uint32_t count) {
    return std::fseek(file_, long(count), SEEK_CUR) == 0;
}

bool FBJPEGStream::FileReader::Read(uint8_t* buffer, uint32_t count, uint32_t* bytesRead) {
    const size_t got = std::fread(buffer, 1, count, file_);
    *bytesRead = uint32_t(got);
    if (got < count) {
        return false;
    }
    // More data remains unless the next read would find the end.
    const int next = std::fgetc(file_);
    if (next == EOF) {
        return false;
    }
    std::ungetc(next, file_);
    return true;
}

}  // namespace ThumbMetaLib
