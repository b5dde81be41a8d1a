#include "HXJPEG/wrapper/Exception.h"

#include "HXJPEG.h"

namespace HXJPEG {

const char* Exception::what() const noexcept {
    switch (code_) {
        case HXJPEG_ERR_QUANT_TABLE_SHORT:
            return "JPEG: quantisation table segment too short";
        case HXJPEG_ERR_QUANT_TABLE_NUMBER:
            return "JPEG: quantisation table number above 3";
        case HXJPEG_ERR_HUFFMAN:
            return "JPEG: bad Huffman table or code";
        case HXJPEG_ERR_SCAN:
            return "JPEG: bad start of scan";
        case HXJPEG_ERR_FRAME_COMPONENT:
            return "JPEG: bad frame component";
        case HXJPEG_ERR_NO_FRAME:
            return "JPEG: no usable frame";
        case HXJPEG_ERR_QUANT_PRECISION:
            return "JPEG: bad quantisation table precision";
        case HXJPEG_ERR_COMPONENT_COUNT:
            return "JPEG: bad component count";
        case HXJPEG_ERR_TOO_MANY_SCANS:
            return "JPEG: too many scans";
        case HXJPEG_ERR_TRANSFORM_SIZE:
            return "JPEG: size does not allow a lossless transform";
        case HXJPEG_ERR_INVALID_ARGUMENT:
            return "JPEG: invalid argument";
        case HXJPEG_ERR_OUT_OF_MEMORY:
            return "JPEG: out of memory";
        case HXJPEG_WARN_BAD_AC_CODE:
            return "JPEG: undecodable AC code";
        case HXJPEG_WARN_EARLY_END:
            return "JPEG: input ended early";
        case HXJPEG_ERR_TILE_CALLBACK:
            return "JPEG: a tile callback refused";
        default:
            return "JPEG: codec error";
    }
}

}  // namespace HXJPEG
