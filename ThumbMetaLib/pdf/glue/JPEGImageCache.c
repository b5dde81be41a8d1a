// The decoded images a document keeps between pages: a few, and few enough bytes, that the
// cache never holds much of the document's memory budget; the oldest entry makes room first.
#include <stdlib.h>

#include "ThumbMetaLib/pdf/glue/JPEGImages.h"
#include "ThumbMetaLib/pdf/glue/PDFGlue.h"

enum { kCachedImages = 8 };
// Decoded images larger than this are used once and not kept.
#define kCachedBytes ((size_t)64 * 1024 * 1024)

typedef struct CachedImage {
    fz_image* source;  // kept: its address is the key
    int reduction;
    fz_image* decoded;  // null: the image is MuPDF's to decode
    size_t bytes;
} CachedImage;

struct PDFGlueImageCache {
    CachedImage entries[kCachedImages];
    int next;  // the entry replaced next
    size_t bytes;
};

PDFGlueImageCache* pdfglue_new_image_cache(void) {
    return calloc(1, sizeof(PDFGlueImageCache));
}

static void forget(fz_context* ctx, PDFGlueImageCache* cache, CachedImage* entry) {
    fz_drop_image(ctx, entry->source);
    fz_drop_image(ctx, entry->decoded);
    cache->bytes -= entry->bytes;
    *entry = (CachedImage){0};
}

void pdfglue_drop_image_cache(fz_context* ctx, PDFGlueImageCache* cache) {
    if (cache == NULL) {
        return;
    }
    for (int i = 0; i < kCachedImages; ++i) {
        forget(ctx, cache, &cache->entries[i]);
    }
    free(cache);
}

static size_t decoded_bytes(const fz_image* image) {
    return image == NULL ? 0 : (size_t)image->w * (size_t)image->h * image->n;
}

// Takes over `decoded`: kept when it fits, otherwise handed back for one use.
static fz_image* remember(fz_context* ctx, PDFGlueImageCache* cache, fz_image* image, int reduction,
                          fz_image* decoded) {
    const size_t bytes = decoded_bytes(decoded);
    if (bytes > kCachedBytes) {
        return decoded;  // the caller drops it after drawing
    }
    for (int tries = 0; tries < kCachedImages && cache->bytes + bytes > kCachedBytes; ++tries) {
        forget(ctx, cache, &cache->entries[(cache->next + tries) % kCachedImages]);
    }
    CachedImage* entry = &cache->entries[cache->next];
    forget(ctx, cache, entry);
    cache->next = (cache->next + 1) % kCachedImages;
    *entry = (CachedImage){fz_keep_image(ctx, image), reduction, decoded, bytes};
    cache->bytes += bytes;
    return fz_keep_image(ctx, decoded);
}

fz_image* pdfglue_cached_jpeg_image(fz_context* ctx, PDFGlueImageCache* cache, fz_image* image,
                                    int reduction) {
    for (int i = 0; i < kCachedImages; ++i) {
        const CachedImage* entry = &cache->entries[i];
        if (entry->source == image && entry->reduction == reduction) {
            return fz_keep_image(ctx, entry->decoded);
        }
    }
    return remember(ctx, cache, image, reduction, pdfglue_decode_jpeg_image(ctx, image, reduction));
}
