// Saving a changed document: appended to a copy of the file, or written anew.
#include <mupdf/pdf.h>

#include "ThumbMetaLib/pdf/glue/GlueCatch.h"

int pdfglue_can_save_incrementally(fz_context* ctx, pdf_document* doc, int* incremental,
                                   PDFGlueError* err) {
    fz_try(ctx) {
        *incremental = pdf_can_be_saved_incrementally(ctx, doc);
    }
    fz_catch(ctx) {
        return pdfglue_caught(ctx, err);
    }
    return 0;
}

int pdfglue_save(fz_context* ctx, pdf_document* doc, const char* path, int incremental,
                 PDFGlueError* err) {
    fz_try(ctx) {
        pdf_write_options options = pdf_default_write_options;
        options.do_incremental = incremental;
        pdf_save_document(ctx, doc, path, &options);
    }
    fz_catch(ctx) {
        return pdfglue_caught(ctx, err);
    }
    return 0;
}
