// Decoding a page's JPEG image with HXJPEG into a pixmap-backed image for the draw device.
#include "ThumbMetaLib/pdf/glue/JPEGImages.h"

#include <math.h>
#include <stdint.h>
#include <string.h>

#include "HXJPEG.h"

// Frames above this many pixels are left to MuPDF, whose allocations are capped per document;
// the codec's are not. A sequential frame is decoded a row of blocks at a time; a
// progressive one needs a store of every coefficient (2 bytes each: 96 MB for 16 MP in
// three full-size components).
#define kMaxFramePixels (64u * 1024u * 1024u)
#define kMaxProgressiveFramePixels (16u * 1024u * 1024u)

enum { kNotPlain = 0, kSequential = 1, kProgressive = 2 };

// Walks the segments before the frame: whether HXJPEG reads its colour as libjpeg would, and
// which kind of frame follows.
static int plain_jpeg(const unsigned char* data, size_t size) {
    if (size < 4 || data[0] != 0xFF || data[1] != 0xD8) {
        return kNotPlain;
    }
    size_t at = 2;
    while (at + 4 <= size) {
        if (data[at] != 0xFF) {
            return kNotPlain;
        }
        const unsigned marker = data[at + 1];
        if (marker == 0xFF) {  // fill byte
            ++at;
            continue;
        }
        const size_t length = ((size_t)data[at + 2] << 8) | data[at + 3];
        if (length < 2 || length > size - at - 2) {
            return kNotPlain;
        }
        const unsigned char* payload = data + at + 4;
        if (marker == 0xEE && length >= 7 && memcmp(payload, "Adobe", 5) == 0) {
            return kNotPlain;
        }
        if (marker >= 0xC0 && marker <= 0xC2) {  // baseline, extended or progressive frame
            if (length < 8) {
                return kNotPlain;
            }
            const unsigned components = payload[5];
            const int kind = marker == 0xC2 ? kProgressive : kSequential;
            if (components == 3) {
                return length >= 17 &&
                               !(payload[6] == 'R' && payload[9] == 'G' && payload[12] == 'B')
                           ? kind
                           : kNotPlain;
            }
            return components == 1 ? kind : kNotPlain;
        }
        if (marker == 0xDA || (marker >= 0xC3 && marker <= 0xCF && marker != 0xC4 &&
                               marker != 0xC8 && marker != 0xCC)) {
            return kNotPlain;  // a scan before the frame, or a frame kind the codec does not read
        }
        at += 2 + length;
    }
    return kNotPlain;
}

int pdfglue_jpeg_reduction(fz_image* image, fz_matrix ctm) {
    // The image is the unit square of `ctm`: its sides on the device are these long.
    const float across = hypotf(ctm.a, ctm.b);
    const float down = hypotf(ctm.c, ctm.d);
    for (int reduction = 8; reduction > 1; reduction /= 2) {
        if ((image->w + reduction - 1) / reduction >= across &&
            (image->h + reduction - 1) / reduction >= down) {
            return reduction;
        }
    }
    return 1;
}

// The pixels of `data`, reduced, into a new pixmap of `image`'s size and colour space; null
// when the codec refuses or the frame is not the size the image declares.
static fz_pixmap* decode(fz_context* ctx, fz_image* image, const unsigned char* data, size_t size,
                         int reduction) {
    HXJPEGDecodeOptions options;
    HXJPEGDecodeOptionsInitDefault(&options);
    options.scaleX = options.scaleY = (uint8_t)reduction;
    const HXJPEGData jpeg = {data, (uint32_t)size};
    HXJPEGDecoder* decoder = NULL;
    if (HXJPEGDecoderCreateUsingData(jpeg, options, false, NULL, &decoder) != HXJPEG_OK) {
        return NULL;
    }
    HXJPEGDecodeLimits limits;
    HXJPEGDecodeLimitsInitDefault(&limits);
    limits.maxFramePixels = kMaxFramePixels;
    HXJPEGHeader header;
    const int wantWidth = (image->w + reduction - 1) / reduction;
    const int wantHeight = (image->h + reduction - 1) / reduction;
    if (HXJPEGDecoderSetLimits(decoder, &limits) != HXJPEG_OK ||
        HXJPEGDecoderReadHeader(decoder, NULL, &header) != HXJPEG_OK ||
        header.numComponents != image->n || header.width != wantWidth ||
        header.height != wantHeight) {
        HXJPEGDecoderRelease(decoder);
        return NULL;
    }
    fz_pixmap* pixmap = NULL;
    fz_try(ctx) {
        pixmap = fz_new_pixmap(ctx, image->colorspace, wantWidth, wantHeight, NULL, 0);
    }
    fz_catch(ctx) {
        HXJPEGDecoderRelease(decoder);
        fz_rethrow(ctx);
    }
    unsigned char* samples = fz_pixmap_samples(ctx, pixmap);
    HXJPEGImageContent target = {{samples, NULL, NULL, NULL},
                                 (uint32_t)image->n,
                                 (uint32_t)fz_pixmap_stride(ctx, pixmap),
                                 (uint8_t)image->n};
    if (image->n == 3) {
        target.planes[1] = samples + 1;
        target.planes[2] = samples + 2;
    }
    const int32_t status = HXJPEGDecoderReadContent(
        decoder, image->n == 3 ? HXJPEG_COLOR_RGB : HXJPEG_COLOR_GREY, target);
    HXJPEGDecoderRelease(decoder);
    if (status != HXJPEG_OK) {
        fz_drop_pixmap(ctx, pixmap);
        return NULL;
    }
    return pixmap;
}

fz_image* pdfglue_decode_jpeg_image(fz_context* ctx, fz_image* image, int reduction) {
    if (image->imagemask || image->use_colorkey || image->use_decode || image->mask != NULL ||
        image->bpc != 8 || image->orientation > 1 || image->colorspace == NULL) {
        return NULL;
    }
    const enum fz_colorspace_type type = fz_colorspace_type(ctx, image->colorspace);
    if (!((type == FZ_COLORSPACE_RGB && image->n == 3) ||
          (type == FZ_COLORSPACE_GRAY && image->n == 1)) ||
        (uint64_t)image->w * (uint64_t)image->h > kMaxFramePixels) {
        return NULL;
    }
    fz_compressed_buffer* compressed = fz_compressed_image_buffer(ctx, image);
    if (compressed == NULL || compressed->buffer == NULL ||
        compressed->params.type != FZ_IMAGE_JPEG ||
        compressed->params.u.jpeg.color_transform != -1) {
        return NULL;
    }
    unsigned char* data = NULL;
    const size_t size = fz_buffer_storage(ctx, compressed->buffer, &data);
    const int kind = size <= UINT32_MAX ? plain_jpeg(data, size) : kNotPlain;
    if (kind == kNotPlain || (kind == kProgressive && (uint64_t)image->w * (uint64_t)image->h >
                                                          kMaxProgressiveFramePixels)) {
        return NULL;
    }
    fz_pixmap* pixmap = decode(ctx, image, data, size, reduction);
    if (pixmap == NULL) {
        return NULL;
    }
    fz_image* decoded = NULL;
    fz_try(ctx) {
        decoded = fz_new_image_from_pixmap(ctx, pixmap, NULL);
        decoded->interpolate = image->interpolate;
        decoded->xres = image->xres;
        decoded->yres = image->yres;
    }
    fz_always(ctx) {
        fz_drop_pixmap(ctx, pixmap);
    }
    fz_catch(ctx) {
        fz_rethrow(ctx);
    }
    return decoded;
}
