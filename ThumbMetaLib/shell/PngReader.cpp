#include "ThumbMetaLib/shell/PngReader.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "kvfoundation/util/ProcessLog.h"

namespace ThumbMetaLib::shell {
namespace {

struct MemorySource {
    const uint8_t* bytes;
    size_t size;
    size_t offset;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* source = static_cast<MemorySource*>(png_get_io_ptr(png));
    if (count > source->size - source->offset) {
        png_error(png, "truncated PNG");
    }
    std::memcpy(out, source->bytes + source->offset, count);
    source->offset += count;
}

void LogPngError(png_structp png, png_const_charp message) {
    kvfoundation::util::LogFormat(4, "ThumbMeta: PNG refused: %s", message);
    png_longjmp(png, 1);
}

void IgnorePngWarning(png_structp, png_const_charp) {}

// libpng's allocations, each refused above the reader's cap. Its own chunk limit
// (png_set_chunk_malloc_max) does not cover every chunk: a 102-byte file whose text chunk
// claimed 106 MB had that much allocated before the data ran out.
png_voidp CappedMalloc(png_structp png, png_alloc_size_t size) {
    const auto* cap = static_cast<const size_t*>(png_get_mem_ptr(png));
    return cap != nullptr && size > *cap ? nullptr : std::malloc(size);
}

void PlainFree(png_structp, png_voidp block) {
    std::free(block);
}

// libpng reports errors by longjmp: the two functions that call into it hold no C++ objects,
// so nothing with a destructor is ever jumped over.
bool ReadHeader(png_structp png, png_infop info, MemorySource* source, uint32_t maxSide,
                png_uint_32* width, png_uint_32* height) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_set_read_fn(png, source, ReadFromMemory);
    png_set_user_limits(png, maxSide, maxSide);
    png_set_chunk_malloc_max(png, 8 * 1024 * 1024);
    png_read_info(png, info);
    *width = png_get_image_width(png, info);
    *height = png_get_image_height(png, info);
    // Everything becomes 8-bit RGBA.
    const png_byte colorType = png_get_color_type(png, info);
    png_set_expand(png);
    png_set_scale_16(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(png);
    }
    png_set_add_alpha(png, 0xff, PNG_FILLER_AFTER);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return png_get_rowbytes(png, info) == size_t(*width) * 4;
}

bool ReadRows(png_structp png, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    return true;
}

class PngReadHandle {
public:
    explicit PngReadHandle(size_t maxAllocation) : maxAllocation_(maxAllocation) {
        png_ = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, nullptr, LogPngError,
                                        IgnorePngWarning, &maxAllocation_, CappedMalloc, PlainFree);
        if (png_ != nullptr) {
            info_ = png_create_info_struct(png_);
        }
    }
    ~PngReadHandle() { png_destroy_read_struct(&png_, &info_, nullptr); }
    PngReadHandle(const PngReadHandle&) = delete;
    PngReadHandle& operator=(const PngReadHandle&) = delete;

    bool Ok() const { return png_ != nullptr && info_ != nullptr; }
    png_structp Png() const { return png_; }
    png_infop Info() const { return info_; }

private:
    size_t maxAllocation_;  // libpng holds its address
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
};

// RGBA on white, in place: the alpha byte becomes 255.
void CompositeOnWhite(uint8_t* row, uint32_t width) {
    for (uint32_t x = 0; x < width; ++x, row += 4) {
        const uint32_t alpha = row[3];
        if (alpha != 255) {
            for (int c = 0; c < 3; ++c) {
                row[c] = uint8_t((row[c] * alpha + 255 * (255 - alpha) + 127) / 255);
            }
            row[3] = 255;
        }
    }
}

}  // namespace

PixelsPtr ReadPng(const uint8_t* bytes, size_t size, const PngLimits& limits) {
    if (bytes == nullptr || size < 8 || png_sig_cmp(bytes, 0, 8) != 0) {
        return nullptr;
    }
    PngReadHandle handle(limits.maxAllocation);
    if (!handle.Ok()) {
        return nullptr;
    }
    MemorySource source{bytes, size, 0};
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    if (!ReadHeader(handle.Png(), handle.Info(), &source, limits.maxSide, &width, &height) ||
        width == 0 || height == 0 || width > limits.maxSide || height > limits.maxSide) {
        return nullptr;
    }
    PixelsPtr pixels = Pixels::Create(width, height, 4, kModeRGB, kLayoutInterleaved, true);
    if (!pixels || pixels->Bytes() == nullptr) {
        return nullptr;
    }
    std::vector<png_bytep> rows(height);
    for (uint32_t y = 0; y < height; ++y) {
        rows[y] = pixels->Bytes() + size_t(y) * pixels->RowBytes();
    }
    if (!ReadRows(handle.Png(), rows.data())) {
        return nullptr;
    }
    for (png_bytep row : rows) {
        CompositeOnWhite(row, width);
    }
    return pixels;
}

PixelsPtr ReadPngFile(const std::string& path, const PngLimits& limits) {
    // Never through a link: the file comes from a program we do not trust.
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    struct stat info {};
    std::vector<uint8_t> bytes;
    if (fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > 0 &&
        uint64_t(info.st_size) <= limits.maxFileBytes) {
        bytes.resize(size_t(info.st_size));
        size_t got = 0;
        while (got < bytes.size()) {
            const ssize_t n = read(fd, bytes.data() + got, bytes.size() - got);
            if (n <= 0) {
                break;
            }
            got += size_t(n);
        }
        bytes.resize(got);
    }
    close(fd);
    return ReadPng(bytes.data(), bytes.size(), limits);
}

}  // namespace ThumbMetaLib::shell
