#include "kvfoundation/base/Singletons.h"

#include <vector>

namespace kvfoundation::base {

namespace {

// Never destroyed: singletons must outlive every static destructor that might use them.
std::vector<IKVType*>& Kept() {
    static auto* kept = new std::vector<IKVType*>();
    return *kept;
}

}  // namespace

std::recursive_mutex& Singletons::Lock() {
    static auto* lock = new std::recursive_mutex();
    return *lock;
}

void Singletons::Keep(IKVType* object) {
    Kept().push_back(object);
}

int Singletons::Count() {
    std::lock_guard<std::recursive_mutex> guard(Lock());
    return static_cast<int>(Kept().size());
}

}  // namespace kvfoundation::base
