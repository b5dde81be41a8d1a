#include "handlers/FileHandler.h"

#include "util/PacketText.h"

namespace xmp {

FoundPacket ReadPacketAt(const ByteSource& file, std::uint64_t offset, std::uint64_t length) {
    FoundPacket found;
    found.packet = file.Read(offset, length);
    found.info.offset = static_cast<std::int64_t>(offset);
    found.info.length = static_cast<std::int64_t>(found.packet.size());
    found.info.padding = static_cast<std::int64_t>(PaddingBeforeTrailer(found.packet));
    found.info.writeable = true;
    return found;
}

}  // namespace xmp
