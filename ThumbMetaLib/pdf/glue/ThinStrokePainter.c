// Painting a stroke at most one pixel wide straight into an opaque B,G,R pixmap. Along each
// straight piece of the flattened path, every pixel column (or row, for steep pieces) gets the
// area the line covers in it: its length in the column times its thickness across it, spread
// over the one to three pixels the thickness overlaps. A pixel (x, y) is the square
// [x, x + 1) x [y, y + 1) of device space, as in MuPDF's draw device.
#include <math.h>

#include "ThumbMetaLib/pdf/glue/ThinStrokes.h"

// Curves are flattened to within this many pixels, and into at most this many pieces.
#define kFlatness 0.2f
#define kMaxCurvePieces 128
// Segments are clipped to the pixmap widened by this margin: the line is at most a pixel wide.
#define kClipMargin 2.0f

typedef struct Painter {
    unsigned char* samples;
    ptrdiff_t stride;
    int n;
    fz_irect area;
    fz_rect clip;
    fz_matrix ctm;
    float width;
    float alpha;
    fz_linecap cap;
    int color[3];    // 0 to 255
    fz_point start;  // of the subpath, in device space
    fz_point current;
    int subpathOpen;          // a moveto has begun a subpath
    int subpathLength;        // some segment of the subpath has a length
    fz_point firstDirection;  // unit vectors of its first and last segments with a length
    fz_point lastDirection;
} Painter;

// v / 255 rounded, for 0 <= v <= 255 * 255, without a division.
static inline int divide_by_255(int v) {
    v += 128;
    return (v + (v >> 8)) >> 8;
}

static inline void blend(Painter* p, int x, int y, float coverage) {
    if (x < p->area.x0 || x >= p->area.x1 || y < p->area.y0 || y >= p->area.y1) {
        return;
    }
    const float a = coverage * p->alpha;
    const int weight = a >= 1.0f ? 255 : (int)(a * 255.0f + 0.5f);
    unsigned char* pixel =
        p->samples + (ptrdiff_t)(y - p->area.y0) * p->stride + (ptrdiff_t)(x - p->area.x0) * p->n;
    for (int c = 0; c < 3; ++c) {
        pixel[c] = (unsigned char)divide_by_255(pixel[c] * (255 - weight) + p->color[c] * weight);
    }
}

// Liang-Barsky: the part of the segment inside the widened pixmap; 0 when none is.
static int clip_segment(const Painter* p, fz_point* a, fz_point* b) {
    // A path's bounds ignore a point that is not a number (an infinite coordinate times a
    // zero of the matrix), so such points can reach here.
    if (!isfinite(a->x) || !isfinite(a->y) || !isfinite(b->x) || !isfinite(b->y)) {
        return 0;
    }
    const float d[2] = {b->x - a->x, b->y - a->y};
    const float lo[2] = {p->clip.x0, p->clip.y0};
    const float hi[2] = {p->clip.x1, p->clip.y1};
    const float from[2] = {a->x, a->y};
    float t0 = 0.0f;
    float t1 = 1.0f;
    for (int axis = 0; axis < 2; ++axis) {
        if (d[axis] == 0.0f) {
            if (from[axis] < lo[axis] || from[axis] > hi[axis]) {
                return 0;
            }
            continue;
        }
        float enter = (lo[axis] - from[axis]) / d[axis];
        float leave = (hi[axis] - from[axis]) / d[axis];
        if (enter > leave) {
            const float swap = enter;
            enter = leave;
            leave = swap;
        }
        t0 = enter > t0 ? enter : t0;
        t1 = leave < t1 ? leave : t1;
        if (t0 > t1) {
            return 0;
        }
    }
    const fz_point start = *a;
    *a = fz_make_point(start.x + t0 * d[0], start.y + t0 * d[1]);
    *b = fz_make_point(start.x + t1 * d[0], start.y + t1 * d[1]);
    return 1;
}

// Adds `length` times the overlap of [centre - half, centre + half] with each minor cell.
static void spread(Painter* p, int steep, int cell, float centre, float half, float length) {
    const float lo = centre - half;
    const float hi = centre + half;
    for (int j = (int)floorf(lo); j <= (int)floorf(hi); ++j) {
        const float top = hi < (float)(j + 1) ? hi : (float)(j + 1);
        const float bottom = lo > (float)j ? lo : (float)j;
        if (top > bottom) {
            if (steep) {
                blend(p, j, cell, length * (top - bottom));
            } else {
                blend(p, cell, j, length * (top - bottom));
            }
        }
    }
}

static void paint_segment(Painter* p, fz_point a, fz_point b) {
    if (!clip_segment(p, &a, &b)) {
        return;
    }
    // Walk the major axis u; v is the minor one.
    const int steep = fabsf(b.y - a.y) > fabsf(b.x - a.x);
    float u0 = steep ? a.y : a.x, v0 = steep ? a.x : a.y;
    float u1 = steep ? b.y : b.x, v1 = steep ? b.x : b.y;
    if (u0 > u1) {
        const float su = u0, sv = v0;
        u0 = u1, v0 = v1;
        u1 = su, v1 = sv;
    }
    if (!(u1 > u0)) {
        return;
    }
    const float slope = (v1 - v0) / (u1 - u0);
    const float half = 0.5f * p->width * sqrtf(1.0f + slope * slope);
    for (int cell = (int)floorf(u0); (float)cell < u1; ++cell) {
        const float from = u0 > (float)cell ? u0 : (float)cell;
        const float to = u1 < (float)(cell + 1) ? u1 : (float)(cell + 1);
        if (to > from) {
            spread(p, steep, cell, v0 + (0.5f * (from + to) - u0) * slope, half, to - from);
        }
    }
}

// How far a cap reaches past the end of a line `width` wide, as the length of line with the
// same area: half the width for a square, a half disc for a round cap, a triangle's quarter.
static float cap_reach(fz_linecap cap, float width) {
    switch (cap) {
        case FZ_LINECAP_SQUARE:
            return 0.5f * width;
        case FZ_LINECAP_ROUND:
            return 0.392699f * width;  // (pi w^2 / 8) / w
        case FZ_LINECAP_TRIANGLE:
            return 0.25f * width;
        default:
            return 0.0f;
    }
}

// A subpath of no length: nothing with butt caps, otherwise a dot of the cap's area, split
// over the four pixels nearest its centre.
static void paint_dot(Painter* p, fz_point at) {
    if (p->cap == FZ_LINECAP_BUTT ||
        !(at.x >= p->clip.x0 && at.x <= p->clip.x1 && at.y >= p->clip.y0 && at.y <= p->clip.y1)) {
        return;
    }
    const float area = 2.0f * cap_reach(p->cap, p->width) * p->width;
    const float cx = at.x - 0.5f, cy = at.y - 0.5f;
    const int x = (int)floorf(cx), y = (int)floorf(cy);
    const float fx = cx - (float)x, fy = cy - (float)y;
    blend(p, x, y, area * (1 - fx) * (1 - fy));
    blend(p, x + 1, y, area * fx * (1 - fy));
    blend(p, x, y + 1, area * (1 - fx) * fy);
    blend(p, x + 1, y + 1, area * fx * fy);
}

static void line_to_device(Painter* p, fz_point to) {
    const float dx = to.x - p->current.x, dy = to.y - p->current.y;
    const float length = sqrtf(dx * dx + dy * dy);  // coordinates are far below overflow
    if (length > 0.0f) {
        const fz_point direction = fz_make_point(dx / length, dy / length);
        if (!p->subpathLength) {
            p->firstDirection = direction;
        }
        p->lastDirection = direction;
        paint_segment(p, p->current, to);
        p->subpathLength = 1;
    }
    p->current = to;
}

// Ends an open subpath with its caps, or a dot when it has no length.
static void end_subpath(Painter* p) {
    const float reach = cap_reach(p->cap, p->width);
    if (p->subpathOpen && !p->subpathLength) {
        paint_dot(p, p->start);
    } else if (p->subpathOpen && reach > 0.0f) {
        const fz_point s = p->start, e = p->current;
        paint_segment(
            p, fz_make_point(s.x - p->firstDirection.x * reach, s.y - p->firstDirection.y * reach),
            s);
        paint_segment(
            p, e,
            fz_make_point(e.x + p->lastDirection.x * reach, e.y + p->lastDirection.y * reach));
    }
    p->subpathOpen = 0;
}

static void walk_moveto(fz_context* ctx, void* arg, float x, float y) {
    (void)ctx;
    Painter* p = arg;
    end_subpath(p);
    p->start = p->current = fz_transform_point_xy(x, y, p->ctm);
    p->subpathOpen = 1;
    p->subpathLength = 0;
}

static void walk_lineto(fz_context* ctx, void* arg, float x, float y) {
    (void)ctx;
    Painter* p = arg;
    p->start = p->subpathOpen ? p->start : p->current;
    p->subpathOpen = 1;
    line_to_device(p, fz_transform_point_xy(x, y, p->ctm));
}

static float distance(fz_point a, fz_point b) {
    return hypotf(a.x - b.x, a.y - b.y);
}

static void walk_curveto(fz_context* ctx, void* arg, float x1, float y1, float x2, float y2,
                         float x3, float y3) {
    (void)ctx;
    Painter* p = arg;
    const fz_point c0 = p->current;
    const fz_point c1 = fz_transform_point_xy(x1, y1, p->ctm);
    const fz_point c2 = fz_transform_point_xy(x2, y2, p->ctm);
    const fz_point c3 = fz_transform_point_xy(x3, y3, p->ctm);
    // n equal pieces stay within 3/4 * d / n^2 of the curve, d its largest second difference.
    const fz_point mid = fz_make_point(c1.x + c1.x - c0.x, c1.y + c1.y - c0.y);
    const fz_point mid2 = fz_make_point(c2.x + c2.x - c3.x, c2.y + c2.y - c3.y);
    const float d1 = distance(mid, c2), d2 = distance(mid2, c1);
    const float pieces = ceilf(sqrtf(0.75f * (d1 > d2 ? d1 : d2) / kFlatness));
    // Written so that a curve through a point that is not a number is one piece.
    const int n = pieces > 1.0f ? (pieces < kMaxCurvePieces ? (int)pieces : kMaxCurvePieces) : 1;
    p->start = p->subpathOpen ? p->start : p->current;
    p->subpathOpen = 1;
    for (int i = 1; i <= n; ++i) {
        const float t = (float)i / (float)n, s = 1.0f - t;
        const float b0 = s * s * s, b1 = 3 * s * s * t, b2 = 3 * s * t * t, b3 = t * t * t;
        line_to_device(p, fz_make_point(b0 * c0.x + b1 * c1.x + b2 * c2.x + b3 * c3.x,
                                        b0 * c0.y + b1 * c1.y + b2 * c2.y + b3 * c3.y));
    }
}

// A closed subpath has no caps; drawing on from here begins a new one at the same point.
static void walk_closepath(fz_context* ctx, void* arg) {
    (void)ctx;
    Painter* p = arg;
    line_to_device(p, p->start);
    p->subpathOpen = 0;
    p->subpathLength = 0;
}

void pdfglue_paint_thin_stroke(fz_context* ctx, fz_pixmap* pixmap, const fz_path* path,
                               fz_matrix ctm, float width, fz_linecap cap, const float bgr[3],
                               float alpha) {
    static const fz_path_walker walker = {walk_moveto, walk_lineto, walk_curveto, walk_closepath,
                                          NULL,        NULL,        NULL,         NULL};
    Painter p = {0};
    p.samples = fz_pixmap_samples(ctx, pixmap);
    p.stride = fz_pixmap_stride(ctx, pixmap);
    p.n = fz_pixmap_components(ctx, pixmap) + fz_pixmap_alpha(ctx, pixmap);
    p.area = fz_pixmap_bbox(ctx, pixmap);
    p.clip = fz_make_rect((float)p.area.x0 - kClipMargin, (float)p.area.y0 - kClipMargin,
                          (float)p.area.x1 + kClipMargin, (float)p.area.y1 + kClipMargin);
    p.ctm = ctm;
    p.width = width;
    p.alpha = alpha;
    p.cap = cap;
    for (int c = 0; c < 3; ++c) {
        const float v = bgr[c] < 0.0f ? 0.0f : bgr[c] > 1.0f ? 1.0f : bgr[c];
        p.color[c] = (int)(v * 255.0f + 0.5f);
    }
    fz_walk_path(ctx, path, &walker, &p);
    end_subpath(&p);
}

float pdfglue_thinnest_stroke(int aaLevel) {
    // MuPDF's draw device widens every stroke to cover at least this much of each pixel it
    // crosses, which depends on its sampling grid (17 x 15 at levels 7 and 8, 8 x 8 at 5 and
    // 6); measured against its drawings of lines from 0 to 0.3 pixels wide. Coarser grids are
    // not painted by us.
    return aaLevel >= 7 ? 0.2f : aaLevel >= 5 ? 0.25f : 0.0f;
}

float pdfglue_stroke_pixel_width(fz_context* ctx, const fz_stroke_state* stroke, fz_matrix ctm) {
    float width = fabsf(stroke->linewidth) * fz_matrix_expansion(ctm);
    const float least = fz_graphics_min_line_width(ctx);
    const float thinnest = pdfglue_thinnest_stroke(fz_graphics_aa_level(ctx));
    width = width < least ? least : width;
    return width < thinnest ? thinnest : width;
}
