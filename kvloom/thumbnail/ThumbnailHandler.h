#pragma once

#include "kvfoundation/ncomm/INCHost.h"
#include "kvloom/FormatDirectory.h"

namespace kvloom {

// "createThumbnail": one JPEG per element of "sizes", from a thumbnail stored in the file's
// XMP packet when one is large enough, else from the engine; turned by the recorded
// orientation and encoded at "quality" (default 7, the codec's 0..12 scale).
class ThumbnailHandler {
public:
    explicit ThumbnailHandler(const FormatDirectory& formats) : formats_(formats) {}

    void CreateThumbnail(kvfoundation::ncomm::INCHost::IRequest* request) const;

private:
    const FormatDirectory& formats_;
};

}  // namespace kvloom
