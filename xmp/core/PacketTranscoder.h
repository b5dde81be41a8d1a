#pragma once
// Packets arrive as UTF-8, UTF-16 or UTF-32 (either byte order, with or without a byte-order
// mark). The XML parser is always fed UTF-8 without a mark.
#include <cstddef>
#include <string>

namespace xmp {

// Returns the packet as UTF-8. Throws XMPError 201 when the bytes are not valid in the
// encoding they announce (a broken code unit makes the XML not well-formed).
std::string TranscodePacketToUTF8(const char* data, size_t size);

// Whether text is valid UTF-8 holding only characters XML 1.0 allows.
bool IsValidXMLText(const std::string& text);

}  // namespace xmp
