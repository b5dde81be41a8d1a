// Parses arbitrary bytes as a packet; whatever parses must iterate, serialise (free and at an
// exact length) and parse back to the same leaves. A difference is a bug: abort.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "TXMPIterator.h"
#include "TXMPMeta.h"

namespace {

std::vector<std::string> Leaves(const xmp::TXMPMeta& meta) {
    std::vector<std::string> leaves;
    xmp::TXMPIterator it(meta, xmp::kIterJustLeafNodes);
    std::string schema, path, value;
    xmp::XMPOptions options;
    while (it.Next(&schema, &path, &value, &options)) {
        std::string again;
        if (!meta.GetProperty(schema, path, &again, nullptr) || again != value)
            abort();  // a yielded path must name its node
        leaves.push_back(schema + "\n" + path + "\n" + value + "\n" + std::to_string(options));
    }
    return leaves;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    xmp::TXMPMeta meta;
    try {
        meta.ParseFromBuffer(reinterpret_cast<const char*>(data), size);
    } catch (const xmp::XMPError&) {
        return 0;
    }
    std::vector<std::string> leaves = Leaves(meta);
    std::string packet;
    meta.SerializeToBuffer(&packet);
    try {
        xmp::TXMPMeta again(packet);
        if (Leaves(again) != leaves || again.GetObjectName() != meta.GetObjectName())
            abort();
        std::string exact;
        again.SerializeToBuffer(&exact, xmp::kSerializeExactPacketLength,
                                static_cast<uint32_t>(packet.size()));
        if (exact != packet)
            abort();
    } catch (const xmp::XMPError&) {
        abort();  // our own packet must parse
    }
    return 0;
}
