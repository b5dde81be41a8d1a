#pragma once
// Text-level facts about a serialised packet that handlers need without parsing the XML: its
// trailer, the whitespace padding before it, and the extended-XMP reference of a JPEG.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace xmp {

// Position of the last "<?xpacket end=" in `packet`, or npos.
std::size_t FindPacketTrailer(std::string_view packet);
// True when the trailer says end="w" (or end='w').
bool HasWriteableTrailer(std::string_view packet);
// The number of whitespace bytes directly before the trailer (0 without one).
std::size_t PaddingBeforeTrailer(std::string_view packet);

// `packet` with the whitespace before its trailer grown or shrunk so the whole packet is
// exactly `length` bytes. Throws XMPError when it has no trailer or too little padding.
std::string FitPacketToLength(std::string_view packet, std::size_t length);

// The value of xmpNote:HasExtendedXMP (attribute or element form), if present.
std::optional<std::string> ExtendedXMPReference(std::string_view packet);
// The packet without its "<?xpacket" processing instructions and the padding before the end.
std::string StripPacketWrapper(std::string_view packet);

}  // namespace xmp
