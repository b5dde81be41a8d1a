#pragma once

#include "kvfoundation/ncomm/INCHost.h"

namespace kvloom {

// "parseRefs": every file path a PDF-based document records, as its bytes ("link"), and
// whether the document may be written ("fileReadOnly").
void ParseRefs(kvfoundation::ncomm::INCHost::IRequest* request);

// "updateRefs": each recorded path equal to "oldLinks"[i] becomes "newLinks"[i], then the
// document is saved; nothing is written to a read-only or unprocessable document. No results.
void UpdateRefs(kvfoundation::ncomm::INCHost::IRequest* request);

}  // namespace kvloom
