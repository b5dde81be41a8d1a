// WAV and AVI: the packet is the data of the top-level "_PMX" chunk of the first RIFF form.
// AVI indexes may hold absolute file offsets, so an update never moves existing data: an old
// packet chunk that is not last becomes a "JUNK" chunk (every one, when a file has several) (the
// RIFF filler) and the new one is appended at the end of the form, whose size is fixed; later forms
// (AVIX) follow unchanged.
#include <vector>

#include "XMPError.h"
#include "handlers/ChunkForm.h"
#include "handlers/PlanEdits.h"
#include "handlers/SmartHandlers.h"

namespace xmp {
namespace {

const FormChunk* FindXmpChunk(const ChunkFormLayout& layout) {
    for (const FormChunk& chunk : layout.chunks) {
        if (chunk.id == "_PMX") {
            return &chunk;
        }
    }
    return nullptr;
}

ChunkFormLayout ParseRiff(const ByteSource& file) {
    ChunkFormLayout layout = ParseChunkForm(file, "RIFF", false);
    if (layout.type != "WAVE" && layout.type != "AVI ") {
        throw XMPError(kXMPErr_BadFileFormat, "RIFF form '" + layout.type + "' is not WAV or AVI");
    }
    return layout;
}

class RIFFHandler final : public FileHandler {
public:
    explicit RIFFHandler(XMP_FileFormat format) : format_(format) {}
    XMP_FileFormat Format() const override { return format_; }
    XMP_OptionBits HandlerFlags() const override {
        return kXMPFiles_CanInjectXMP | kXMPFiles_CanExpand | kXMPFiles_CanRewrite;
    }

    std::optional<FoundPacket> ReadXMP(const ByteSource& file) const override {
        ChunkFormLayout layout = ParseRiff(file);
        const FormChunk* chunk = FindXmpChunk(layout);
        if (!chunk) {
            return std::nullopt;
        }
        return ReadPacketAt(file, chunk->dataOffset, chunk->dataSize);
    }

    OutputPlan PlanUpdate(const ByteSource& file, const std::string& packet) const override {
        ChunkFormLayout layout = ParseRiff(file);
        RequireWholeChunks(layout);
        std::vector<ContainerEdit> edits;
        std::uint64_t formEnd = layout.formEnd;
        std::uint64_t appendAt = formEnd;
        // Every old packet chunk goes, so that the new one is the only one a reader finds.
        for (const FormChunk& old : layout.chunks) {
            if (old.id != "_PMX") {
                continue;
            }
            if (old.end == formEnd) {
                appendAt = old.offset;  // the last chunk: simply replaced
                edits.push_back({old.offset, formEnd - old.offset, {}});
            } else {
                edits.push_back({old.offset, 4, "JUNK"});
            }
        }
        // A form that ends on an odd byte gets the pad its last chunk lacked.
        std::string chunk = std::string(appendAt & 1, '\0') + MakeFormChunk("_PMX", packet, false);
        std::uint64_t newSize = appendAt + chunk.size() - 8;
        if (newSize > 0xFFFFFFFFull) {
            throw XMPError(kXMPErr_BadFileFormat, "RIFF form would exceed 4 GB");
        }
        edits.push_back({4, 4, LE32(static_cast<std::uint32_t>(newSize))});
        edits.push_back({formEnd, 0, std::move(chunk)});
        return PlanWithEdits(file.Size(), std::move(edits));
    }

private:
    XMP_FileFormat format_;
};

bool SniffRiff(const ByteSource& file) {
    return file.Matches(0, "RIFF") && (file.Matches(8, "WAVE") || file.Matches(8, "AVI "));
}

}  // namespace

const HandlerEntry kRIFFHandler{
    {kXMP_WAVFile, kXMP_AVIFile, 0}, SniffRiff, [](const ByteSource& file) {
        return std::unique_ptr<FileHandler>(
            new RIFFHandler(file.Matches(8, "AVI ") ? kXMP_AVIFile : kXMP_WAVFile));
    }};

}  // namespace xmp
