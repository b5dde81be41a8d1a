#pragma once

#include <typeinfo>

#include "kvfoundation/base/KVException.h"

namespace kvfoundation::base {

class IKVType;

// A checked cast failed: "Cannot cast <object's class> to <wanted type>".
class KVBadCast : public KVException {
public:
    KVBadCast(const IKVType* object, const std::type_info& wanted);
};

}  // namespace kvfoundation::base
