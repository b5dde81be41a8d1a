// The device in front of a draw device that takes thin strokes for our own painter. Every
// other call goes on to the draw device unchanged; the device counts the clips, masks, groups
// and tiles the draw device has open, because inside any of them the draw device paints into
// a buffer of its own, not into the page's pixmap.
#include <math.h>

#include "ThumbMetaLib/pdf/glue/JPEGImages.h"
#include "ThumbMetaLib/pdf/glue/ThinStrokes.h"

// Paths reaching beyond this many pixels are left to MuPDF, which handles any coordinate.
#define kMaxCoordinate 1.0e6f

typedef struct ThinStrokeDevice {
    fz_device super;
    fz_device* inner;
    fz_pixmap* pixmap;          // null for a scout, which only looks
    int* blends;                // a scout's finding: a group blends other than normally
    int flags;                  // kPageDraw*
    int depth;                  // open clips, masks, groups and tiles
    int elided;                 // groups not handed on
    PDFGlueImageCache* images;  // with kPageDrawOwnJPEG, else null
} ThinStrokeDevice;

static fz_device* inner_of(fz_device* dev) {
    return ((ThinStrokeDevice*)dev)->inner;
}

static void opened(fz_device* dev) {
    ++((ThinStrokeDevice*)dev)->depth;
}

static void closed(fz_device* dev) {
    ThinStrokeDevice* self = (ThinStrokeDevice*)dev;
    self->depth -= self->depth > 0;
}

static int within_limits(fz_rect r) {
    return isfinite(r.x0) && isfinite(r.y0) && isfinite(r.x1) && isfinite(r.y1) &&
           fabsf(r.x0) < kMaxCoordinate && fabsf(r.y0) < kMaxCoordinate &&
           fabsf(r.x1) < kMaxCoordinate && fabsf(r.y1) < kMaxCoordinate;
}

static void thin_stroke_path(fz_context* ctx, fz_device* dev, const fz_path* path,
                             const fz_stroke_state* stroke, fz_matrix ctm,
                             fz_colorspace* colorspace, const float* color, float alpha,
                             fz_color_params params) {
    ThinStrokeDevice* self = (ThinStrokeDevice*)dev;
    const float width = pdfglue_stroke_pixel_width(ctx, stroke, ctm);
    if (!(self->flags & kPageDrawThinStrokes) || self->depth != 0 || stroke->dash_len != 0 ||
        colorspace == NULL || !(width <= 1.0f) || !(alpha > 0.0f && alpha <= 1.0f) ||
        pdfglue_thinnest_stroke(fz_graphics_aa_level(ctx)) == 0.0f) {
        fz_stroke_path(ctx, self->inner, path, stroke, ctm, colorspace, color, alpha, params);
        return;
    }
    const fz_rect bounds = fz_bound_path(ctx, path, stroke, ctm);
    if (!within_limits(bounds)) {
        fz_stroke_path(ctx, self->inner, path, stroke, ctm, colorspace, color, alpha, params);
        return;
    }
    if (fz_is_empty_rect(
            fz_intersect_rect(bounds, fz_rect_from_irect(fz_pixmap_bbox(ctx, self->pixmap))))) {
        return;
    }
    float bgr[FZ_MAX_COLORS];
    fz_convert_color(ctx, colorspace, color, fz_device_bgr(ctx), bgr, NULL, params);
    pdfglue_paint_thin_stroke(ctx, self->pixmap, path, ctm, width, stroke->start_cap, bgr, alpha);
}

static void thin_close_device(fz_context* ctx, fz_device* dev) {
    fz_close_device(ctx, inner_of(dev));
}

static void thin_drop_device(fz_context* ctx, fz_device* dev) {
    ThinStrokeDevice* self = (ThinStrokeDevice*)dev;
    fz_drop_device(ctx, self->inner);
    fz_drop_pixmap(ctx, self->pixmap);  // null is ignored
}

static void thin_fill_path(fz_context* ctx, fz_device* dev, const fz_path* path, int evenOdd,
                           fz_matrix ctm, fz_colorspace* cs, const float* color, float alpha,
                           fz_color_params params) {
    fz_fill_path(ctx, inner_of(dev), path, evenOdd, ctm, cs, color, alpha, params);
}

static void thin_clip_path(fz_context* ctx, fz_device* dev, const fz_path* path, int evenOdd,
                           fz_matrix ctm, fz_rect scissor) {
    fz_clip_path(ctx, inner_of(dev), path, evenOdd, ctm, scissor);
    opened(dev);
}

static void thin_clip_stroke_path(fz_context* ctx, fz_device* dev, const fz_path* path,
                                  const fz_stroke_state* stroke, fz_matrix ctm, fz_rect scissor) {
    fz_clip_stroke_path(ctx, inner_of(dev), path, stroke, ctm, scissor);
    opened(dev);
}

static void thin_fill_text(fz_context* ctx, fz_device* dev, const fz_text* text, fz_matrix ctm,
                           fz_colorspace* cs, const float* color, float alpha,
                           fz_color_params params) {
    fz_fill_text(ctx, inner_of(dev), text, ctm, cs, color, alpha, params);
}

static void thin_stroke_text(fz_context* ctx, fz_device* dev, const fz_text* text,
                             const fz_stroke_state* stroke, fz_matrix ctm, fz_colorspace* cs,
                             const float* color, float alpha, fz_color_params params) {
    fz_stroke_text(ctx, inner_of(dev), text, stroke, ctm, cs, color, alpha, params);
}

static void thin_clip_text(fz_context* ctx, fz_device* dev, const fz_text* text, fz_matrix ctm,
                           fz_rect scissor) {
    fz_clip_text(ctx, inner_of(dev), text, ctm, scissor);
    opened(dev);
}

static void thin_clip_stroke_text(fz_context* ctx, fz_device* dev, const fz_text* text,
                                  const fz_stroke_state* stroke, fz_matrix ctm, fz_rect scissor) {
    fz_clip_stroke_text(ctx, inner_of(dev), text, stroke, ctm, scissor);
    opened(dev);
}

static void thin_ignore_text(fz_context* ctx, fz_device* dev, const fz_text* text, fz_matrix ctm) {
    fz_ignore_text(ctx, inner_of(dev), text, ctm);
}

static void thin_fill_shade(fz_context* ctx, fz_device* dev, fz_shade* shade, fz_matrix ctm,
                            float alpha, fz_color_params params) {
    fz_fill_shade(ctx, inner_of(dev), shade, ctm, alpha, params);
}

// Images: any JPEG our codec takes is handed on decoded, in every clip, mask and group.
static void thin_fill_image(fz_context* ctx, fz_device* dev, fz_image* image, fz_matrix ctm,
                            float alpha, fz_color_params params) {
    ThinStrokeDevice* self = (ThinStrokeDevice*)dev;
    fz_image* decoded = NULL;
    fz_var(decoded);
    if (self->images != NULL) {
        decoded =
            pdfglue_cached_jpeg_image(ctx, self->images, image, pdfglue_jpeg_reduction(image, ctm));
    }
    fz_try(ctx) {
        fz_fill_image(ctx, self->inner, decoded != NULL ? decoded : image, ctm, alpha, params);
    }
    fz_always(ctx) {
        fz_drop_image(ctx, decoded);
    }
    fz_catch(ctx) {
        fz_rethrow(ctx);
    }
}

static void thin_fill_image_mask(fz_context* ctx, fz_device* dev, fz_image* image, fz_matrix ctm,
                                 fz_colorspace* cs, const float* color, float alpha,
                                 fz_color_params params) {
    fz_fill_image_mask(ctx, inner_of(dev), image, ctm, cs, color, alpha, params);
}

static void thin_clip_image_mask(fz_context* ctx, fz_device* dev, fz_image* image, fz_matrix ctm,
                                 fz_rect scissor) {
    fz_clip_image_mask(ctx, inner_of(dev), image, ctm, scissor);
    opened(dev);
}

// A mask is opened by begin_mask and closed, after end_mask and the masked drawing, by pop_clip.
static void thin_pop_clip(fz_context* ctx, fz_device* dev) {
    fz_pop_clip(ctx, inner_of(dev));
    closed(dev);
}

static void thin_begin_mask(fz_context* ctx, fz_device* dev, fz_rect area, int luminosity,
                            fz_colorspace* cs, const float* backdrop, fz_color_params params) {
    fz_begin_mask(ctx, inner_of(dev), area, luminosity, cs, backdrop, params);
    opened(dev);
}

static void thin_end_mask(fz_context* ctx, fz_device* dev) {
    fz_end_mask(ctx, inner_of(dev));
}

// A group drawn at full opacity with normal blending and without knockout composites over
// what lies below exactly as its content would on its own, isolated or not, as long as nothing
// inside blends otherwise: MuPDF wraps every page that uses transparency in such a group (and
// forms often are one), which would keep all their strokes from the painter. Such a group is
// not handed on when the page's scout saw no other blending. Only groups outside every
// container are elided, so a group closed at depth 0 is always an elided one.
static void thin_begin_group(fz_context* ctx, fz_device* dev, fz_rect area, fz_colorspace* cs,
                             int isolated, int knockout, int blendmode, float alpha) {
    ThinStrokeDevice* self = (ThinStrokeDevice*)dev;
    if (self->blends != NULL && (knockout || (blendmode & FZ_BLEND_MODEMASK) != FZ_BLEND_NORMAL)) {
        *self->blends = 1;
    }
    if ((self->flags & kPageDrawElideGroups) && self->depth == 0 && !knockout &&
        (blendmode & FZ_BLEND_MODEMASK) == FZ_BLEND_NORMAL && alpha == 1.0f) {
        ++self->elided;
        return;
    }
    fz_begin_group(ctx, self->inner, area, cs, isolated, knockout, blendmode, alpha);
    opened(dev);
}

static void thin_end_group(fz_context* ctx, fz_device* dev) {
    ThinStrokeDevice* self = (ThinStrokeDevice*)dev;
    if (self->depth == 0 && self->elided > 0) {
        --self->elided;
        return;
    }
    fz_end_group(ctx, self->inner);
    closed(dev);
}

// end_tile follows every begin_tile, also when the tile came from MuPDF's cache.
static int thin_begin_tile(fz_context* ctx, fz_device* dev, fz_rect area, fz_rect view, float xstep,
                           float ystep, fz_matrix ctm, int id) {
    const int cached = fz_begin_tile_id(ctx, inner_of(dev), area, view, xstep, ystep, ctm, id);
    opened(dev);
    return cached;
}

static void thin_end_tile(fz_context* ctx, fz_device* dev) {
    fz_end_tile(ctx, inner_of(dev));
    closed(dev);
}

static void thin_render_flags(fz_context* ctx, fz_device* dev, int set, int clear) {
    fz_render_flags(ctx, inner_of(dev), set, clear);
}

static void thin_set_default_colorspaces(fz_context* ctx, fz_device* dev,
                                         fz_default_colorspaces* spaces) {
    fz_set_default_colorspaces(ctx, inner_of(dev), spaces);
}

static void thin_begin_layer(fz_context* ctx, fz_device* dev, const char* name) {
    fz_begin_layer(ctx, inner_of(dev), name);
}

static void thin_end_layer(fz_context* ctx, fz_device* dev) {
    fz_end_layer(ctx, inner_of(dev));
}

static ThinStrokeDevice* new_device(fz_context* ctx, fz_device* inner) {
    ThinStrokeDevice* self = fz_new_derived_device(ctx, ThinStrokeDevice);
    self->super.hints = inner->hints;
    self->super.flags = inner->flags;
    self->super.close_device = thin_close_device;
    self->super.drop_device = thin_drop_device;
    self->super.fill_path = thin_fill_path;
    self->super.stroke_path = thin_stroke_path;
    self->super.clip_path = thin_clip_path;
    self->super.clip_stroke_path = thin_clip_stroke_path;
    self->super.fill_text = thin_fill_text;
    self->super.stroke_text = thin_stroke_text;
    self->super.clip_text = thin_clip_text;
    self->super.clip_stroke_text = thin_clip_stroke_text;
    self->super.ignore_text = thin_ignore_text;
    self->super.fill_shade = thin_fill_shade;
    self->super.fill_image = thin_fill_image;
    self->super.fill_image_mask = thin_fill_image_mask;
    self->super.clip_image_mask = thin_clip_image_mask;
    self->super.pop_clip = thin_pop_clip;
    self->super.begin_mask = thin_begin_mask;
    self->super.end_mask = thin_end_mask;
    self->super.begin_group = thin_begin_group;
    self->super.end_group = thin_end_group;
    self->super.begin_tile = thin_begin_tile;
    self->super.end_tile = thin_end_tile;
    self->super.render_flags = thin_render_flags;
    self->super.set_default_colorspaces = thin_set_default_colorspaces;
    self->super.begin_layer = thin_begin_layer;
    self->super.end_layer = thin_end_layer;
    self->inner = inner;
    return self;
}

fz_device* pdfglue_new_thin_stroke_device(fz_context* ctx, fz_device* inner, fz_pixmap* pixmap,
                                          int flags, PDFGlueImageCache* images) {
    ThinStrokeDevice* self = new_device(ctx, inner);
    self->pixmap = fz_keep_pixmap(ctx, pixmap);
    self->flags = flags;
    self->images = flags & kPageDrawOwnJPEG ? images : NULL;
    return &self->super;
}

fz_device* pdfglue_new_blend_scout(fz_context* ctx, fz_device* inner, int* blends) {
    ThinStrokeDevice* self = new_device(ctx, inner);
    self->blends = blends;
    return &self->super;
}

fz_device* pdfglue_new_page_device(fz_context* ctx, fz_pixmap* pixmap, int flags,
                                   PDFGlueImageCache* images) {
    fz_device* draw = fz_new_draw_device(ctx, fz_identity, pixmap);
    fz_device* device = draw;
    if (flags != 0) {
        fz_try(ctx) {
            device = pdfglue_new_thin_stroke_device(ctx, draw, pixmap, flags, images);
        }
        fz_catch(ctx) {
            fz_drop_device(ctx, draw);
            fz_rethrow(ctx);
        }
    }
    return device;
}
