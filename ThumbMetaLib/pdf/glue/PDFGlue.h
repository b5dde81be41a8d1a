#pragma once
// The C side of our MuPDF glue. MuPDF reports errors by longjmp out of fz_try, which would skip
// C++ destructors, so every MuPDF call sequence lives in these small C functions: they catch
// MuPDF's error inside their own frame and hand back a plain status and PDFGlueError. The C++
// side (ThumbMetaLib/pdf/*.cpp) turns that into PagelError; no C++ object is alive inside a try.
// Every function returns 0 on success and -1 with `err` filled on a MuPDF error.
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct fz_context fz_context;
typedef struct pdf_document pdf_document;

// MuPDF's error code (FZ_ERROR_*) and its own text; an empty text means MuPDF gave none.
typedef struct PDFGlueError {
    int code;
    char text[256];
} PDFGlueError;

enum {
    kPDFGlueErrorMemory = 1,  // FZ_ERROR_MEMORY: the allocator cap refused
    kPDFGlueErrorGeneric = 2,
    kPDFGlueErrorAbort = 6,  // FZ_ERROR_ABORT: the render time limit ran out
};

// Allocator and lock callbacks of the process-wide context (fz_alloc_context, fz_locks_context).
typedef struct PDFGlueHooks {
    void* allocUser;
    void* (*malloc)(void* user, size_t size);
    void* (*realloc)(void* user, void* old, size_t size);
    void (*free)(void* user, void* ptr);
    void* lockUser;
    void (*lock)(void* user, int lock);
    void (*unlock)(void* user, int lock);
    // Receives MuPDF's warnings and error reports (user is null); null drops them.
    void (*warn)(void* user, const char* message);
} PDFGlueHooks;

// The number of locks MuPDF asks for (FZ_LOCK_MAX).
int pdfglue_lock_count(void);

// Contexts. A clone shares the base context's store and locks; its allocations are charged to
// `allocUser` (the caller's per-thread budget). Null when MuPDF cannot make one.
fz_context* pdfglue_new_base_context(const PDFGlueHooks* hooks, size_t storeMax);
fz_context* pdfglue_clone_context(fz_context* base, void* allocUser);
void pdfglue_drop_context(fz_context* ctx);
// Empties the store shared by the contexts (decoded images, fonts, parsed resources) and the
// glyph cache.
void pdfglue_release_caches(fz_context* ctx);

// Documents. Opening authenticates with the empty password when one is needed; `locked` tells
// whether that failed (the document's objects then cannot be read). `requireUnlocked` turns a
// locked document into an open error, as rendering needs.
int pdfglue_open_path(fz_context* ctx, const char* path, int requireUnlocked, pdf_document** doc,
                      int* locked, PDFGlueError* err);
int pdfglue_open_memory(fz_context* ctx, const unsigned char* data, size_t size,
                        int requireUnlocked, pdf_document** doc, int* locked, PDFGlueError* err);
void pdfglue_drop_document(fz_context* ctx, pdf_document* doc);
int pdfglue_count_pages(fz_context* ctx, pdf_document* doc, int* count, PDFGlueError* err);

// Pages. A page is acquired, measured, drawn and released; the handle is MuPDF's fz_page.
typedef struct fz_page fz_page;
int pdfglue_load_page(fz_context* ctx, pdf_document* doc, int pageIndex, fz_page** page,
                      PDFGlueError* err);
void pdfglue_drop_page(fz_context* ctx, fz_page* page);
// The page box through the page's default matrix: its width and height in points.
int pdfglue_page_box(fz_context* ctx, fz_page* page, float* width, float* height,
                     PDFGlueError* err);

// The stored size of the page's content streams in bytes (0 when it has none): how much
// drawing the page asks for, before any of it is decoded.
int pdfglue_page_content_bytes(fz_context* ctx, fz_page* page, size_t* bytes, PDFGlueError* err);

// The render time limit and cancellation: MuPDF's cookies (one per band), whose abort flag
// another thread may set. Allocated with the C library, not through a context, so that a
// watchdog may hold it.
typedef struct PDFGlueCookie PDFGlueCookie;
PDFGlueCookie* pdfglue_new_cookie(void);
void pdfglue_abort_cookie(PDFGlueCookie* cookie);
void pdfglue_free_cookie(PDFGlueCookie* cookie);

// A document's JPEG images as our codec decoded them, kept between its pages. Allocated with
// the C library (null when that fails); dropped with the context that drew the pages.
typedef struct PDFGlueImageCache PDFGlueImageCache;
PDFGlueImageCache* pdfglue_new_image_cache(void);
void pdfglue_drop_image_cache(fz_context* ctx, PDFGlueImageCache* cache);

// The most bands one page is drawn in at once.
enum { kPDFGlueMaxBands = 4 };

// Draws the page into `samples` (width x height, 4 bytes B,G,R,255 per pixel, rows of width * 4
// bytes), which the caller has made white and opaque. With more than one band the page is
// recorded once into a display list, and horizontal bands of it are drawn at the same time,
// each on a thread and context of its own (the calling thread draws the first). A render
// stopped through the cookie fails with kPDFGlueErrorAbort.
typedef struct PDFGlueRender {
    float scale;
    int width;
    int height;
    unsigned char* samples;
    PDFGlueCookie* cookie;  // may be null: no time limit
    int bands;              // 1 to kPDFGlueMaxBands
    int graphicsAALevel;    // bits of anti-aliasing for paths (0 to 8); text keeps its own
    // Strokes at most a pixel wide are painted by our own line painter instead of MuPDF's
    // scan converter: the same coverage at a fraction of the cost for drawings of many thin
    // lines (ThumbMetaLib/pdf/README.md, "Drawing a page").
    int thinStrokes;
    // Not null: JPEG images are decoded by our codec at the reduction the page's size needs,
    // instead of MuPDF's libjpeg, and kept here for the document's later pages
    // (ThumbMetaLib/pdf/README.md, "Drawing a page").
    PDFGlueImageCache* images;
} PDFGlueRender;
int pdfglue_render_page(fz_context* ctx, fz_page* page, const PDFGlueRender* render,
                        PDFGlueError* err);

// Permissions: whether MuPDF grants `permission` ('p', 'c', 'e', 'n': fz_permission).
int pdfglue_has_permission(fz_context* ctx, pdf_document* doc, int permission, int* granted,
                           PDFGlueError* err);
// A certified document: the catalog's /Perms has a /DocMDP dictionary.
int pdfglue_is_certified(fz_context* ctx, pdf_document* doc, int* certified, PDFGlueError* err);

// File specifications. The visitor sees each path's bytes; it may write a replacement of at
// most `room` bytes into `replacement` and return its length, or return -1 to keep the path.
// It must not throw and must not call MuPDF.
typedef long (*PDFGlueLinkVisitor)(void* user, const unsigned char* bytes, size_t length,
                                   unsigned char* replacement, size_t room);
int pdfglue_visit_links(fz_context* ctx, pdf_document* doc, PDFGlueLinkVisitor visitor, void* user,
                        size_t room, int* replaced, PDFGlueError* err);

// The catalog's /Metadata stream. Reading hands back MuPDF-owned decoded bytes (released with
// pdfglue_free), null with length 0 when there is none. Writing replaces the stream's contents
// (uncompressed) or adds one.
int pdfglue_read_metadata(fz_context* ctx, pdf_document* doc, unsigned char** bytes, size_t* length,
                          PDFGlueError* err);
int pdfglue_write_metadata(fz_context* ctx, pdf_document* doc, const unsigned char* bytes,
                           size_t length, PDFGlueError* err);
void pdfglue_free(fz_context* ctx, void* ptr);

// Saving. `incremental` is set when MuPDF can append to the file; the incremental save appends
// to `path` (a copy of the original), the full save writes `path` anew.
int pdfglue_can_save_incrementally(fz_context* ctx, pdf_document* doc, int* incremental,
                                   PDFGlueError* err);
int pdfglue_save(fz_context* ctx, pdf_document* doc, const char* path, int incremental,
                 PDFGlueError* err);

#ifdef __cplusplus
}
#endif
