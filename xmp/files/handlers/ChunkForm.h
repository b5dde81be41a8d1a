#pragma once
// The chunk layout shared by RIFF (little-endian sizes) and AIFF (big-endian): a form header
// "RIFF"/"FORM", its size and type, then chunks of id, size and data padded to even length.
// Only the top level is walked; every chunk must end inside the form.
#include <cstdint>
#include <string>
#include <vector>

#include "io/ByteSource.h"

namespace xmp {

struct FormChunk {
    std::string id;
    std::uint64_t offset = 0;  // chunk header
    std::uint64_t dataOffset = 0;
    std::uint32_t dataSize = 0;
    std::uint64_t end = 0;  // after the pad byte (clamped to the form's end)
};

struct ChunkFormLayout {
    std::string type;           // "WAVE", "AVI ", "AIFF", "AIFC"
    std::uint64_t formEnd = 0;  // 8 + declared size
    std::vector<FormChunk> chunks;
    std::uint64_t chunksEnd = 12;  // where the walk stopped: formEnd unless a stub is left over
};

// Throws XMPError(kXMPErr_BadFileFormat) when a size runs past the file or the form.
ChunkFormLayout ParseChunkForm(const ByteSource& file, std::string_view formId, bool bigEndian);

// For writers: throws XMPError(kXMPErr_BadFileFormat) when the form ends in bytes too short
// to be a chunk, which a chunk appended after them would turn into a broken one.
void RequireWholeChunks(const ChunkFormLayout& layout);

// A chunk with header and pad byte.
std::string MakeFormChunk(std::string_view id, const std::string& data, bool bigEndian);

}  // namespace xmp
