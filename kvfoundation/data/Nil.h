#pragma once

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/data/IKVNull.h"

namespace kvfoundation::data {

// The one shared null value, made once through the singleton registry.
class Nil final : public base::KVObjectT<IKVNull> {
public:
    static Nil* Get();

    // "null".
    IKVString* Description() const override;

private:
    Nil() = default;
    ~Nil() override = default;
};

}  // namespace kvfoundation::data
