#pragma once
// What every file handler does: find the packet in a container it recognises, and describe
// the new file with a replaced or added packet. Handlers are stateless over the bytes; each
// call parses the container again (headers only), so read and write see the same structure.
#include <memory>
#include <optional>
#include <string>

#include "XMPFilesTypes.h"
#include "io/ByteSource.h"
#include "io/OutputPlan.h"

namespace xmp {

struct FoundPacket {
    std::string packet;
    XMPPacketInfo info;
    // JPEG only: the extended part named by the main packet, when complete and intact.
    std::string extended;
};

class FileHandler {
public:
    virtual ~FileHandler() = default;
    virtual XMP_FileFormat Format() const = 0;
    virtual XMP_OptionBits HandlerFlags() const = 0;
    // The packet, if the file has one. Throws XMPError(kXMPErr_BadFileFormat) for a container
    // it cannot walk safely.
    virtual std::optional<FoundPacket> ReadXMP(const ByteSource& file) const = 0;
    // The new file with `packet` in place of the old one (or added). Throws XMPError when the
    // packet cannot be stored or the container is not fully understood.
    virtual OutputPlan PlanUpdate(const ByteSource& file, const std::string& packet) const = 0;
};

// Smart handlers: recognise the container by content, then construct.
struct HandlerEntry {
    XMP_FileFormat formats[3];  // codes this handler serves (0 = unused slot)
    bool (*sniff)(const ByteSource& file);
    std::unique_ptr<FileHandler> (*make)(const ByteSource& file);
};

// The packet scanner for any other file; `wholeFile` false looks only at its head and tail.
std::unique_ptr<FileHandler> MakePacketScanner(bool wholeFile);

// The packet stored at `offset`, described the way every handler reports it (writeable: a
// smart handler can always rewrite its container).
FoundPacket ReadPacketAt(const ByteSource& file, std::uint64_t offset, std::uint64_t length);

}  // namespace xmp
