#include "io/ByteSource.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "XMPError.h"
#include "XMPFilesTypes.h"

namespace xmp {

void ByteSource::ReadAt(std::uint64_t offset, void* dst, std::size_t length) const {
    if (offset > Size() || length > Size() - offset) {
        throw XMPError(kXMPErr_BadFileFormat, "File ends inside a structure (read of " +
                                                  std::to_string(length) + " bytes at " +
                                                  std::to_string(offset) + ")");
    }
    if (length > 0) {
        DoRead(offset, dst, length);
    }
}

std::string ByteSource::Read(std::uint64_t offset, std::uint64_t length) const {
    if (length > kMaxPacketBytes) {
        throw XMPError(kXMPErr_BadFileFormat, "Metadata block of " + std::to_string(length) +
                                                  " bytes is larger than the limit");
    }
    std::string bytes(static_cast<std::size_t>(length), '\0');
    ReadAt(offset, bytes.data(), bytes.size());
    return bytes;
}

std::uint64_t ByteSource::Find(std::uint64_t offset, std::uint8_t byte) const {
    unsigned char block[4096];
    while (offset < Size()) {
        const std::size_t length =
            static_cast<std::size_t>(std::min<std::uint64_t>(sizeof(block), Size() - offset));
        DoRead(offset, block, length);
        if (const void* found = std::memchr(block, byte, length)) {
            return offset +
                   static_cast<std::size_t>(static_cast<const unsigned char*>(found) - block);
        }
        offset += length;
    }
    return Size();
}

std::uint8_t ByteSource::U8(std::uint64_t offset) const {
    std::uint8_t b = 0;
    ReadAt(offset, &b, 1);
    return b;
}

std::uint16_t ByteSource::U16BE(std::uint64_t offset) const {
    unsigned char b[2];
    ReadAt(offset, b, 2);
    return static_cast<std::uint16_t>(b[0] << 8 | b[1]);
}

std::uint32_t ByteSource::U32BE(std::uint64_t offset) const {
    unsigned char b[4];
    ReadAt(offset, b, 4);
    return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 | b[3];
}

std::uint64_t ByteSource::U64BE(std::uint64_t offset) const {
    return std::uint64_t{U32BE(offset)} << 32 | U32BE(offset + 4);
}

std::uint16_t ByteSource::U16LE(std::uint64_t offset) const {
    unsigned char b[2];
    ReadAt(offset, b, 2);
    return static_cast<std::uint16_t>(b[1] << 8 | b[0]);
}

std::uint32_t ByteSource::U32LE(std::uint64_t offset) const {
    unsigned char b[4];
    ReadAt(offset, b, 4);
    return std::uint32_t{b[3]} << 24 | std::uint32_t{b[2]} << 16 | std::uint32_t{b[1]} << 8 | b[0];
}

bool ByteSource::Matches(std::uint64_t offset, std::string_view text) const {
    if (offset > Size() || text.size() > Size() - offset) {
        return false;
    }
    std::string bytes(text.size(), '\0');
    DoRead(offset, bytes.data(), bytes.size());
    return bytes == text;
}

void MemoryByteSource::DoRead(std::uint64_t offset, void* dst, std::size_t length) const {
    std::memcpy(dst, data_ + offset, length);
}

void FileByteSource::DoRead(std::uint64_t offset, void* dst, std::size_t length) const {
    if (length >= kWindowBytes / 4) {
        Preadn(offset, dst, length);
        return;
    }
    if (window_.empty() || offset < windowOffset_ ||
        offset + length > windowOffset_ + window_.size()) {
        std::uint64_t avail = size_ - offset;
        window_.resize(static_cast<std::size_t>(avail < kWindowBytes ? avail : kWindowBytes));
        windowOffset_ = offset;
        Preadn(offset, window_.data(), window_.size());
    }
    std::memcpy(dst, window_.data() + (offset - windowOffset_), length);
}

void FileByteSource::Preadn(std::uint64_t offset, void* dst, std::size_t length) const {
    auto* out = static_cast<char*>(dst);
    while (length > 0) {
        ssize_t n = ::pread(fd_, out, length, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            window_.clear();
            throw XMPError(kXMPErr_FileIO,
                           n < 0 ? std::string("pread() failed: ") + std::strerror(errno)
                                 : std::string("File shrank while being read"));
        }
        out += n;
        offset += static_cast<std::uint64_t>(n);
        length -= static_cast<std::size_t>(n);
    }
}

}  // namespace xmp
