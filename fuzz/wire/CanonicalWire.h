#pragma once
// An independent reader of the wire format's byte layout, for checking what the serializer
// writes: it accepts only the canonical encoding (zero padding, booleans 0 or 1, int64 only
// outside the int32 range, no all-zero double) and returns the value's bytes with the entries
// of every map sorted, since a map's entry order follows its hash table, not the wire.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace vantory::fuzz {

// The canonical form of the single value that fills `bytes`, or nothing if the bytes are not
// exactly one canonically encoded value.
std::optional<std::vector<uint8_t>> CanonicalWireValue(const std::vector<uint8_t>& bytes);

}  // namespace vantory::fuzz
