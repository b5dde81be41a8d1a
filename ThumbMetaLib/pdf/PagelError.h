#pragma once
// The error every failure of the PDF library becomes. The service replies with the reason
// "PagelError" and what(); "Pagel" is the system's word for its PDF library (MuPDF here).
#include <string>

#include <stdexcept>

namespace ThumbMetaLib {

inline constexpr const char* kPagelErrorReason = "PagelError";

// The library's own text when it gives none: page documents and link documents say it
// differently.
inline constexpr const char* kPageUnknownErrorText = "<Unknown Error>";
inline constexpr const char* kLinkUnknownErrorText = "<UNKNOWN ERROR>";

// Our text when the memory cap cut an operation short (MuPDF may have carried on without it).
inline constexpr const char* kPDFMemoryCapText = "the document needs more memory than its limit";

class PagelError : public std::runtime_error {
public:
    // The four message forms, each with the library's code and text (empty: none given).
    static PagelError OpeningFile(int code, const std::string& text, const std::string& path);
    static PagelError AcquiringPage(int code, const std::string& text, int pageIndex);
    static PagelError RenderingPage(int code, const std::string& text, int pageIndex);
    static PagelError InFile(int code, const std::string& text, const std::string& path);

    int Code() const { return code_; }
    const std::string& LibraryText() const { return libraryText_; }

private:
    PagelError(int code, std::string libraryText, const std::string& message);

    int code_;
    std::string libraryText_;
};

}  // namespace ThumbMetaLib
