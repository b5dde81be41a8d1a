#pragma once
// Private to the render glue: drawing a page in horizontal bands on several threads at once.
#include <mupdf/fitz.h>

#include "ThumbMetaLib/pdf/glue/PDFGlue.h"

// Draws `page` through `ctm` into `pixmap` (opaque, already white) in `bands` horizontal bands.
// `cookies` holds one cookie per band, or is null; `flags` as for pdfglue_new_page_device (with
// thin strokes the page is also scouted for blending, and groups elided where none is).
// Throws MuPDF's error (inside the caller's fz_try) when recording or any band fails.
void pdfglue_draw_bands(fz_context* ctx, fz_page* page, fz_matrix ctm, fz_pixmap* pixmap, int bands,
                        fz_cookie* cookies, int flags);
