#include "kvfoundation/io/BufferedWriter.h"

#include <cstring>
#include <exception>
#include <utility>

#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVIllegalState.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/base/KVUnsupportedOperation.h"
#include "kvfoundation/posix/PosixVMAlloc.h"

namespace kvfoundation::io {

IKVBufferedWriter* BufferedWriter::Create(IKVChannel* channel, int32_t bufferSize) {
    if (channel == nullptr) {
        throw base::KVNullPtr("channel");
    }
    if (bufferSize <= 0) {
        throw base::KVIllegalArgument("bufferSize <= 0");
    }
    return base::AutoReleased(new BufferedWriter(channel, bufferSize));
}

BufferedWriter::BufferedWriter(IKVChannel* channel, int32_t bufferSize)
    : channel_(channel),
      bufferSize_(bufferSize),
      buffer_(static_cast<uint8_t*>(posix::PosixVMAlloc::Instance()->Allocate(bufferSize))) {}

BufferedWriter::~BufferedWriter() {
    if (buffer_ != nullptr) {
        posix::PosixVMAlloc::Instance()->Free(buffer_);
    }
}

void BufferedWriter::CheckOpen() const {
    if (buffer_ == nullptr) {
        throw base::KVIllegalState("Channel Closed");
    }
}

int32_t BufferedWriter::Read(void*, int32_t) {
    throw base::KVUnsupportedOperation("Read() not supported");
}

void BufferedWriter::Drain() {
    if (buffered_ > 0) {
        const int32_t count = buffered_;
        buffered_ = 0;  // a failed channel write abandons the bytes with the connection
        channel_->Write(buffer_, count);
    }
}

int32_t BufferedWriter::Write(const void* buffer, int32_t count) {
    CheckOpen();
    if (count < 0) {
        throw base::KVIllegalArgument("count < 0");
    }
    if (count == 0) {
        return 0;
    }
    if (buffer == nullptr) {
        throw base::KVNullPtr("buffer");
    }
    if (count >= bufferSize_) {
        Drain();
        channel_->Write(buffer, count);
        return count;
    }
    if (count > bufferSize_ - buffered_) {
        Drain();
    }
    std::memcpy(buffer_ + buffered_, buffer, static_cast<size_t>(count));
    buffered_ += count;
    return count;
}

void BufferedWriter::Flush() {
    CheckOpen();
    Drain();
    channel_->Flush();
}

void BufferedWriter::Close() {
    if (buffer_ == nullptr) {
        return;
    }
    // The channel is closed and the buffer dropped even when the final flush fails.
    std::exception_ptr flushFailure;
    try {
        Drain();
        channel_->Flush();
    } catch (...) {
        flushFailure = std::current_exception();
    }
    posix::PosixVMAlloc::Instance()->Free(std::exchange(buffer_, nullptr));
    channel_->Close();
    if (flushFailure) {
        std::rethrow_exception(flushFailure);
    }
}

}  // namespace kvfoundation::io
