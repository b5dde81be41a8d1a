#pragma once
// Building an update plan from a list of byte ranges to drop and blocks to insert, which is
// how every chunk-based container is rewritten: the rest is copied verbatim.
#include <cstdint>
#include <string>
#include <vector>

#include "io/OutputPlan.h"

namespace xmp {

struct ContainerEdit {
    std::uint64_t offset = 0;      // in the original
    std::uint64_t dropLength = 0;  // bytes of the original removed at `offset`
    std::string insert;            // bytes written at `offset` (before what follows)
};

// Edits must not overlap; they are applied in offset order.
OutputPlan PlanWithEdits(std::uint64_t originalSize, std::vector<ContainerEdit> edits);

// Big- and little-endian encoders for the sizes handlers write.
std::string BE16(std::uint32_t v);
std::string BE32(std::uint32_t v);
std::string BE64(std::uint64_t v);
std::string LE32(std::uint32_t v);
std::string LE16(std::uint32_t v);

}  // namespace xmp
