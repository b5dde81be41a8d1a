// Every binary reader of the file handlers on untrusted bytes: the handler chosen by content
// (JPEG segments, TIFF IFDs, PNG chunks, GIF blocks, image resources, RIFF and AIFF chunks,
// ISO boxes, ID3 frames, or the packet scanner) reads the packet, plans an update, and must
// read its own output back with the new packet in it.
#include <cstddef>
#include <cstdint>
#include <string>

#include "XMPError.h"
#include "handlers/HandlerRegistry.h"
#include "io/ByteSource.h"

namespace {

const std::string kPacket =
    "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?><x:xmpmeta "
    "xmlns:x=\"adobe:ns:meta/\"/>"
    "                                                                <?xpacket end=\"w\"?>";

void Exercise(const xmp::ByteSource& file, const xmp::FileHandler& handler) {
    try {
        handler.ReadXMP(file);
    } catch (const xmp::XMPError&) {
        return;
    }
    xmp::OutputPlan plan;
    try {
        plan = handler.PlanUpdate(file, kPacket);
    } catch (const xmp::XMPError&) {
        return;
    }
    if (plan.Size() > file.Size() + (1u << 20)) {
        __builtin_trap();  // an update only adds the packet and its framing
    }
    std::string rewritten = plan.Render(file);
    xmp::MemoryByteSource again(rewritten.data(), rewritten.size());
    auto found = handler.ReadXMP(again);  // our own output must parse
    if (!found || found->packet.find("<x:xmpmeta") == std::string::npos) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    xmp::MemoryByteSource file(data, size);
    if (auto handler = xmp::ChooseHandler(file, xmp::kXMP_UnknownFile, false, true)) {
        Exercise(file, *handler);
    }
    // The scanner too, on every input (QuickTime movies included), in both modes.
    Exercise(file, *xmp::MakePacketScanner(size % 2 == 0));
    return 0;
}
