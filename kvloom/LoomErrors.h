#pragma once

// Reason codes of the service's error replies ("errReason").
namespace kvloom::errors {

constexpr const char* kBadRequest = "kLoomIO_BadRequest";
constexpr const char* kXMPError = "kLoomIO_XMPError";
constexpr const char* kXMPBadXML = "kLoomIO_XMPBadXML";
constexpr const char* kNoThumb = "kLoomIO_NoThumb";
constexpr const char* kPDFError = "PagelError";

}  // namespace kvloom::errors
