#include <cstdint>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/ClassName.h"
#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/thread/MonitorCache.h"
#include "kvfoundation/util/Format.h"

namespace kvfoundation::base::object_ops {

void AddToPool(IKVType* object) {
    AutoReleasePool::AddToCurrent(object);
}

uint32_t AddressHash(const IKVType* object) {
    // Objects are 16-byte aligned and live below 2^47: fold the high half into the low one.
    auto address = reinterpret_cast<uintptr_t>(object);
    return static_cast<uint32_t>(address ^ (address >> 32));
}

data::IKVString* DefaultDescription(const IKVType* object) {
    return util::Format("<%@ %#p>", ClassName(object), object);
}

thread::IKVMonitor* EnterMonitor(const IKVType* object) {
    return thread::MonitorCache::Lock(object);
}

}  // namespace kvfoundation::base::object_ops
