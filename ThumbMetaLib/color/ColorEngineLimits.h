#pragma once
// Bounds on what Little CMS may allocate for one profile.
#include <cstddef>

namespace ThumbMetaLib {

// The largest single block Little CMS may allocate. It allocates what a profile's tags claim
// (a 312-byte profile's description asked for 402 MB); a real profile's largest table, a
// 16-bit colour lookup grid of 65 points per side, is under 3 MB.
inline constexpr size_t kMaxColorEngineAllocation = size_t{32} << 20;

// Installs Little CMS's memory handler that refuses blocks above kMaxColorEngineAllocation;
// once is enough. Call with ColorEngineLock() held, before the engine reads a profile.
void CapColorEngineAllocations();

}  // namespace ThumbMetaLib
