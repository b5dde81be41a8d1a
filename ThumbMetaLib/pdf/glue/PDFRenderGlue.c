// Acquiring, measuring and drawing one page into caller-owned B,G,R,A memory.
#include <math.h>
#include <mupdf/fitz.h>
#include <stdlib.h>

#include "ThumbMetaLib/pdf/glue/GlueCatch.h"

int pdfglue_load_page(fz_context* ctx, pdf_document* doc, int pageIndex, fz_page** page,
                      PDFGlueError* err) {
    *page = NULL;
    fz_try(ctx) { *page = fz_load_page(ctx, (fz_document*)doc, pageIndex); }
    fz_catch(ctx) { return pdfglue_caught(ctx, err); }
    return 0;
}

void pdfglue_drop_page(fz_context* ctx, fz_page* page) { fz_drop_page(ctx, page); }

// One side in pixels: rounded, positive, at least 1; 0 when it is not a finite size that an
// int holds (the caller refuses that page).
static int pdfglue_side(float points, float scale) {
    const double pixels = fabs((double)points * (double)scale);
    if (!isfinite(pixels) || pixels > 1e9) {
        return 0;
    }
    const int rounded = (int)lround(pixels);
    return rounded < 1 ? 1 : rounded;
}

int pdfglue_page_size(fz_context* ctx, fz_page* page, float scale, int* width, int* height,
                      PDFGlueError* err) {
    fz_try(ctx) {
        const fz_rect box = fz_bound_page(ctx, page);
        *width = pdfglue_side(box.x1 - box.x0, scale);
        *height = pdfglue_side(box.y1 - box.y0, scale);
    }
    fz_catch(ctx) { return pdfglue_caught(ctx, err); }
    return 0;
}

struct PDFGlueCookie {
    fz_cookie cookie;
};

PDFGlueCookie* pdfglue_new_cookie(void) { return calloc(1, sizeof(PDFGlueCookie)); }
void pdfglue_abort_cookie(PDFGlueCookie* cookie) { cookie->cookie.abort = 1; }
void pdfglue_free_cookie(PDFGlueCookie* cookie) { free(cookie); }

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
        const fz_matrix ctm = fz_concat(fz_translate(-box.x0, -box.y0),
                                        fz_scale(render->scale, render->scale));
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
    fz_catch(ctx) { return pdfglue_caught(ctx, err); }
    return 0;
}
