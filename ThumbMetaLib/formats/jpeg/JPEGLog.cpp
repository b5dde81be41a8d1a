#include "ThumbMetaLib/formats/jpeg/JPEGLog.h"

#include "kvfoundation/util/IKVLog.h"
#include "kvfoundation/util/ProcessLog.h"

namespace ThumbMetaLib {

void LogJPEGRefusal(const char* why) {
    kvfoundation::util::LogFormat(kvfoundation::util::LogLevel::kDebug, "JPEG: %s", why);
}

}  // namespace ThumbMetaLib
