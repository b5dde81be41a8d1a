#pragma once

#include "ThumbMetaLib/pixels/Pixels.h"
#include "xmp/core/TXMPMeta.h"

namespace ThumbMetaLib {

// The stored thumbnail of a vector document's packet, decoded: item 1 of xmp:Thumbnails, its
// xmpGImg:image read as Base64 JPEG. Used only when xmp:Format exists and is not
// "application/pdf", or is "application/pdf" with pdf:Producer exactly "Quarn PDF library
// 6.66" (a PDF written by our own library keeps a thumbnail of the drawing; any other PDF
// producer may have left a stale one). Null otherwise, or when the bytes do not decode.
PixelsPtr VectorDocumentThumbnail(const xmp::TXMPMeta& packet);

}  // namespace ThumbMetaLib
