// Permissions, certification, and the walk over every file specification a document records.
#include <mupdf/pdf.h>
#include <string.h>

#include "ThumbMetaLib/pdf/glue/GlueCatch.h"

int pdfglue_has_permission(fz_context* ctx, pdf_document* doc, int permission, int* granted,
                           PDFGlueError* err) {
    fz_try(ctx) {
        *granted = pdf_has_permission(ctx, doc, (fz_permission)permission);
    }
    fz_catch(ctx) {
        return pdfglue_caught(ctx, err);
    }
    return 0;
}

int pdfglue_is_certified(fz_context* ctx, pdf_document* doc, int* certified, PDFGlueError* err) {
    fz_try(ctx) {
        pdf_obj* root = pdf_dict_get(ctx, pdf_trailer(ctx, doc), PDF_NAME(Root));
        pdf_obj* perms = pdf_dict_get(ctx, root, PDF_NAME(Perms));
        *certified = pdf_is_dict(ctx, pdf_dict_get(ctx, perms, PDF_NAME(DocMDP)));
    }
    fz_catch(ctx) {
        return pdfglue_caught(ctx, err);
    }
    return 0;
}

typedef struct LinkWalk {
    PDFGlueLinkVisitor visitor;
    void* user;
    unsigned char* room;
    size_t roomSize;
    int replaced;
} LinkWalk;

// Direct objects nest only as deep as the file's syntax does; deeper is hostile.
enum { kMaxDirectDepth = 64 };

static void pdfglue_visit_path(fz_context* ctx, LinkWalk* walk, pdf_obj* dict, pdf_obj* key) {
    pdf_obj* value = pdf_dict_get(ctx, dict, key);
    if (!pdf_is_string(ctx, value)) {
        return;
    }
    const size_t length = pdf_to_str_len(ctx, value);
    if (length == 0) {
        return;
    }
    const long kept = walk->visitor(walk->user, (const unsigned char*)pdf_to_str_buf(ctx, value),
                                    length, walk->room, walk->roomSize);
    if (kept >= 0) {
        const size_t written = (size_t)kept < walk->roomSize ? (size_t)kept : walk->roomSize;
        pdf_dict_put_string(ctx, dict, key, (const char*)walk->room, written);
        walk->replaced++;
    }
}

// A file specification dictionary: its path in every platform form.
static void pdfglue_visit_filespec(fz_context* ctx, LinkWalk* walk, pdf_obj* spec) {
    pdfglue_visit_path(ctx, walk, spec, PDF_NAME(F));
    pdfglue_visit_path(ctx, walk, spec, PDF_NAME(UF));
    pdfglue_visit_path(ctx, walk, spec, PDF_NAME(DOS));
    pdfglue_visit_path(ctx, walk, spec, PDF_NAME(Mac));
    pdfglue_visit_path(ctx, walk, spec, PDF_NAME(Unix));
}

static int pdfglue_is_filespec(fz_context* ctx, pdf_obj* dict) {
    return pdf_name_eq(ctx, pdf_dict_get(ctx, dict, PDF_NAME(Type)), PDF_NAME(Filespec));
}

// An action that names another file: /F is either the path itself or a file specification,
// which need not say /Type /Filespec. The same holds for an annotation's /FS.
static void pdfglue_visit_referrer(fz_context* ctx, LinkWalk* walk, pdf_obj* dict) {
    pdf_obj* kind = pdf_dict_get(ctx, dict, PDF_NAME(S));
    if (pdf_name_eq(ctx, kind, PDF_NAME(GoToR)) || pdf_name_eq(ctx, kind, PDF_NAME(Launch)) ||
        !strcmp(pdf_to_name(ctx, kind), "GoToE")) {  // MuPDF has no constant for GoToE
        pdf_obj* target = pdf_dict_get(ctx, dict, PDF_NAME(F));
        if (pdf_is_string(ctx, target)) {
            pdfglue_visit_path(ctx, walk, dict, PDF_NAME(F));
        } else if (pdf_is_dict(ctx, target) && !pdfglue_is_filespec(ctx, target)) {
            pdfglue_visit_filespec(ctx, walk, target);
        }
    }
    pdf_obj* attached = pdf_dict_get(ctx, dict, PDF_NAME(FS));
    if (pdf_is_dict(ctx, attached) && !pdfglue_is_filespec(ctx, attached)) {
        pdfglue_visit_filespec(ctx, walk, attached);
    }
}

// Walks the direct objects inside one indirect object. References are not followed: every
// indirect object is walked on its own, so each file specification is seen once.
static void pdfglue_walk(fz_context* ctx, LinkWalk* walk, pdf_obj* obj, int depth) {
    if (depth > kMaxDirectDepth || pdf_is_indirect(ctx, obj)) {
        return;
    }
    if (pdf_is_array(ctx, obj)) {
        const int count = pdf_array_len(ctx, obj);
        for (int i = 0; i < count; ++i) {
            pdfglue_walk(ctx, walk, pdf_array_get(ctx, obj, i), depth + 1);
        }
    } else if (pdf_is_dict(ctx, obj)) {
        if (pdfglue_is_filespec(ctx, obj)) {
            pdfglue_visit_filespec(ctx, walk, obj);
        }
        pdfglue_visit_referrer(ctx, walk, obj);
        const int count = pdf_dict_len(ctx, obj);
        for (int i = 0; i < count; ++i) {
            pdfglue_walk(ctx, walk, pdf_dict_get_val(ctx, obj, i), depth + 1);
        }
    }
}

// One indirect object. A broken object holds no readable link and is passed over; running out
// of memory or time is not.
static void pdfglue_walk_object(fz_context* ctx, pdf_document* doc, LinkWalk* walk, int num) {
    pdf_obj* obj = NULL;
    fz_var(obj);
    fz_try(ctx) {
        obj = pdf_load_object(ctx, doc, num);
        pdfglue_walk(ctx, walk, obj, 0);
    }
    fz_always(ctx) {
        pdf_drop_obj(ctx, obj);
    }
    fz_catch(ctx) {
        if (pdfglue_is_fatal(ctx)) {
            fz_rethrow(ctx);
        }
    }
}

int pdfglue_visit_links(fz_context* ctx, pdf_document* doc, PDFGlueLinkVisitor visitor, void* user,
                        size_t room, int* replaced, PDFGlueError* err) {
    LinkWalk walk = {visitor, user, NULL, room, 0};
    *replaced = 0;
    fz_try(ctx) {
        walk.room = fz_malloc(ctx, room > 0 ? room : 1);
        const int objects = pdf_xref_len(ctx, doc);
        for (int num = 1; num < objects; ++num) {
            pdfglue_walk_object(ctx, doc, &walk, num);
        }
    }
    fz_always(ctx) {
        fz_free(ctx, walk.room);
    }
    fz_catch(ctx) {
        return pdfglue_caught(ctx, err);
    }
    *replaced = walk.replaced;
    return 0;
}
