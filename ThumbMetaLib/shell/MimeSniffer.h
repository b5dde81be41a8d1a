#pragma once

#include <string>
#include <vector>

namespace ThumbMetaLib::shell {

// The MIME type of a file as the desktop sees it: libmagic's answer from the content, with
// the file's extension deciding where magic only says "application/octet-stream" or
// "text/plain" (the extension table is shared-mime-info's `mime/globs2` in the XDG data
// folders). Empty when neither knows. Safe to call from any thread.
std::string SniffMimeType(const std::string& path);

// The MIME type shared-mime-info gives a file name by its extension ("*.ext" globs, without
// case), or empty. `dataFolders` are the XDG data folders, searched in order.
std::string MimeTypeFromExtension(const std::string& path,
                                  const std::vector<std::string>& dataFolders);

}  // namespace ThumbMetaLib::shell
