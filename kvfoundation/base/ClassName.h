#pragma once

#include <typeinfo>

#include "kvfoundation/base/IKVType.h"

namespace kvfoundation::base {

// "class kvfoundation::data::UTF16String": the word class, a blank and the demangled run-time
// type name. These names reach clients in error reasons. The results are interned literals
// (immortal), so they may be kept without retaining.
data::IKVString* TypeName(const std::type_info& type);
// The class name of an object's dynamic type; "(null)" for null.
data::IKVString* ClassName(const IKVType* object);

}  // namespace kvfoundation::base
