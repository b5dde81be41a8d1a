#include "kvloom/pdf/PageThumbnails.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <thread>

#include "ThumbMetaLib/pdf/PDFPageDocument.h"
#include "ThumbMetaLib/pdf/PDFSession.h"
#include "ThumbMetaLib/pixels/BitmapConversion.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVMutableList.h"
#include "kvfoundation/data/IKVMutableMap.h"
#include "kvfoundation/ncomm/NCException.h"
#include "kvfoundation/util/Format.h"
#include "kvloom/LoomErrors.h"
#include "kvloom/RequestParams.h"
#include "kvloom/ThumbnailSizes.h"
#include "kvloom/pdf/PDFFailure.h"
#include "kvloom/thumbnail/ThumbnailList.h"
#include "kvloom/thumbnail/ThumbnailMap.h"

namespace kvloom {

namespace data = kvfoundation::data;
using ThumbMetaLib::PixelsPtr;

namespace {

constexpr int32_t kDefaultQuality = 7;
// The reply list grows past this; a page count read from the file never sizes it alone.
constexpr int32_t kListCapacityHint = 256;
constexpr int kThumbnailGraphicsAALevel = 6;

[[noreturn]] void ThrowClientGone(data::IKVString* path, int32_t index) {
    throw kvfoundation::ncomm::NCException(
        data::Literal(errors::kNoThumb),
        kvfoundation::util::Format("Client left; stopped before page %d of file '%@'",
                                   static_cast<int>(index), path));
}

int ThumbnailBands() {
    static const int bands = std::clamp(static_cast<int>(std::thread::hardware_concurrency()), 1,
                                        static_cast<int>(kPDFGlueMaxBands));
    return bands;
}

std::unique_ptr<ThumbMetaLib::PDFPageDocument> OpenPages(const std::string& path) {
    if (!ThumbMetaLib::EnsurePDFReady()) {
        ThrowPDFNotReady();
    }
    return TranslatingPDFErrors([&] { return ThumbMetaLib::PDFPageDocument::Open(path); });
}

// Page `index` drawn straight at `size`, in the encoder's channel order; null when nothing came
// back. This departs on purpose from drawing at one pixel per point and fitting that: MuPDF
// draws vector art sharper at the final size, and a 24 MP photo page is then decoded at a
// fraction of its size instead of in full (the kernels' fit afterwards only settles rounding).
//
// Two more departures, for speed, both measured on a page of 40,000 paths (bench_pdf_requests):
// the page is drawn in bands on as many threads as the machine has (up to four), and paths are
// anti-aliased with 6 bits instead of MuPDF's finest 8 (64 coverage levels instead of 255; the
// mean difference on that page is about 1 % of full scale, invisible at thumbnail size, for
// about a quarter less drawing time). Text keeps full anti-aliasing. Strokes at most a pixel
// wide are painted by our own line painter rather than MuPDF's scan converter, which spends
// the stroke's whole bounding box on each (the glue's ThinStrokes.h says how), and JPEG images
// are decoded by our own codec at the reduction the thumbnail needs (the glue's JPEGImages.h).
PixelsPtr RenderFitted(const ThumbMetaLib::PDFPageDocument& document, int32_t index, int32_t size,
                       const std::function<bool()>* cancelled = nullptr) {
    ThumbMetaLib::PDFRenderOptions options;
    options.cancelled = cancelled;
    options.fitSize = static_cast<uint32_t>(size);
    options.bands = ThumbnailBands();
    options.graphicsAALevel = kThumbnailGraphicsAALevel;
    options.thinStrokes = true;
    options.ownJPEG = true;
    PixelsPtr page = TranslatingPDFErrors([&] { return document.RenderPage(index, options); });
    // The page comes as B,G,R,255; the encoder and resize kernels read R first.
    if (!page || !ThumbMetaLib::SwapFirstAndThirdBytes(*page)) {
        return nullptr;
    }
    return FitWithKernels(page, size);
}

}  // namespace

FirstPDFPage RenderFirstPDFPage(const std::string& path, int32_t size) {
    const std::unique_ptr<ThumbMetaLib::PDFPageDocument> document = OpenPages(path);
    FirstPDFPage first;
    first.pageCount = document->PageCount();
    if (first.pageCount > 0) {
        first.pixels = RenderFitted(*document, 0, size);
    }
    return first;
}

void CreatePageThumbnails(kvfoundation::ncomm::INCHost::IRequest* request) {
    const RequestParams params(request->Params());
    data::IKVString* path = params.RequiredString("filePath");
    const int32_t size = ThumbnailSizeAt(params.RequiredNonEmptyList("sizes"), 0);
    const int32_t quality = params.OptionalNumber("quality", kDefaultQuality);

    const std::unique_ptr<ThumbMetaLib::PDFPageDocument> document = OpenPages(path->CString());
    const int32_t count = document->PageCount();
    data::IKVMutableList* list = data::CreateMutableList(std::min(count, kListCapacityHint));
    // A client that leaves stops the work: no further page is drawn, and the page being drawn
    // is abandoned (its reply would reach no one).
    const std::function<bool()> clientGone = [request] { return request->ClientGone(); };
    for (int32_t index = 0; index < count; ++index) {
        if (clientGone()) {
            ThrowClientGone(path, index);
        }
        PixelsPtr pixels;
        try {
            pixels = RenderFitted(*document, index, size, &clientGone);
        } catch (const kvfoundation::ncomm::NCException&) {
            if (clientGone()) {
                ThrowClientGone(path, index);
            }
            throw;
        }
        if (!pixels) {
            throw kvfoundation::ncomm::NCException(
                data::Literal(errors::kNoThumb),
                kvfoundation::util::Format("Failed to create thumb for file '%@' page: %d", path,
                                           static_cast<int>(index)));
        }
        list->AddObject(EncodeThumbnailMap(*pixels, quality));
    }
    request->Result()->SetObjectForKey(data::Literal("thumbnails"), list);
}

}  // namespace kvloom
