#pragma once

#include <cstdint>
#include <optional>

#include "kvfoundation/data/IKVString.h"
#include "kvloom/FormatDirectory.h"
#include "xmp/core/TXMPMeta.h"

namespace kvloom {

// A file's main XMP packet as the metadata functions read it.
struct MainPacket {
    std::optional<xmp::TXMPMeta> tree;  // none when the file has no packet
    // 0: cannot be written; 1: rewritable in place; 2: can be written freely.
    int32_t writeCapability = 0;
    bool isRawCamera = false;  // read through the raw-camera format
};

// The format directory's format for the extension reads the packet when it can; otherwise the
// XMP layer does, by the extension's format code (nothing for 'MOV '), scanning the whole file
// for the packet-scanning extensions and only its head and tail for the rest. A packet that
// does not parse is the XMP layer's error (XMPError).
MainPacket ReadMainPacket(const FormatDirectory& formats, kvfoundation::data::IKVString* path,
                          kvfoundation::data::IKVString* extension);

// Writes `tree` as the file's packet: directly through the extension's format unless that is
// the raw-camera format, else through the XMP layer, whose update replaces the file only once
// the new one is complete. Nothing is written for 'MOV '.
void WriteMainPacket(const FormatDirectory& formats, kvfoundation::data::IKVString* path,
                     kvfoundation::data::IKVString* extension, const xmp::TXMPMeta& tree);

}  // namespace kvloom
