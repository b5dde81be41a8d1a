#pragma once
// Chooses the handler of a file: the smart handler named by the format code when the content
// agrees, else (for any code) the smart handler whose signature the content carries, else the
// packet scanner.
#include <memory>

#include "handlers/FileHandler.h"

namespace xmp {

// Null for 'MOV ' (never opened) and, only when `allowScanner` is false, for files no smart
// handler recognises.
std::unique_ptr<FileHandler> ChooseHandler(const ByteSource& file, XMP_FileFormat format,
                                           bool allowScanner, bool wholeFileScan);

}  // namespace xmp
