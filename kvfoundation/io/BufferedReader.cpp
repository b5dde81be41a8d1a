#include "kvfoundation/io/BufferedReader.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVIllegalState.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/base/KVUnsupportedOperation.h"
#include "kvfoundation/io/KVEndOfFile.h"
#include "kvfoundation/posix/PosixVMAlloc.h"

namespace kvfoundation::io {

void* BufferedReader::operator new(size_t size, InlineBytes inlineBytes) {
    return ::operator new(size + inlineBytes.count);
}

void BufferedReader::operator delete(void* memory) {
    ::operator delete(memory);
}

void BufferedReader::operator delete(void* memory, InlineBytes) {
    ::operator delete(memory);
}

IKVBufferedReader* BufferedReader::Create(IKVChannel* channel, int32_t bufferSize) {
    if (channel == nullptr) {
        throw base::KVNullPtr("channel");
    }
    if (bufferSize <= 0) {
        throw base::KVIllegalArgument("bufferSize <= 0");
    }
    const InlineBytes inlineBytes{bufferSize <= kLargestInlineBuffer ? size_t(bufferSize) : 0};
    return base::AutoReleased(new (inlineBytes) BufferedReader(channel, bufferSize));
}

BufferedReader::BufferedReader(IKVChannel* channel, int32_t bufferSize)
    : channel_(channel), bufferSize_(bufferSize) {
    buffer_ = IsInline()
                  ? reinterpret_cast<uint8_t*>(this) + sizeof(BufferedReader)
                  : static_cast<uint8_t*>(posix::PosixVMAlloc::Instance()->Allocate(bufferSize));
}

BufferedReader::~BufferedReader() {
    if (buffer_ != nullptr && !IsInline()) {
        posix::PosixVMAlloc::Instance()->Free(buffer_);
    }
}

void BufferedReader::CheckOpen() const {
    if (buffer_ == nullptr) {
        throw base::KVIllegalState("Channel Closed");
    }
}

int32_t BufferedReader::Read(void* buffer, int32_t count) {
    CheckOpen();
    if (count < 0) {
        throw base::KVIllegalArgument("count < 0");
    }
    if (count > 0 && buffer == nullptr) {
        throw base::KVNullPtr("buffer");
    }
    auto* out = static_cast<uint8_t*>(buffer);
    int32_t delivered = 0;
    while (delivered < count) {
        const int32_t wanted = count - delivered;
        if (position_ < end_) {
            const int32_t taken = std::min(end_ - position_, wanted);
            std::memcpy(out + delivered, buffer_ + position_, static_cast<size_t>(taken));
            position_ += taken;
            delivered += taken;
            continue;
        }
        if (wanted >= bufferSize_) {
            const int32_t got = channel_->Read(out + delivered, wanted);
            if (got <= 0) {
                break;
            }
            delivered += got;
            continue;
        }
        const int32_t got = channel_->Read(buffer_, bufferSize_);
        if (got <= 0) {
            break;
        }
        position_ = 0;
        end_ = got;
    }
    return delivered;
}

void BufferedReader::ReadFully(void* buffer, int32_t count) {
    if (Read(buffer, count) < count) {
        throw KVEndOfFile();
    }
}

int32_t BufferedReader::Write(const void*, int32_t) {
    throw base::KVUnsupportedOperation("Write() not supported");
}

void BufferedReader::Flush() {
    CheckOpen();
}

void BufferedReader::Close() {
    if (buffer_ == nullptr) {
        return;
    }
    uint8_t* buffer = std::exchange(buffer_, nullptr);
    if (!IsInline()) {
        posix::PosixVMAlloc::Instance()->Free(buffer);
    }
    position_ = end_ = 0;
    channel_->Close();
}

}  // namespace kvfoundation::io
