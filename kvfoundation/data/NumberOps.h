#pragma once

#include "kvfoundation/data/IKVNumber.h"

namespace kvfoundation::data::number_ops {

// Numbers of equal value are equal, an Int and a Double included.
bool Equals(const IKVNumber* self, const base::IKVType* other);
// An autoreleased string of `length` ASCII bytes (a snprintf result).
IKVString* Describe(const char* text, int length);

}  // namespace kvfoundation::data::number_ops
