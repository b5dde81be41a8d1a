#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "HXJPEG/wrapper/Reader.h"
#include "ThumbMetaLib/formats/jpeg/JPEGSource.h"

namespace ThumbMetaLib {

// A JPEG file opened read-only for the codec and for the marker scan.
class FBJPEGStream : public JPEGSource {
public:
    // Null when the file cannot be opened.
    static std::unique_ptr<FBJPEGStream> Open(const std::string& path);

    ~FBJPEGStream() override;
    FBJPEGStream(const FBJPEGStream&) = delete;
    FBJPEGStream& operator=(const FBJPEGStream&) = delete;

    std::unique_ptr<HXJPEG::Decoder> NewDecoder(HXJPEGDecodeOptions options) override;

    // Reads exactly `count` bytes at `offset`; false when the file ends before.
    bool ReadAt(uint64_t offset, uint8_t* buffer, size_t count);

private:
    // The codec's reader over the file, from the position the stream was rewound to.
    class FileReader : public HXJPEG::Reader {
    public:
        explicit FileReader(std::FILE* file) : file_(file) {}
        bool Skip(uint32_t count) override;
        bool Read(uint8_t* buffer, uint32_t count, uint32_t* bytesRead) override;
        void Release() override {}

    private:
        std::FILE* file_;
    };

    explicit FBJPEGStream(std::FILE* file) : file_(file), reader_(file) {}

    std::FILE* file_;
    FileReader reader_;
};

}  // namespace ThumbMetaLib
