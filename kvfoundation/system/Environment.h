#pragma once

#include "kvfoundation/system/IKVEnvironment.h"

namespace kvfoundation::system {

// The process-wide environment object, made on first use.
IKVEnvironment* GetEnvironment();

// Whether `arguments` (strings; other elements are skipped) contains `option` exactly.
bool HasOption(const data::IKVList* arguments, const char* option);
// The argument after the first `option`; null when the option is absent or last.
data::IKVString* OptionValue(const data::IKVList* arguments, const char* option);

}  // namespace kvfoundation::system
