#pragma once

#include <string>
#include <vector>

namespace ThumbMetaLib::shell {

// The MIME types whose thumbnails our own handlers make (the registered handlers of
// EngineStartup.cpp). The desktop's thumbnailers are never asked for them, and our own
// thumbnailer entry (share/thumbnailers/vantory.thumbnailer) offers exactly these.
const std::vector<std::string>& EngineMimeTypes();
bool IsEngineMimeType(const std::string& mimeType);

}  // namespace ThumbMetaLib::shell
