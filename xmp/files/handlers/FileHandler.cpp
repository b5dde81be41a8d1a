#include "handlers/FileHandler.h"

#include "util/PacketText.h"

namespace xmp {

XMPPacketInfo DescribePacket(const std::string& packet, std::int64_t offset, bool writeable) {
    XMPPacketInfo info;
    info.offset = offset;
    info.length = static_cast<std::int64_t>(packet.size());
    info.padding = static_cast<std::int64_t>(PaddingBeforeTrailer(packet));
    info.writeable = writeable;
    return info;
}

}  // namespace xmp
