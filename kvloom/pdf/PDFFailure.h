#pragma once

#include <exception>
#include <utility>

#include "ThumbMetaLib/pdf/PagelError.h"

namespace kvloom {

// A failure of the PDF library as the client sees it: "PagelError" with the library's message,
// or KVException "Pagel initialization failed" when the library cannot be made ready on the
// worker thread.
[[noreturn]] void ThrowPDFFailure(const ThumbMetaLib::PagelError& error);
[[noreturn]] void ThrowPDFNotReady();

// Whether `error` is the PDF layer saying it cannot be made ready on this thread.
bool IsPDFNotReady(const std::exception& error);

// Runs `body` and turns what the PDF layer throws into the service's error.
template <class Body>
decltype(auto) TranslatingPDFErrors(Body&& body) {
    try {
        return std::forward<Body>(body)();
    } catch (const ThumbMetaLib::PagelError& error) {
        ThrowPDFFailure(error);
    } catch (const std::runtime_error& error) {
        if (IsPDFNotReady(error)) {
            ThrowPDFNotReady();
        }
        throw;
    }
}

}  // namespace kvloom
