#include "handlers/ChunkForm.h"

#include "XMPError.h"
#include "handlers/PlanEdits.h"

namespace xmp {
namespace {

constexpr std::size_t kMaxChunks = 1u << 16;

}  // namespace

ChunkFormLayout ParseChunkForm(const ByteSource& file, std::string_view formId, bool bigEndian) {
    auto u32 = [&](std::uint64_t at) { return bigEndian ? file.U32BE(at) : file.U32LE(at); };
    if (!file.Matches(0, formId)) {
        throw XMPError(kXMPErr_BadFileFormat, "Not a " + std::string(formId) + " file");
    }
    ChunkFormLayout layout;
    layout.formEnd = 8 + std::uint64_t{u32(4)};
    layout.type = file.Read(8, 4);
    if (layout.formEnd > file.Size() || layout.formEnd < 12) {
        throw XMPError(kXMPErr_BadFileFormat, std::string(formId) + " size runs past the file");
    }
    for (std::uint64_t pos = 12; pos + 8 <= layout.formEnd;) {
        if (layout.chunks.size() >= kMaxChunks) {
            throw XMPError(kXMPErr_BadFileFormat, "Too many chunks");
        }
        FormChunk chunk;
        chunk.id = file.Read(pos, 4);
        chunk.offset = pos;
        chunk.dataOffset = pos + 8;
        chunk.dataSize = u32(pos + 4);
        if (chunk.dataOffset + chunk.dataSize > layout.formEnd) {
            throw XMPError(kXMPErr_BadFileFormat, "Chunk '" + chunk.id + "' runs past its form");
        }
        chunk.end = chunk.dataOffset + chunk.dataSize + (chunk.dataSize & 1);
        if (chunk.end > layout.formEnd) {
            chunk.end = layout.formEnd;  // last pad byte left out by the writer
        }
        pos = chunk.end;
        layout.chunksEnd = pos;
        layout.chunks.push_back(std::move(chunk));
    }
    return layout;
}

void RequireWholeChunks(const ChunkFormLayout& layout) {
    if (layout.chunksEnd != layout.formEnd) {
        throw XMPError(kXMPErr_BadFileFormat,
                       std::to_string(layout.formEnd - layout.chunksEnd) +
                           " bytes after the last chunk are not a chunk; not rewritten");
    }
}

std::string MakeFormChunk(std::string_view id, const std::string& data, bool bigEndian) {
    std::uint32_t size = static_cast<std::uint32_t>(data.size());
    std::string chunk = std::string(id) + (bigEndian ? BE32(size) : LE32(size)) + data;
    chunk.append(data.size() & 1, '\0');
    return chunk;
}

}  // namespace xmp
