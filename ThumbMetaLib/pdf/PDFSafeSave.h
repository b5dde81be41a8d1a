#pragma once
// Writing a changed document without ever leaving a half-written file: the new bytes go to a
// temporary file beside the original, which is renamed over it only once complete.
#include <string>

#include "ThumbMetaLib/pdf/PDFDocumentHandle.h"

namespace ThumbMetaLib {

// An incremental save (the original's bytes, then the changes) when MuPDF can append to this
// document, else a full save. Throws PagelError "in file" on failure; the original is then
// untouched.
void SavePDFOverOriginal(const PDFDocumentHandle& document, const std::string& path);

}  // namespace ThumbMetaLib
