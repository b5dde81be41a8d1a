#pragma once
// Bounded random access to the bytes of a file (or of a buffer, for fuzzing and tests). Every
// read is checked against the size: a read past the end is an XMPError, never a short read.
#include <cstdint>
#include <string>

namespace xmp {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual std::uint64_t Size() const = 0;
    // Copies exactly `length` bytes at `offset` or throws XMPError(kXMPErr_BadFileFormat).
    void ReadAt(std::uint64_t offset, void* dst, std::size_t length) const;
    // A string of `length` bytes; `length` must not exceed kMaxPacketBytes.
    std::string Read(std::uint64_t offset, std::uint64_t length) const;

    std::uint8_t U8(std::uint64_t offset) const;
    std::uint16_t U16BE(std::uint64_t offset) const;
    std::uint32_t U32BE(std::uint64_t offset) const;
    std::uint64_t U64BE(std::uint64_t offset) const;
    std::uint16_t U16LE(std::uint64_t offset) const;
    std::uint32_t U32LE(std::uint64_t offset) const;
    // True when the bytes at `offset` equal `text` (false past the end).
    bool Matches(std::uint64_t offset, std::string_view text) const;
    // The offset of the first `byte` at or after `offset`, or Size() when there is none; read in
    // blocks, not byte by byte.
    std::uint64_t Find(std::uint64_t offset, std::uint8_t byte) const;

protected:
    virtual void DoRead(std::uint64_t offset, void* dst, std::size_t length) const = 0;
};

// A borrowed buffer.
class MemoryByteSource final : public ByteSource {
public:
    MemoryByteSource(const void* data, std::size_t size)
        : data_(static_cast<const unsigned char*>(data)), size_(size) {}
    std::uint64_t Size() const override { return size_; }

private:
    void DoRead(std::uint64_t offset, void* dst, std::size_t length) const override;
    const unsigned char* data_;
    std::size_t size_;
};

// An open file descriptor (borrowed), read with pread through a small window so that walks
// over many small headers do not cost a system call each.
class FileByteSource final : public ByteSource {
public:
    FileByteSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    std::uint64_t Size() const override { return size_; }

private:
    void DoRead(std::uint64_t offset, void* dst, std::size_t length) const override;
    void Preadn(std::uint64_t offset, void* dst, std::size_t length) const;
    int fd_;
    std::uint64_t size_;
    static constexpr std::size_t kWindowBytes = 64 * 1024;
    mutable std::string window_;
    mutable std::uint64_t windowOffset_ = 0;
};

}  // namespace xmp
