#pragma once

#include <tiffio.h>

#include <string>

#include "ThumbMetaLib/formats/io/RasterSource.h"

namespace ThumbMetaLib {

// libtiff's handle over a RasterSource (read-only, no memory mapping), on its first image.
// libtiff's errors go to the process log at level 1 and its warnings at level 4, never to
// standard error; none of them ends the process. Its single allocations are capped at
// kMaxTiffAllocation.
class TiffFile {
public:
    static constexpr long kMaxTiffAllocation = 256L << 20;

    // Throws TiffFormatError when libtiff refuses the file. `name` appears in its messages.
    TiffFile(RasterSource& source, const std::string& name);
    ~TiffFile();
    TiffFile(const TiffFile&) = delete;
    TiffFile& operator=(const TiffFile&) = delete;

    TIFF* Handle() const { return tiff_; }
    // libtiff errors reported since the file was opened.
    int ErrorCount() const { return state_.errors; }

    struct ClientState {
        RasterSource* source;
        uint64_t position = 0;
        int errors = 0;
    };

private:
    ClientState state_;
    TIFF* tiff_ = nullptr;
};

// Routes libtiff's process-wide handlers to the log too (they serve messages that come before
// a file's own handlers exist). Called by TiffFile; idempotent.
void InstallTiffLogHandlers();

}  // namespace ThumbMetaLib
