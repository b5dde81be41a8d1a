// The document's XMP packet: the catalog's /Metadata stream.
#include <mupdf/pdf.h>

#include "ThumbMetaLib/pdf/glue/GlueCatch.h"

static pdf_obj* pdfglue_catalog(fz_context* ctx, pdf_document* doc) {
    return pdf_dict_get(ctx, pdf_trailer(ctx, doc), PDF_NAME(Root));
}

int pdfglue_read_metadata(fz_context* ctx, pdf_document* doc, unsigned char** bytes, size_t* length,
                          PDFGlueError* err) {
    fz_buffer* buffer = NULL;
    fz_var(buffer);
    *bytes = NULL;
    *length = 0;
    fz_try(ctx) {
        pdf_obj* stream = pdf_dict_get(ctx, pdfglue_catalog(ctx, doc), PDF_NAME(Metadata));
        if (pdf_is_stream(ctx, stream)) {
            buffer = pdf_load_stream(ctx, stream);
            *length = fz_buffer_extract(ctx, buffer, bytes);
        }
    }
    fz_always(ctx) {
        fz_drop_buffer(ctx, buffer);
    }
    fz_catch(ctx) {
        return pdfglue_caught(ctx, err);
    }
    return 0;
}

int pdfglue_write_metadata(fz_context* ctx, pdf_document* doc, const unsigned char* bytes,
                           size_t length, PDFGlueError* err) {
    fz_buffer* buffer = NULL;
    pdf_obj* dict = NULL;
    pdf_obj* added = NULL;
    fz_var(buffer);
    fz_var(dict);
    fz_var(added);
    fz_try(ctx) {
        pdf_obj* catalog = pdfglue_catalog(ctx, doc);
        if (!pdf_is_dict(ctx, catalog)) {
            fz_throw(ctx, FZ_ERROR_GENERIC, "document has no catalog");
        }
        buffer = fz_new_buffer_from_copied_data(ctx, bytes, length);
        pdf_obj* stream = pdf_dict_get(ctx, catalog, PDF_NAME(Metadata));
        // XMP packets stay uncompressed so that packet scanners still find them.
        if (pdf_is_stream(ctx, stream) && pdf_is_indirect(ctx, stream)) {
            pdf_update_stream(ctx, doc, stream, buffer, 0);
            pdf_dict_del(ctx, stream, PDF_NAME(Filter));
            pdf_dict_del(ctx, stream, PDF_NAME(DecodeParms));
        } else {
            dict = pdf_new_dict(ctx, doc, 2);
            pdf_dict_put(ctx, dict, PDF_NAME(Type), PDF_NAME(Metadata));
            pdf_dict_put(ctx, dict, PDF_NAME(Subtype), PDF_NAME(XML));
            added = pdf_add_stream(ctx, doc, buffer, dict, 0);
            pdf_dict_put(ctx, catalog, PDF_NAME(Metadata), added);
        }
    }
    fz_always(ctx) {
        pdf_drop_obj(ctx, added);
        pdf_drop_obj(ctx, dict);
        fz_drop_buffer(ctx, buffer);
    }
    fz_catch(ctx) {
        return pdfglue_caught(ctx, err);
    }
    return 0;
}
