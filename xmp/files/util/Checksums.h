#pragma once
// The two digests file formats ask of us: CRC-32 (PNG chunks, ISO 3309 polynomial) and MD5
// (RFC 1321; the GUID of a JPEG's extended XMP is the MD5 of that extended part).
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace xmp {

std::uint32_t Crc32(std::string_view bytes, std::uint32_t crc = 0);
std::array<std::uint8_t, 16> Md5(std::string_view bytes);
// 32 upper-case hexadecimal digits.
std::string Md5Hex(std::string_view bytes);

}  // namespace xmp
