#pragma once

#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/data/IKVBool.h"

namespace kvfoundation::data {

// Exactly two shared objects, true and false, made once through the singleton registry.
class Bool final : public base::KVObjectT<IKVBool> {
public:
    static Bool* Get(bool value);

    bool BoolValue() const override { return value_; }
    // "true" or "false".
    IKVString* Description() const override;

private:
    explicit Bool(bool value) : value_(value) {}
    ~Bool() override = default;

    bool value_;
};

}  // namespace kvfoundation::data
