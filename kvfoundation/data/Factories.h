#pragma once

#include <cstdint>

#include "kvfoundation/data/IKVBool.h"
#include "kvfoundation/data/IKVData.h"
#include "kvfoundation/data/IKVList.h"
#include "kvfoundation/data/IKVMap.h"
#include "kvfoundation/data/IKVMutableData.h"
#include "kvfoundation/data/IKVMutableList.h"
#include "kvfoundation/data/IKVMutableMap.h"
#include "kvfoundation/data/IKVMutableString.h"
#include "kvfoundation/data/IKVNull.h"
#include "kvfoundation/data/IKVNumber.h"
#include "kvfoundation/data/IKVString.h"

namespace kvfoundation::util {
class IKVEncoding;
}

// Factories of the value types. Every result is autoreleased into the calling thread's pool
// (or an immortal shared object); keep it with a base::KVRefCountT. Negative sizes raise
// KVIllegalArgument with the message given, null required pointers KVNullPtr.
namespace kvfoundation::data {

// "length < 0". The units are copied.
IKVString* CreateString(const char16_t* units, int32_t length);
// Bytes in an encoding: "length < 0", "Unable to decode characters" when the decoder does
// not consume every byte.
IKVString* CreateStringFromBytes(const void* bytes, int32_t length, util::IKVEncoding* encoding);
// UTF-8 bytes (the wire encoding), same failures.
IKVString* CreateStringFromUTF8(const char* bytes, int32_t length);
// The interned literal of ASCII text (immortal; null gives the empty literal).
IKVString* Literal(const char* ascii);
// A view over units owned elsewhere that must outlive it: "length < 0".
IKVString* CreateStringWrapper(const char16_t* units, int32_t length);
// "capacity < 0".
IKVMutableString* CreateMutableString(int32_t capacity);

// -1 to 9 are immortal shared objects.
IKVNumber* CreateInt32(int32_t value);
IKVNumber* CreateInt64(int64_t value);
// 0.0 and -0.0 give the shared integer 0.
IKVNumber* CreateDouble(double value);

IKVBool* CreateBool(bool value);
IKVNull* Null();

// Immutable copy of the bytes: "length < 0".
IKVData* CreateData(const void* bytes, int32_t length);
// A view over bytes owned elsewhere that must outlive it: "length < 0".
IKVData* CreateDataWrapper(const void* bytes, int32_t length);
// Empty, with room for `capacity` bytes; up to 65535 the capacity is fixed: "length < 0".
IKVMutableData* CreateMutableData(int32_t capacity);

// The elements are retained; null among them raises KVNullPtr, a negative count "count < 0".
IKVList* CreateList(int32_t count, base::IKVType* const* elements);
// The capacity is only checked: "maxCapacity < 0".
IKVMutableList* CreateMutableList(int32_t capacity);

// Parallel arrays of keys and values: "count < 0"; null keys or values raise KVNullPtr.
IKVMap* CreateMap(base::IKVType* const* keys, base::IKVType* const* values, int32_t count);
// "maxCapacity < 0".
IKVMutableMap* CreateMutableMap(int32_t capacity);

}  // namespace kvfoundation::data
