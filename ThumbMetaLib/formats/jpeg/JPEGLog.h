#pragma once

namespace ThumbMetaLib {

// Logs at debugging level why the JPEG handler refused part of a file (a segment, an offset, a
// chunk). Refusals are quiet: the file is still handled, without that part.
void LogJPEGRefusal(const char* why);

}  // namespace ThumbMetaLib
