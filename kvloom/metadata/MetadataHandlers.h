#pragma once

#include "kvfoundation/ncomm/INCHost.h"
#include "kvloom/FormatDirectory.h"

namespace kvloom {

// The XMP functions of the service: "getMainPacket", "updateMainPacket" and "parseRawXMP".
// Errors of the XMP layer reach the client as kLoomIO_XMPBadXML / kLoomIO_XMPError.
class MetadataHandlers {
public:
    explicit MetadataHandlers(const FormatDirectory& formats) : formats_(formats) {}

    // The largest packet a request may hand in.
    static constexpr int32_t kMaxRequestPacketBytes = 16 << 20;

    void GetMainPacket(kvfoundation::ncomm::INCHost::IRequest* request) const;
    // Parses "xmp" before anything is written: a malformed packet leaves the file untouched.
    void UpdateMainPacket(kvfoundation::ncomm::INCHost::IRequest* request) const;
    void ParseRawXMP(kvfoundation::ncomm::INCHost::IRequest* request) const;

private:
    const FormatDirectory& formats_;
};

}  // namespace kvloom
