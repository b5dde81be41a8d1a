#pragma once

#include "kvfoundation/base/IKVType.h"

namespace kvfoundation::data {

// The one shared null value (describes itself as "null").
class IKVNull : public base::IKVType {};

}  // namespace kvfoundation::data
