#include "tools/vantory/PngWriter.h"

#include <fcntl.h>
#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csetjmp>
#include <cstdio>

namespace vantory::cli {
namespace {

// libpng unwinds by longjmp: this function holds no C++ objects across the calls into it.
bool EncodeInto(FILE* file, const RgbImage* image, png_bytepp rows, png_textp text, int textCount) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, image->width, image->height, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_text(png, info, text, textCount);
    png_write_info(png, info);
    png_write_image(png, rows);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool WritePngAtomically(const std::string& path, const RgbImage& image,
                        const std::vector<std::pair<std::string, std::string>>& text,
                        unsigned mode) {
    if (image.width == 0 || image.height == 0 ||
        image.rgb.size() != size_t(image.width) * image.height * 3) {
        return false;
    }
    std::vector<png_bytep> rows(image.height);
    for (uint32_t y = 0; y < image.height; ++y) {
        rows[y] = const_cast<png_bytep>(image.rgb.data()) + size_t(y) * image.width * 3;
    }
    std::vector<png_text> chunks(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        chunks[i].compression = PNG_TEXT_COMPRESSION_NONE;
        chunks[i].key = const_cast<char*>(text[i].first.c_str());
        chunks[i].text = const_cast<char*>(text[i].second.c_str());
        chunks[i].text_length = text[i].second.size();
    }
    std::string temporary = path + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) {
        return false;
    }
    fchmod(fd, mode);
    FILE* file = fdopen(fd, "wb");
    bool ok =
        file != nullptr && EncodeInto(file, &image, rows.data(), chunks.data(), int(chunks.size()));
    if (file != nullptr) {
        ok = std::fflush(file) == 0 && fsync(fd) == 0 && ok;
        ok = std::fclose(file) == 0 && ok;
    } else {
        close(fd);
    }
    if (!ok || std::rename(temporary.c_str(), path.c_str()) != 0) {
        unlink(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace vantory::cli
