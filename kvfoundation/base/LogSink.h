#pragma once

#include <cstdint>

namespace kvfoundation::data {
class IKVString;
}

namespace kvfoundation::base {

// Where the object model writes its diagnostics (exceptions' Log, autorelease without a
// pool): the process-wide log, when the level passes its threshold. Defined with the
// process-wide log (util/ProcessLog.cpp).
void LogMessage(int32_t level, data::IKVString* message);

}  // namespace kvfoundation::base
