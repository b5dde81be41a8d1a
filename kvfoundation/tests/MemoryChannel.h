#pragma once

// A channel in memory for the channel and wire-format tests: it records every write and
// flush, and serves reads from scripted chunks (one chunk, or what fits of it, per Read).

#include <algorithm>
#include <cctype>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

#include "kvfoundation/base/IKVException.h"
#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/data/IKVString.h"
#include "kvfoundation/io/IKVChannel.h"

namespace kvtest {

using Bytes = std::vector<uint8_t>;

class MemoryChannel final : public kvfoundation::base::KVObjectT<kvfoundation::io::IKVChannel> {
public:
    static MemoryChannel* Create() { return kvfoundation::base::AutoReleased(new MemoryChannel); }

    int32_t Read(void* buffer, int32_t count) override {
        readRequests.push_back(count);
        if (chunks_.empty()) {
            return 0;
        }
        Bytes& chunk = chunks_.front();
        const auto taken = static_cast<int32_t>(std::min<size_t>(chunk.size(), count));
        std::memcpy(buffer, chunk.data(), taken);
        chunk.erase(chunk.begin(), chunk.begin() + taken);
        if (chunk.empty()) {
            chunks_.pop_front();
        }
        return taken;
    }
    int32_t Write(const void* buffer, int32_t count) override {
        const auto* bytes = static_cast<const uint8_t*>(buffer);
        written.insert(written.end(), bytes, bytes + count);
        writeSizes.push_back(count);
        return count;
    }
    void Flush() override { ++flushes; }
    void Close() override { ++closes; }

    // Bytes the next reads return, `chunkSize` at most per read (0: all in one).
    void Feed(const Bytes& bytes, size_t chunkSize = 0) {
        if (chunkSize == 0) {
            chunkSize = std::max<size_t>(bytes.size(), 1);
        }
        for (size_t at = 0; at < bytes.size(); at += chunkSize) {
            const size_t end = std::min(bytes.size(), at + chunkSize);
            chunks_.emplace_back(bytes.begin() + at, bytes.begin() + end);
        }
    }

    Bytes written;
    std::vector<int32_t> writeSizes;
    std::vector<int32_t> readRequests;
    int flushes = 0;
    int closes = 0;

private:
    std::deque<Bytes> chunks_;
};

// "00000006 0000000A" → bytes; blanks are ignored.
inline Bytes Hex(const std::string& text) {
    Bytes bytes;
    std::string digits;
    for (char c : text) {
        if (std::isxdigit(static_cast<unsigned char>(c))) {
            digits += c;
        }
    }
    for (size_t i = 0; i + 1 < digits.size(); i += 2) {
        bytes.push_back(static_cast<uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
    }
    return bytes;
}

inline std::string MessageOf(const kvfoundation::base::IKVException& exception) {
    return exception.Message() != nullptr ? exception.Message()->CString() : "(null)";
}

}  // namespace kvtest
