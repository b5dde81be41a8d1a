#pragma once
// Shared by the glue's C files: fills PDFGlueError from the error MuPDF has just caught.
#include <mupdf/fitz.h>
#include <string.h>

#include "ThumbMetaLib/pdf/glue/PDFGlue.h"

static inline int pdfglue_caught(fz_context* ctx, PDFGlueError* err) {
    const char* text = fz_caught_message(ctx);
    err->code = fz_caught(ctx);
    err->text[0] = 0;
    if (text != NULL) {
        strncpy(err->text, text, sizeof err->text - 1);
        err->text[sizeof err->text - 1] = 0;
    }
    return -1;
}

// A MuPDF error that a per-object loop must not swallow: memory or an abort.
static inline int pdfglue_is_fatal(fz_context* ctx) {
    const int code = fz_caught(ctx);
    return code == FZ_ERROR_MEMORY || code == FZ_ERROR_ABORT;
}
