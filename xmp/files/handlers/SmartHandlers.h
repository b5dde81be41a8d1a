#pragma once
// The smart handlers, each defined in its own file, in the order content sniffing tries them.
#include "handlers/FileHandler.h"

namespace xmp {

extern const HandlerEntry kJPEGHandler;
extern const HandlerEntry kTIFFHandler;
extern const HandlerEntry kPNGHandler;
extern const HandlerEntry kPSDHandler;
extern const HandlerEntry kGIFHandler;
extern const HandlerEntry kRIFFHandler;
extern const HandlerEntry kAIFFHandler;
extern const HandlerEntry kBMFFHandler;
extern const HandlerEntry kMP3Handler;

}  // namespace xmp

namespace xmp {
// An ISO base media file whose brand is QuickTime's ('qt  ').
bool IsQuickTimeMovie(const ByteSource& file);
}  // namespace xmp
