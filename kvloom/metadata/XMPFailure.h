#pragma once

#include <utility>

#include "xmp/core/XMPError.h"

namespace kvloom {

// An error of the XMP layer as the client sees it: kLoomIO_XMPBadXML for malformed XML (id
// 201), kLoomIO_XMPError for every other id, both with "XMPError <%d>: %s".
[[noreturn]] void ThrowXMPFailure(const xmp::XMPError& error);

// Runs `body` and turns what the XMP layer throws into the service's error.
template <class Body>
decltype(auto) TranslatingXMPErrors(Body&& body) {
    try {
        return std::forward<Body>(body)();
    } catch (const xmp::XMPError& error) {
        ThrowXMPFailure(error);
    }
}

}  // namespace kvloom
