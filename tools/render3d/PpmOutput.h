#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace render3d {

// Writes `rgb` (size x size, row 0 at the top) as a binary PPM ("P6", maximum 255) to exactly
// `path`: no temporary file beside it, a symbolic link or anything but a regular file at the
// path is refused, a new file gets mode 0600. False with `error` on any failure.
bool WritePPM(const std::string& path, uint32_t size, const std::vector<uint8_t>& rgb,
              std::string& error);

}  // namespace render3d
