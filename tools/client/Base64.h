#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantory::client {

// RFC 4648 base64 with padding; the decoder skips ASCII white space and refuses anything else.
std::string EncodeBase64(const uint8_t* bytes, size_t length);
std::optional<std::vector<uint8_t>> DecodeBase64(std::string_view text);

}  // namespace vantory::client
