// AIFF and AIFF-C: the packet is the data of an "APPL" chunk whose application signature is
// "XMP ". AIFF holds no absolute offsets, so an update drops the old chunk, appends the new
// one at the end of the FORM and fixes the form size.
#include <vector>

#include "XMPError.h"
#include "handlers/ChunkForm.h"
#include "handlers/PlanEdits.h"
#include "handlers/SmartHandlers.h"

namespace xmp {
namespace {

constexpr std::string_view kSignature = "XMP ";

bool IsXmpChunk(const ByteSource& file, const FormChunk& chunk) {
    return chunk.id == "APPL" && chunk.dataSize >= kSignature.size() &&
           file.Matches(chunk.dataOffset, kSignature);
}

const FormChunk* FindXmpChunk(const ByteSource& file, const ChunkFormLayout& layout) {
    for (const FormChunk& chunk : layout.chunks) {
        if (IsXmpChunk(file, chunk)) {
            return &chunk;
        }
    }
    return nullptr;
}

ChunkFormLayout ParseAiff(const ByteSource& file) {
    ChunkFormLayout layout = ParseChunkForm(file, "FORM", true);
    if (layout.type != "AIFF" && layout.type != "AIFC") {
        throw XMPError(kXMPErr_BadFileFormat, "FORM '" + layout.type + "' is not AIFF");
    }
    return layout;
}

class AIFFHandler final : public FileHandler {
public:
    XMP_FileFormat Format() const override { return kXMP_AIFFFile; }
    XMP_OptionBits HandlerFlags() const override {
        return kXMPFiles_CanInjectXMP | kXMPFiles_CanExpand | kXMPFiles_CanRewrite;
    }

    std::optional<FoundPacket> ReadXMP(const ByteSource& file) const override {
        ChunkFormLayout layout = ParseAiff(file);
        const FormChunk* chunk = FindXmpChunk(file, layout);
        if (!chunk) {
            return std::nullopt;
        }
        return ReadPacketAt(file, chunk->dataOffset + kSignature.size(),
                            chunk->dataSize - kSignature.size());
    }

    OutputPlan PlanUpdate(const ByteSource& file, const std::string& packet) const override {
        ChunkFormLayout layout = ParseAiff(file);
        RequireWholeChunks(layout);
        std::vector<ContainerEdit> edits;
        std::uint64_t removed = 0;
        for (const FormChunk& old : layout.chunks) {  // every old packet chunk goes
            if (IsXmpChunk(file, old)) {
                removed += old.end - old.offset;
                edits.push_back({old.offset, old.end - old.offset, {}});
            }
        }
        std::string chunk = std::string((layout.formEnd - removed) & 1, '\0') +
                            MakeFormChunk("APPL", std::string(kSignature) + packet, true);
        std::uint64_t newSize = layout.formEnd - removed + chunk.size() - 8;
        if (newSize > 0xFFFFFFFFull) {
            throw XMPError(kXMPErr_BadFileFormat, "AIFF form would exceed 4 GB");
        }
        edits.push_back({4, 4, BE32(static_cast<std::uint32_t>(newSize))});
        edits.push_back({layout.formEnd, 0, std::move(chunk)});
        return PlanWithEdits(file.Size(), std::move(edits));
    }
};

bool SniffAiff(const ByteSource& file) {
    return file.Matches(0, "FORM") && (file.Matches(8, "AIFF") || file.Matches(8, "AIFC"));
}

}  // namespace

const HandlerEntry kAIFFHandler{{kXMP_AIFFFile, 0, 0}, SniffAiff, [](const ByteSource&) {
                                    return std::unique_ptr<FileHandler>(new AIFFHandler);
                                }};

}  // namespace xmp
