#include "ThumbMetaLib/pdf/PagelError.h"

#include <utility>

namespace ThumbMetaLib {
namespace {

std::string TextOr(const std::string& text, const char* none) {
    return text.empty() ? none : text;
}

std::string Head(int code, const std::string& text) {
    return "Error <" + std::to_string(code) + ">'" + text + "'";
}

}  // namespace

PagelError::PagelError(int code, std::string libraryText, const std::string& message)
    : std::runtime_error(message), code_(code), libraryText_(std::move(libraryText)) {}

PagelError PagelError::OpeningFile(int code, const std::string& text, const std::string& path) {
    const std::string shown = TextOr(text, kPageUnknownErrorText);
    return PagelError(code, shown, Head(code, shown) + " opening file: " + path);
}

// "aquiring" is the wire text clients match on; it keeps its spelling.
PagelError PagelError::AcquiringPage(int code, const std::string& text, int pageIndex) {
    const std::string shown = TextOr(text, kPageUnknownErrorText);
    return PagelError(code, shown,
                      Head(code, shown) + " aquiring page : " + std::to_string(pageIndex));
}

PagelError PagelError::RenderingPage(int code, const std::string& text, int pageIndex) {
    const std::string shown = TextOr(text, kPageUnknownErrorText);
    return PagelError(code, shown,
                      Head(code, shown) + " rendering page : " + std::to_string(pageIndex));
}

PagelError PagelError::InFile(int code, const std::string& text, const std::string& path) {
    const std::string shown = TextOr(text, kLinkUnknownErrorText);
    return PagelError(code, shown, Head(code, shown) + " in file: " + path);
}

}  // namespace ThumbMetaLib
