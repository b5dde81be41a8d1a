#include "kvfoundation/data/Nil.h"

#include "kvfoundation/base/Singletons.h"
#include "kvfoundation/impl/KVLiteral.h"

namespace kvfoundation::data {

Nil* Nil::Get() {
    static std::atomic<Nil*> slot;
    return base::Singletons::GetOrCreate(slot, [] { return new Nil(); });
}

IKVString* Nil::Description() const {
    return impl::KVLiteral::Intern("null");
}

}  // namespace kvfoundation::data
