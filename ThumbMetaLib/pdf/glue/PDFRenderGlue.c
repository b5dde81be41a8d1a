// Acquiring, measuring and drawing one page into caller-owned B,G,R,A memory.
#include <mupdf/fitz.h>
#include <stdlib.h>

#include "ThumbMetaLib/pdf/glue/GlueCatch.h"

int pdfglue_load_page(fz_context* ctx, pdf_document* doc, int pageIndex, fz_page** page,
                      PDFGlueError* err) {
    *page = NULL;
    fz_try(ctx) {
        *page = fz_load_page(ctx, (fz_document*)doc, pageIndex);
    }
    fz_catch(ctx) {
        return pdfglue_caught(ctx, err);
    }
    return 0;
}

void pdfglue_drop_page(fz_context* ctx, fz_page* page) {
    fz_drop_page(ctx, page);
}

int pdfglue_page_box(fz_context* ctx, fz_page* page, float* width, float* height,
                     PDFGlueError* err) {
    fz_try(ctx) {
        const fz_rect box = fz_bound_page(ctx, page);
        *width = box.x1 - box.x0;
        *height = box.y1 - box.y0;
    }
    fz_catch(ctx) {
        return pdfglue_caught(ctx, err);
    }
    return 0;
}

struct PDFGlueCookie {
    fz_cookie cookie;
};

PDFGlueCookie* pdfglue_new_cookie(void) {
    return calloc(1, sizeof(PDFGlueCookie));
}
void pdfglue_abort_cookie(PDFGlueCookie* cookie) {
    cookie->cookie.abort = 1;
}
void pdfglue_free_cookie(PDFGlueCookie* cookie) {
    free(cookie);
}

int pdfglue_render_page(fz_context* ctx, fz_page* page, const PDFGlueRender* render,
                        PDFGlueError* err) {
    fz_pixmap* pixmap = NULL;
    fz_device* device = NULL;
    fz_var(pixmap);
    fz_var(device);
    fz_try(ctx) {
        const fz_rect box = fz_bound_page(ctx, page);
        // fz_bound_page is the page box through the default matrix: move its corner to the
        // origin, then scale.
        const fz_matrix ctm =
            fz_concat(fz_translate(-box.x0, -box.y0), fz_scale(render->scale, render->scale));
        const fz_irect area = {0, 0, render->width, render->height};
        // Device BGR with alpha over opaque white: MuPDF writes B,G,R,255 straight into the
        // caller's buffer, transparent areas stay white.
        pixmap = fz_new_pixmap_with_bbox_and_data(ctx, fz_device_bgr(ctx), area, NULL, 1,
                                                  render->samples);
        device = fz_new_draw_device(ctx, fz_identity, pixmap);
        fz_cookie* cookie = render->cookie != NULL ? &render->cookie->cookie : NULL;
        fz_run_page(ctx, page, device, ctm, cookie);
        fz_close_device(ctx, device);
        if (cookie != NULL && cookie->abort) {
            fz_throw(ctx, FZ_ERROR_ABORT, "drawing the page took longer than its time limit");
        }
    }
    fz_always(ctx) {
        fz_drop_device(ctx, device);
        fz_drop_pixmap(ctx, pixmap);
    }
    fz_catch(ctx) {
        return pdfglue_caught(ctx, err);
    }
    return 0;
}
