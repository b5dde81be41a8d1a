// Opening PDF documents (from a path or from memory) and counting their pages.
#include <mupdf/pdf.h>

#include "ThumbMetaLib/pdf/glue/GlueCatch.h"

// Unlocks with the empty password when the document is encrypted; the owner may still have
// restricted what the empty password allows (see the permission checks).
static void pdfglue_unlock(fz_context* ctx, pdf_document* doc, int requireUnlocked, int* locked) {
    *locked = 0;
    if (pdf_needs_password(ctx, doc) && !pdf_authenticate_password(ctx, doc, "")) {
        *locked = 1;
        if (requireUnlocked) {
            fz_throw(ctx, FZ_ERROR_GENERIC, "document needs a password");
        }
    }
}

int pdfglue_open_path(fz_context* ctx, const char* path, int requireUnlocked, pdf_document** doc,
                      int* locked, PDFGlueError* err) {
    pdf_document* opened = NULL;
    fz_var(opened);
    *doc = NULL;
    fz_try(ctx) {
        opened = pdf_open_document(ctx, path);
        pdfglue_unlock(ctx, opened, requireUnlocked, locked);
    }
    fz_catch(ctx) {
        pdf_drop_document(ctx, opened);
        return pdfglue_caught(ctx, err);
    }
    *doc = opened;
    return 0;
}

int pdfglue_open_memory(fz_context* ctx, const unsigned char* data, size_t size,
                        int requireUnlocked, pdf_document** doc, int* locked, PDFGlueError* err) {
    fz_stream* stream = NULL;
    pdf_document* opened = NULL;
    fz_var(stream);
    fz_var(opened);
    *doc = NULL;
    fz_try(ctx) {
        stream = fz_open_memory(ctx, data, size);
        opened = pdf_open_document_with_stream(ctx, stream);
        pdfglue_unlock(ctx, opened, requireUnlocked, locked);
    }
    fz_always(ctx) {
        fz_drop_stream(ctx, stream);
    }
    fz_catch(ctx) {
        pdf_drop_document(ctx, opened);
        return pdfglue_caught(ctx, err);
    }
    *doc = opened;
    return 0;
}

void pdfglue_drop_document(fz_context* ctx, pdf_document* doc) {
    pdf_drop_document(ctx, doc);
}

int pdfglue_count_pages(fz_context* ctx, pdf_document* doc, int* count, PDFGlueError* err) {
    fz_try(ctx) {
        *count = pdf_count_pages(ctx, doc);
    }
    fz_catch(ctx) {
        return pdfglue_caught(ctx, err);
    }
    return 0;
}
