// The Scitex CT reader over arbitrary bytes: the header fields alone, then the whole image
// through a memory stream. The input is placed at the header's offset so that the fuzzer
// works on the fields and the lines rather than on 1024 bytes of padding. An image read must
// have the size and separations its header gives.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <vector>

#include "ThumbMetaLib/formats/scitex/FBScitexFormat.h"
#include "ThumbMetaLib/formats/scitex/ScitexHeader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using ThumbMetaLib::ScitexHeader;
    const std::optional<ScitexHeader> header = ThumbMetaLib::ParseScitexHeader(data, size);
    std::vector<uint8_t> file(ScitexHeader::kFieldsOffset, 0);
    file.insert(file.end(), data, data + size);
    if (file.size() < ScitexHeader::kMinimumFileSize) {
        file.resize(ScitexHeader::kMinimumFileSize, 0);
    }
    std::FILE* stream = fmemopen(file.data(), file.size(), "rb");
    if (stream == nullptr) {
        return 0;
    }
    ThumbMetaLib::FBImageInfo info;
    int32_t status = 0;
    if (ThumbMetaLib::PixelsPtr pixels =
            ThumbMetaLib::FBScitexFormat::ReadImage(stream, file.size(), info, status)) {
        if (!header || pixels->Width() != header->width || pixels->Height() != header->height ||
            pixels->Channels() != header->separations) {
            __builtin_trap();  // an image read from a header that does not describe it
        }
        volatile uint32_t sum = 0;
        for (size_t i = 0; i < pixels->ByteCount(); ++i) {
            sum = sum + pixels->Bytes()[i];
        }
    }
    std::fclose(stream);
    return 0;
}
