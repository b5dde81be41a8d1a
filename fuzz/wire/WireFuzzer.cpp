// Reads values in the wire format from arbitrary bytes, then writes each value read and
// reads it back. Any failure must be an exception of the foundation's family; a crash, a
// leak, a hang or an allocation beyond the fuzzer's limit is a finding, and so is a value
// whose encoding changes between the second and third generation: what the serializer writes
// is canonical (zero padding, booleans 0/1, the narrowest integer, one entry per map key), so
// reading it back and writing again must give the same bytes.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <optional>
#include <vector>

#include "CanonicalWire.h"
#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/IKVException.h"
#include "kvfoundation/base/KVObjectT.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/io/BufferedReader.h"
#include "kvfoundation/io/BufferedWriter.h"
#include "kvfoundation/io/IKVChannel.h"
#include "kvfoundation/io/Serializer.h"

using namespace kvfoundation;

namespace {

// Serves a byte range in reads of at most `chunk` bytes and collects what is written.
class FuzzChannel final : public base::KVObjectT<io::IKVChannel> {
public:
    FuzzChannel(const uint8_t* data, size_t size, int32_t chunk)
        : data_(data), size_(size), chunk_(chunk) {}

    int32_t Read(void* buffer, int32_t count) override {
        const size_t taken =
            std::min({size_ - at_, static_cast<size_t>(count), static_cast<size_t>(chunk_)});
        std::memcpy(buffer, data_ + at_, taken);
        at_ += taken;
        return static_cast<int32_t>(taken);
    }
    int32_t Write(const void* buffer, int32_t count) override {
        const auto* bytes = static_cast<const uint8_t*>(buffer);
        written.insert(written.end(), bytes, bytes + count);
        return count;
    }
    void Flush() override {}
    void Close() override {}

    void Reset(const uint8_t* data, size_t size) {
        data_ = data;
        size_ = size;
        at_ = 0;
    }

    std::vector<uint8_t> written;

private:
    const uint8_t* data_;
    size_t size_;
    size_t at_ = 0;
    int32_t chunk_;
};

// The serializers that write a value and read its encoding back, made once: each buffer of a
// serializer is mapped and unmapped page by page, and making six of them for every value spent
// most of a run in the kernel. Both stay in step because every value they see is whole: what
// the writer flushes is all of it, and what the reader is given is exactly one encoding.
struct RoundTrip {
    RoundTrip() {
        base::AutoReleasePool pool;
        sink = base::KVRefCountT<FuzzChannel>::Adopt(new FuzzChannel(nullptr, 0, 1));
        writer = io::Serializer::Create(io::BufferedReader::Create(sink.get(), 64),
                                        io::BufferedWriter::Create(sink.get(), 4096));
        source = base::KVRefCountT<FuzzChannel>::Adopt(new FuzzChannel(nullptr, 0, 1 << 30));
        reader = io::Serializer::Create(io::BufferedReader::Create(source.get(), 4096),
                                        io::BufferedWriter::Create(source.get(), 64));
    }

    std::vector<uint8_t> Encode(base::IKVType* value) {
        sink->written.clear();
        writer->Serialize(value)->Flush();
        return sink->written;
    }

    base::IKVType* Decode(const std::vector<uint8_t>& bytes) {
        source->Reset(bytes.data(), bytes.size());
        return reader->Deserialize();
    }

    base::KVRefCountT<FuzzChannel> sink;
    base::KVRefCountT<io::IKVSerializer> writer;
    base::KVRefCountT<FuzzChannel> source;
    base::KVRefCountT<io::IKVSerializer> reader;
};

RoundTrip* roundTrip = nullptr;  // lives for the process

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    roundTrip = new RoundTrip();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    base::AutoReleasePool pool;
    // The first byte picks how the channel splits the stream, so boundaries get fuzzed too.
    const int32_t chunk = 1 + data[0] % 64 * 97;
    auto* channel = base::AutoReleased(new FuzzChannel(data + 1, size - 1, chunk));
    io::IKVSerializer* serializer =
        io::Serializer::Create(io::BufferedReader::Create(channel, 1 + data[0] % 7 * 1024),
                               io::BufferedWriter::Create(channel, 64));
    for (int values = 0; values < 16; ++values) {
        base::IKVType* value = nullptr;
        try {
            value = serializer->Deserialize();
        } catch (const base::IKVException&) {
            return 0;  // refused input ends the stream, as a connection would end
        }
        base::AutoReleasePool valuePool;
        const std::vector<uint8_t> second = roundTrip->Encode(value);
        const std::vector<uint8_t> third = roundTrip->Encode(roundTrip->Decode(second));
        const std::optional<std::vector<uint8_t>> canonical =
            vantory::fuzz::CanonicalWireValue(second);
        if (!canonical || canonical != vantory::fuzz::CanonicalWireValue(third)) {
            __builtin_trap();
        }
    }
    return 0;
}
