#include "ThumbMetaLib/formats/layered/ZipChannelRows.h"

#include <zlib.h>

#include <algorithm>
#include <vector>

#include "ThumbMetaLib/formats/layered/LayeredFormatError.h"
#include "ThumbMetaLib/formats/layered/SampleRows.h"

namespace ThumbMetaLib {
namespace {

constexpr size_t kInputChunk = size_t{64} << 10;

// zlib's inflate state, ended however the read ends.
class Inflater {
public:
    Inflater(SourceCursor& cursor, uint64_t compressedBytes)
        : cursor_(cursor), left_(compressedBytes) {
        if (inflateInit(&stream_) != Z_OK) {
            throw LayeredFormatError("zlib could not start");
        }
    }
    ~Inflater() { inflateEnd(&stream_); }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    // Fills `out` completely; false when the data ends or is damaged before.
    bool Fill(uint8_t* out, size_t size) {
        stream_.next_out = out;
        stream_.avail_out = uInt(size);
        while (stream_.avail_out > 0) {
            if (stream_.avail_in == 0 && !Refill()) {
                return false;
            }
            const int result = inflate(&stream_, Z_NO_FLUSH);
            if (result == Z_STREAM_END) {
                return stream_.avail_out == 0;
            }
            // Z_BUF_ERROR with input left means no progress is possible.
            if (result != Z_OK && !(result == Z_BUF_ERROR && stream_.avail_in == 0)) {
                return false;
            }
        }
        return true;
    }

private:
    bool Refill() {
        if (left_ == 0) {
            return false;
        }
        input_.resize(size_t(std::min<uint64_t>(kInputChunk, left_)));
        cursor_.Read(input_.data(), input_.size());
        left_ -= input_.size();
        stream_.next_in = input_.data();
        stream_.avail_in = uInt(input_.size());
        return true;
    }

    SourceCursor& cursor_;
    uint64_t left_;
    z_stream stream_{};
    std::vector<uint8_t> input_;
};

void UndoPrediction(uint8_t* row, uint32_t width, uint16_t depth, std::vector<uint8_t>& scratch) {
    if (depth == 8) {
        for (uint32_t x = 1; x < width; ++x) {
            row[x] = uint8_t(row[x] + row[x - 1]);
        }
    } else if (depth == 16) {
        for (uint32_t x = 1; x < width; ++x) {
            const uint32_t previous = uint32_t(row[2 * x - 2]) << 8 | row[2 * x - 1];
            const uint32_t value = (uint32_t(row[2 * x]) << 8 | row[2 * x + 1]) + previous;
            row[2 * x] = uint8_t(value >> 8);
            row[2 * x + 1] = uint8_t(value);
        }
    } else if (depth == 32) {
        const size_t bytes = size_t{width} * 4;
        for (size_t i = 1; i < bytes; ++i) {
            row[i] = uint8_t(row[i] + row[i - 1]);
        }
        scratch.assign(row, row + bytes);
        for (uint32_t x = 0; x < width; ++x) {
            for (uint32_t k = 0; k < 4; ++k) {
                row[4 * size_t{x} + k] = scratch[size_t{k} * width + x];
            }
        }
    }
}

}  // namespace

void ReadZipChannelRows(SourceCursor& cursor, uint64_t compressedBytes, bool predicted,
                        uint32_t width, uint16_t depth, uint32_t height,
                        const std::function<void(uint32_t y, const uint8_t* row)>& sink) {
    if (compressedBytes > cursor.Remaining()) {
        throw LayeredFormatError("zip channel data runs past the file");
    }
    Inflater inflater(cursor, compressedBytes);
    std::vector<uint8_t> stored(size_t(StoredRowBytes(width, depth)));
    std::vector<uint8_t> row(width);
    std::vector<uint8_t> scratch;
    for (uint32_t y = 0; y < height; ++y) {
        if (!inflater.Fill(stored.data(), stored.size())) {
            throw LayeredFormatError("zip channel shorter than its layer");
        }
        if (predicted) {
            UndoPrediction(stored.data(), width, depth, scratch);
        }
        RowTo8Bits(stored.data(), depth, width, row.data());
        sink(y, row.data());
    }
}

}  // namespace ThumbMetaLib
