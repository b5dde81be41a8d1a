#pragma once

#include <cstdint>
#include <string>

#include "ThumbMetaLib/pixels/Pixels.h"
#include "kvfoundation/ncomm/INCHost.h"

namespace kvloom {

// Page 1 of a PDF document fitted to `size`, and how many pages the document has: the PDF
// route of "createThumbnail". Pixels are in the order the JPEG encoder reads. Library failures
// are the service's PDF errors (PDFFailure.h).
struct FirstPDFPage {
    ThumbMetaLib::PixelsPtr pixels;
    int32_t pageCount = 0;
};
FirstPDFPage RenderFirstPDFPage(const std::string& path, int32_t size);

// "createPageThumbnails": one JPEG per page of a PDF document, each fitted to "sizes"[0] and
// encoded at "quality" (default 7).
void CreatePageThumbnails(kvfoundation::ncomm::INCHost::IRequest* request);

}  // namespace kvloom
