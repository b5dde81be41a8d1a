// A page drawn in bands at once: MuPDF records the page into a display list once, and each
// band plays the list back through a draw device of its own, on a cloned context of its own
// (display lists may be played on several threads; contexts may not be shared). The calling
// thread draws the first band. A band whose thread or context cannot be made is drawn on the
// calling thread afterwards, so the page is complete either way.
#include <pthread.h>
#include <stdint.h>
#include <string.h>

#include "ThumbMetaLib/pdf/glue/BandDrawing.h"
#include "ThumbMetaLib/pdf/glue/GlueCatch.h"
#include "ThumbMetaLib/pdf/glue/ThinStrokes.h"

typedef struct BandJob {
    fz_context* ctx;
    fz_display_list* list;
    fz_matrix ctm;
    fz_irect area;
    unsigned char* rows;  // the first row of `area` in the page's pixmap
    fz_cookie* cookie;
    int flags;  // kPageDraw*
    pthread_t thread;
    int threaded;
    int failed;
    PDFGlueError err;
} BandJob;

static void draw_band(BandJob* job) {
    fz_context* ctx = job->ctx;
    fz_pixmap* band = NULL;
    fz_device* device = NULL;
    // Each band decodes its images for itself, as MuPDF's bands do: the document's cache
    // belongs to the calling thread.
    PDFGlueImageCache* images = job->flags & kPageDrawOwnJPEG ? pdfglue_new_image_cache() : NULL;
    fz_var(band);
    fz_var(device);
    fz_try(ctx) {
        band = fz_new_pixmap_with_bbox_and_data(ctx, fz_device_bgr(ctx), job->area, NULL, 0,
                                                job->rows);
        device = pdfglue_new_page_device(ctx, band, job->flags, images);
        fz_run_display_list(ctx, job->list, device, job->ctm, fz_rect_from_irect(job->area),
                            job->cookie);
        fz_close_device(ctx, device);
    }
    fz_always(ctx) {
        fz_drop_device(ctx, device);
        fz_drop_pixmap(ctx, band);
        pdfglue_drop_image_cache(ctx, images);
    }
    fz_catch(ctx) {
        job->failed = 1;
        pdfglue_caught(ctx, &job->err);
    }
}

static void* band_thread(void* job) {
    draw_band((BandJob*)job);
    return NULL;
}

// Records the page; with `blends` (for the thin stroke painter), also whether any of its groups
// blends other than normally.
static fz_display_list* record_page(fz_context* ctx, fz_page* page, fz_cookie* cookie,
                                    int* blends) {
    fz_display_list* list = fz_new_display_list(ctx, fz_bound_page(ctx, page));
    fz_device* device = NULL;
    fz_var(device);
    fz_try(ctx) {
        device = fz_new_list_device(ctx, list);
        if (blends != NULL) {
            device = pdfglue_new_blend_scout(ctx, device, blends);  // on failure still the list's
        }
        fz_run_page(ctx, page, device, fz_identity, cookie);
        fz_close_device(ctx, device);
    }
    fz_always(ctx) {
        fz_drop_device(ctx, device);
    }
    fz_catch(ctx) {
        fz_drop_display_list(ctx, list);
        fz_rethrow(ctx);
    }
    return list;
}

// Starts bands 1 and up on threads of their own; those that cannot start stay unthreaded.
static void start_bands(fz_context* ctx, BandJob* jobs, int bands) {
    for (int i = 1; i < bands; ++i) {
        jobs[i].ctx = fz_clone_context(ctx);
        if (jobs[i].ctx == NULL) {
            jobs[i].ctx = ctx;
            continue;
        }
        // Clones copy the allocator and anti-aliasing settings of the context they came from.
        if (pthread_create(&jobs[i].thread, NULL, band_thread, &jobs[i]) == 0) {
            jobs[i].threaded = 1;
        } else {
            fz_drop_context(jobs[i].ctx);
            jobs[i].ctx = ctx;
        }
    }
}

// Waits for every band and draws the unthreaded ones; the first failing band's error, if any.
static const BandJob* finish_bands(fz_context* ctx, BandJob* jobs, int bands) {
    const BandJob* failed = NULL;
    for (int i = 1; i < bands; ++i) {
        if (jobs[i].threaded) {
            pthread_join(jobs[i].thread, NULL);
            fz_drop_context(jobs[i].ctx);
            jobs[i].ctx = ctx;
        } else if (!jobs[0].failed) {
            draw_band(&jobs[i]);
        }
    }
    for (int i = 0; i < bands && failed == NULL; ++i) {
        if (jobs[i].failed) {
            failed = &jobs[i];
        }
    }
    return failed;
}

void pdfglue_draw_bands(fz_context* ctx, fz_page* page, fz_matrix ctm, fz_pixmap* pixmap, int bands,
                        fz_cookie* cookies, int flags) {
    int blends = 0;
    const int thinStrokes = flags & kPageDrawThinStrokes;
    fz_display_list* list = record_page(ctx, page, cookies, thinStrokes ? &blends : NULL);
    BandJob jobs[kPDFGlueMaxBands];
    memset(jobs, 0, sizeof jobs);
    const fz_irect area = fz_pixmap_bbox(ctx, pixmap);
    const int height = area.y1 - area.y0;
    const ptrdiff_t stride = fz_pixmap_stride(ctx, pixmap);
    for (int i = 0; i < bands; ++i) {
        jobs[i].ctx = ctx;
        jobs[i].list = list;
        jobs[i].ctm = ctm;
        jobs[i].area = area;
        jobs[i].area.y0 = area.y0 + (int)((int64_t)height * i / bands);
        jobs[i].area.y1 = area.y0 + (int)((int64_t)height * (i + 1) / bands);
        jobs[i].rows = fz_pixmap_samples(ctx, pixmap) + (jobs[i].area.y0 - area.y0) * stride;
        jobs[i].cookie = cookies != NULL ? &cookies[i] : NULL;
        jobs[i].flags = flags | (thinStrokes && !blends ? kPageDrawElideGroups : 0);
    }
    start_bands(ctx, jobs, bands);
    draw_band(&jobs[0]);
    const BandJob* failed = finish_bands(ctx, jobs, bands);
    fz_drop_display_list(ctx, list);
    if (failed != NULL) {
        fz_throw(ctx, failed->err.code, "%s", failed->err.text);
    }
}
