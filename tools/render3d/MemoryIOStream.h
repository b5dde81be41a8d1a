#pragma once

#include <cstddef>
#include <string>

#include <assimp/IOStream.hpp>

namespace render3d {

// A read-only Assimp stream over bytes it owns (an archive entry read whole).
class MemoryIOStream final : public Assimp::IOStream {
public:
    explicit MemoryIOStream(std::string bytes) : bytes_(std::move(bytes)) {}

    size_t Read(void* buffer, size_t size, size_t count) override;
    size_t Write(const void*, size_t, size_t) override { return 0; }
    aiReturn Seek(size_t offset, aiOrigin origin) override;
    size_t Tell() const override { return position_; }
    size_t FileSize() const override { return bytes_.size(); }
    void Flush() override {}

private:
    std::string bytes_;
    size_t position_ = 0;
};

}  // namespace render3d
