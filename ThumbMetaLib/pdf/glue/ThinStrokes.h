#pragma once
// Private to the render glue: strokes narrower than a pixel, painted by our own line painter.
//
// This departs on purpose from letting MuPDF draw every stroke. MuPDF turns a stroke into an
// outline and scan-converts it over the stroke's whole bounding box, so a thin curve across
// the page costs as much as filling the page; a thumbnail of a drawing with tens of thousands
// of such curves spends most of its time there. A stroke that is at most one pixel wide covers
// a known area of each pixel it crosses (its length in the pixel times its width), which the
// painter adds along the line only: the same coverage for a fraction of the work.
#include <mupdf/fitz.h>

#include "ThumbMetaLib/pdf/glue/PDFGlue.h"

// What a page's device draws itself (bits of pdfglue_new_page_device's `flags`).
enum {
    // Strokes it can paint exactly: at most one pixel wide, not dashed, and drawn outside
    // every clip, mask, group and tile (where the draw device would paint into the pixmap
    // itself, with normal blending).
    kPageDrawThinStrokes = 1,
    // Groups at full opacity with normal blending are not handed on: their content is drawn
    // as if it stood outside them. Only for a page without other blending
    // (pdfglue_new_blend_scout).
    kPageDrawElideGroups = 2,
    // JPEG images are decoded by our codec (JPEGImages.h), kept in the device's image cache.
    kPageDrawOwnJPEG = 4,
};

// A device that hands every call on to `inner`, a draw device onto the opaque B,G,R `pixmap`,
// except what `flags` has it draw itself. The device takes over `inner` and drops it with
// itself; when making the device fails (MuPDF's error is thrown), `inner` stays the caller's.
fz_device* pdfglue_new_thin_stroke_device(fz_context* ctx, fz_device* inner, fz_pixmap* pixmap,
                                          int flags, PDFGlueImageCache* images);

// A device that hands every call on to `inner` (a page being recorded) and sets `*blends`
// when the page opens a group that blends other than normally or knocks out.
fz_device* pdfglue_new_blend_scout(fz_context* ctx, fz_device* inner, int* blends);

// The device a page or band is drawn with into `pixmap`: MuPDF's draw device, behind our own
// device when `flags` (kPageDraw*) asks for anything. `images` (for kPageDrawOwnJPEG; null
// leaves every image to MuPDF) must outlive the device. Throws MuPDF's error.
fz_device* pdfglue_new_page_device(fz_context* ctx, fz_pixmap* pixmap, int flags,
                                   PDFGlueImageCache* images);

// The stroke's width in pixels as MuPDF's draw device draws it: at least the context's
// minimum line width and the thinnest stroke its anti-aliasing level draws.
float pdfglue_stroke_pixel_width(fz_context* ctx, const fz_stroke_state* stroke, fz_matrix ctm);
// That thinnest stroke in pixels; 0 for levels whose strokes we leave to MuPDF.
float pdfglue_thinnest_stroke(int aaLevel);

// Paints `path` through `ctm` as a line `width` pixels wide (at most 1) into `pixmap` in the
// colour `bgr` (0 to 1 each) at `alpha`, with `cap` at the ends of open subpaths (a dot for one
// of no length). Segments are clipped to the pixmap; those with a point that is not a finite
// number are skipped.
void pdfglue_paint_thin_stroke(fz_context* ctx, fz_pixmap* pixmap, const fz_path* path,
                               fz_matrix ctm, float width, fz_linecap cap, const float bgr[3],
                               float alpha);
