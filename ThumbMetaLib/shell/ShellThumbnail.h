#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "ThumbMetaLib/pixels/Pixels.h"
#include "ThumbMetaLib/shell/ChildProcess.h"

namespace ThumbMetaLib::shell {

// How the desktop's thumbnailers are found and run.
struct ShellSettings {
    // Folders of *.thumbnailer files, searched in order; empty: the XDG data folders.
    std::vector<std::string> thumbnailerFolders;
    // The bubblewrap program; empty: "bwrap" on $PATH. A path that does not work runs the
    // thumbnailers without the sandbox (logged once).
    std::string bwrap;
    ChildLimits limits;
    // Where the fresh output folders are made; empty: the system's temporary folder.
    std::string scratchFolder;
};

// The shell route for files no handler of ours claims: the file's MIME type picks a desktop
// thumbnailer, which runs sandboxed and writes a PNG that comes back as interleaved RGBX
// pixels (colour mode 3) no larger than `size`. Null, with a log line saying why, whenever
// that fails; nothing the thumbnailer wrote or started is left behind.
PixelsPtr ShellThumbnail(const std::string& path, uint32_t size,
                         const ShellSettings& settings = {});

}  // namespace ThumbMetaLib::shell
