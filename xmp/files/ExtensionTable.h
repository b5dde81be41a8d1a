#pragma once
// Start-up data of the metadata functions: which format code a file extension names, and for
// which extensions the whole file is scanned for packets rather than its head and tail.
#include <map>
#include <set>
#include <string>
#include <string_view>

#include "XMPFilesTypes.h"

namespace xmp {

// Lower-case extension (no dot) → format code.
const std::map<std::string, XMP_FileFormat>& ExtensionFormatTable();
// Lower-case extensions whose files are opened with kXMPFiles_OpenUsePacketScanning.
const std::set<std::string>& PacketScanningExtensions();

// The code for `extension` (any case); kXMP_UnknownFile when it names no format.
XMP_FileFormat FormatForExtension(std::string_view extension);
// kXMPFiles_OpenUsePacketScanning or kXMPFiles_OpenLimitedScanning for `extension`.
XMP_OptionBits ScanningFlagForExtension(std::string_view extension);

}  // namespace xmp
