#include "handlers/HandlerRegistry.h"

#include "handlers/SmartHandlers.h"

namespace xmp {
namespace {

// Sniffing order: formats with strong signatures first.
const HandlerEntry* const kSmartHandlers[] = {
    &kJPEGHandler, &kPNGHandler,  &kTIFFHandler, &kPSDHandler, &kGIFHandler,
    &kRIFFHandler, &kAIFFHandler, &kBMFFHandler, &kMP3Handler,
};

bool Serves(const HandlerEntry& entry, XMP_FileFormat format) {
    for (XMP_FileFormat served : entry.formats) {
        if (served != 0 && served == format) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::unique_ptr<FileHandler> ChooseHandler(const ByteSource& file, XMP_FileFormat format,
                                           bool allowScanner, bool wholeFileScan) {
    // QuickTime movies are never opened, whether named by their code or found by content.
    if (format == kXMP_MOVFile || IsQuickTimeMovie(file)) {
        return nullptr;
    }
    for (const HandlerEntry* entry : kSmartHandlers) {
        if (Serves(*entry, format) && entry->sniff(file)) {
            return entry->make(file);
        }
    }
    // The code did not match the content (or named no format): the content decides.
    for (const HandlerEntry* entry : kSmartHandlers) {
        if (entry->sniff(file)) {
            return entry->make(file);
        }
    }
    return allowScanner ? MakePacketScanner(wholeFileScan) : nullptr;
}

}  // namespace xmp
