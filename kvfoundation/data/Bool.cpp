#include "kvfoundation/data/Bool.h"

#include "kvfoundation/base/Singletons.h"
#include "kvfoundation/impl/KVLiteral.h"

namespace kvfoundation::data {

Bool* Bool::Get(bool value) {
    static std::atomic<Bool*> trueSlot;
    static std::atomic<Bool*> falseSlot;
    return base::Singletons::GetOrCreate(value ? trueSlot : falseSlot,
                                         [value] { return new Bool(value); });
}

IKVString* Bool::Description() const {
    return impl::KVLiteral::Intern(value_ ? "true" : "false");
}

}  // namespace kvfoundation::data
