// The process-wide MuPDF context and its per-thread clones.
#include <mupdf/fitz.h>

#include "ThumbMetaLib/pdf/glue/PDFGlue.h"

static void pdfglue_drop_message(void* user, const char* message) {
    (void)user;
    (void)message;
}

int pdfglue_lock_count(void) {
    return FZ_LOCK_MAX;
}

fz_context* pdfglue_new_base_context(const PDFGlueHooks* hooks, size_t storeMax) {
    fz_alloc_context alloc = {hooks->allocUser, hooks->malloc, hooks->realloc, hooks->free};
    fz_locks_context locks = {hooks->lockUser, hooks->lock, hooks->unlock};
    fz_context* ctx = fz_new_context(&alloc, &locks, storeMax);
    if (ctx == NULL) {
        return NULL;
    }
    // MuPDF prints to standard error by default; a service routes the text to its log.
    void (*print)(void*, const char*) = hooks->warn ? hooks->warn : pdfglue_drop_message;
    fz_set_warning_callback(ctx, print, NULL);
    fz_set_error_callback(ctx, print, NULL);
    return ctx;
}

fz_context* pdfglue_clone_context(fz_context* base, void* allocUser) {
    fz_context* ctx = fz_clone_context(base);
    if (ctx != NULL) {
        // Every allocation records the budget it was charged to, so memory freed through
        // another context (the shared store) is given back to the right one.
        ctx->alloc.user = allocUser;
    }
    return ctx;
}

void pdfglue_drop_context(fz_context* ctx) {
    fz_drop_context(ctx);
}

void pdfglue_release_caches(fz_context* ctx) {
    fz_empty_store(ctx);
    fz_purge_glyph_cache(ctx);
}

void pdfglue_free(fz_context* ctx, void* ptr) {
    fz_free(ctx, ptr);
}
