#pragma once

#include "kvfoundation/data/MapT.h"

namespace kvfoundation::data {

// An immutable map.
class Map final : public MapT<IKVMap> {
public:
    // From parallel key and value arrays; owned by the caller (count 1). "count < 0"; null
    // keys or values raise KVNullPtr. A repeated key keeps its last value.
    static Map* Create(base::IKVType* const* keys, base::IKVType* const* values, int32_t count);
    // A copy of another map's pairs.
    static Map* CreateFrom(const IKVMap* source);

    IKVMap* Copy() const override { return base::Retained(const_cast<Map*>(this)); }

private:
    explicit Map(int32_t capacity) : MapT(capacity) {}
    ~Map() override = default;
};

}  // namespace kvfoundation::data
