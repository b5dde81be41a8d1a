#pragma once
// Private to the render glue: a page's JPEG images decoded by our own codec.
//
// This departs on purpose from MuPDF's decoding of DCT images (libjpeg): HXJPEG decodes the
// eighth, quarter or half size a thumbnail needs about a third faster, and a photo page spends
// nearly all its time there. Only images MuPDF would draw from plain 8-bit grey or YCbCr JPEG
// data are taken: no mask, colour key or decode array, no Adobe segment (whose colour
// transform flag libjpeg honours) and no components named R, G, B; anything else, and any
// decode that fails or warns, stays MuPDF's.
#include <mupdf/fitz.h>

#include "ThumbMetaLib/pdf/glue/PDFGlue.h"

// The largest reduction (8, 4, 2 or 1) of `image` that still covers its extent through `ctm`.
int pdfglue_jpeg_reduction(fz_image* image, fz_matrix ctm);

// An image holding `image`'s pixels decoded at `reduction`, or null when the image is left to
// MuPDF. Throws MuPDF's error only when MuPDF cannot allocate.
fz_image* pdfglue_decode_jpeg_image(fz_context* ctx, fz_image* image, int reduction);

// `image` at `reduction` decoded by our codec, or null when it is MuPDF's to decode, from the
// images drawn so far (PDFGlue.h) or decoded now: a document that draws one image on many
// pages, or many times on one, decodes it once. The caller drops what it gets. Throws
// MuPDF's error only when MuPDF cannot allocate.
fz_image* pdfglue_cached_jpeg_image(fz_context* ctx, PDFGlueImageCache* cache, fz_image* image,
                                    int reduction);
