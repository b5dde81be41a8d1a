#include "tools/render3d/DiskIOSystem.h"

#include <memory>
#include <string>

#include "tools/render3d/InputLimits.h"
#include "tools/render3d/MemoryIOStream.h"
#include "tools/render3d/TextTranscoding.h"

namespace render3d {

Assimp::IOStream* DiskIOSystem::Open(const char* name, const char* mode) {
    std::unique_ptr<Assimp::IOStream> stream(DefaultIOSystem::Open(name, mode));
    if (!stream || mode == nullptr || mode[0] != 'r' || !IsModelTextName(name) ||
        stream->FileSize() < 2 || stream->FileSize() > kMaxModelFileBytes) {
        return stream.release();
    }
    std::string bytes(stream->FileSize(), '\0');
    if (stream->Read(bytes.data(), 1, bytes.size()) != bytes.size()) {
        return nullptr;
    }
    return new MemoryIOStream(TranscodeUTF16(std::move(bytes)));
}

void DiskIOSystem::Close(Assimp::IOStream* stream) {
    delete stream;
}

}  // namespace render3d
