// Acquiring, measuring and drawing one page into caller-owned B,G,R,A memory.
#include <mupdf/fitz.h>
#include <mupdf/pdf.h>
#include <stdlib.h>

#include "ThumbMetaLib/pdf/glue/BandDrawing.h"
#include "ThumbMetaLib/pdf/glue/GlueCatch.h"
#include "ThumbMetaLib/pdf/glue/ThinStrokes.h"

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

static size_t stream_length(fz_context* ctx, pdf_obj* stream) {
    const int length = pdf_dict_get_int(ctx, stream, PDF_NAME(Length));
    return length > 0 ? (size_t)length : 0;
}

int pdfglue_page_content_bytes(fz_context* ctx, fz_page* page, size_t* bytes, PDFGlueError* err) {
    *bytes = 0;
    fz_try(ctx) {
        pdf_page* pdfPage = pdf_page_from_fz_page(ctx, page);
        pdf_obj* contents = pdfPage != NULL ? pdf_page_contents(ctx, pdfPage) : NULL;
        if (pdf_is_array(ctx, contents)) {
            // An array of streams: bounded by the array, which the file gave us.
            const int count = pdf_array_len(ctx, contents);
            for (int i = 0; i < count; ++i) {
                *bytes += stream_length(ctx, pdf_array_get(ctx, contents, i));
            }
        } else if (contents != NULL) {
            *bytes = stream_length(ctx, contents);
        }
    }
    fz_catch(ctx) {
        return pdfglue_caught(ctx, err);
    }
    return 0;
}

struct PDFGlueCookie {
    fz_cookie bands[kPDFGlueMaxBands];
};

PDFGlueCookie* pdfglue_new_cookie(void) {
    return calloc(1, sizeof(PDFGlueCookie));
}
void pdfglue_abort_cookie(PDFGlueCookie* cookie) {
    for (int i = 0; i < kPDFGlueMaxBands; ++i) {
        cookie->bands[i].abort = 1;
    }
}

static int cookie_aborted(const PDFGlueCookie* cookie) {
    for (int i = 0; cookie != NULL && i < kPDFGlueMaxBands; ++i) {
        if (cookie->bands[i].abort) {
            return 1;
        }
    }
    return 0;
}
void pdfglue_free_cookie(PDFGlueCookie* cookie) {
    free(cookie);
}

// B,G,R rows of `stride` bytes into packed B,G,R,255 rows.
static void widen_to_bgra(const unsigned char* from, ptrdiff_t stride, unsigned char* to, int width,
                          int height) {
    for (int y = 0; y < height; ++y) {
        const unsigned char* in = from + (ptrdiff_t)y * stride;
        unsigned char* out = to + (size_t)y * (size_t)width * 4;
        for (int x = 0; x < width; ++x, in += 3, out += 4) {
            out[0] = in[0];
            out[1] = in[1];
            out[2] = in[2];
            out[3] = 0xFF;
        }
    }
}

int pdfglue_render_page(fz_context* ctx, fz_page* page, const PDFGlueRender* render,
                        PDFGlueError* err) {
    fz_pixmap* pixmap = NULL;
    fz_device* device = NULL;
    const int savedAALevel = fz_graphics_aa_level(ctx);
    fz_var(pixmap);
    fz_var(device);
    fz_try(ctx) {
        const fz_rect box = fz_bound_page(ctx, page);
        // fz_bound_page is the page box through the default matrix: move its corner to the
        // origin, then scale.
        const fz_matrix ctm =
            fz_concat(fz_translate(-box.x0, -box.y0), fz_scale(render->scale, render->scale));
        const fz_irect area = {0, 0, render->width, render->height};
        fz_cookie* cookies = render->cookie != NULL ? render->cookie->bands : NULL;
        const int flags = (render->thinStrokes ? kPageDrawThinStrokes : 0) |
                          (render->images != NULL ? kPageDrawOwnJPEG : 0);
        fz_set_graphics_aa_level(ctx, render->graphicsAALevel);
        // Opaque device BGR on white (transparent areas stay white), then widened into the
        // caller's B,G,R,255 rows. Drawing into a pixmap without alpha spares MuPDF's painters
        // the destination-alpha blend, which costs vector-heavy pages most of their time.
        pixmap = fz_new_pixmap_with_bbox(ctx, fz_device_bgr(ctx), area, NULL, 0);
        fz_clear_pixmap_with_value(ctx, pixmap, 0xFF);
        if (render->bands > 1) {
            const int bands = render->bands < kPDFGlueMaxBands ? render->bands : kPDFGlueMaxBands;
            pdfglue_draw_bands(ctx, page, ctm, pixmap, bands, cookies, flags);
        } else {
            // Unrecorded, the page's blending is not known before it is drawn: no group is
            // elided.
            device = pdfglue_new_page_device(ctx, pixmap, flags, render->images);
            fz_run_page(ctx, page, device, ctm, cookies);
            fz_close_device(ctx, device);
        }
        if (cookie_aborted(render->cookie)) {
            fz_throw(ctx, FZ_ERROR_ABORT, "drawing the page was stopped");
        }
        widen_to_bgra(fz_pixmap_samples(ctx, pixmap), fz_pixmap_stride(ctx, pixmap),
                      render->samples, render->width, render->height);
    }
    fz_always(ctx) {
        fz_set_graphics_aa_level(ctx, savedAALevel);
        fz_drop_device(ctx, device);
        fz_drop_pixmap(ctx, pixmap);
    }
    fz_catch(ctx) {
        return pdfglue_caught(ctx, err);
    }
    return 0;
}
