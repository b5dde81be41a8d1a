// Buffering rules of BufferedReader and BufferedWriter, pinned over a channel in memory.
#include <gtest/gtest.h>

#include <numeric>
#include <random>

#include "MemoryChannel.h"
#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVIllegalState.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/base/KVUnsupportedOperation.h"
#include "kvfoundation/io/BufferedReader.h"
#include "kvfoundation/io/BufferedWriter.h"
#include "kvfoundation/io/KVEndOfFile.h"

using namespace kvfoundation;
using kvtest::Bytes;
using kvtest::MemoryChannel;
using kvtest::MessageOf;

namespace {

Bytes Sequence(size_t count, uint8_t first = 0) {
    Bytes bytes(count);
    std::iota(bytes.begin(), bytes.end(), first);
    return bytes;
}

template <class Exception, class Call>
std::string Failure(Call call) {
    try {
        call();
    } catch (const Exception& e) {
        return MessageOf(e);
    }
    return "(no exception)";
}

TEST(BufferedWriter, WriteThatDoesNotFitSendsWhatIsBufferedFirst) {
    base::AutoReleasePool pool;
    MemoryChannel* channel = MemoryChannel::Create();
    io::IKVBufferedWriter* writer = io::BufferedWriter::Create(channel, 16);
    const Bytes first = Sequence(10, 0), second = Sequence(10, 100);
    writer->Write(first.data(), 10);
    EXPECT_TRUE(channel->written.empty());
    writer->Write(second.data(), 10);
    EXPECT_EQ(channel->written, first);
    writer->Flush();
    EXPECT_EQ(channel->writeSizes, (std::vector<int32_t>{10, 10}));
    EXPECT_EQ(channel->flushes, 1);
}

TEST(BufferedWriter, WriteOfAtLeastTheBufferSizeGoesStraightThrough) {
    base::AutoReleasePool pool;
    MemoryChannel* channel = MemoryChannel::Create();
    io::IKVBufferedWriter* writer = io::BufferedWriter::Create(channel, 16);
    const Bytes small = Sequence(3), large = Sequence(16, 50);
    writer->Write(small.data(), 3);
    writer->Write(large.data(), 16);
    EXPECT_EQ(channel->writeSizes, (std::vector<int32_t>{3, 16}));
    writer->Write(small.data(), 3);
    writer->Write(large.data(), 13);  // exactly fills the buffer: still buffered
    EXPECT_EQ(channel->writeSizes.size(), 2u);
    EXPECT_EQ(channel->flushes, 0);
}

TEST(BufferedWriter, CloseFlushesClosesAndRefusesFurtherUse) {
    base::AutoReleasePool pool;
    MemoryChannel* channel = MemoryChannel::Create();
    io::IKVBufferedWriter* writer = io::BufferedWriter::Create(channel, 16);
    const Bytes bytes = Sequence(5);
    writer->Write(bytes.data(), 5);
    writer->Close();
    EXPECT_EQ(channel->written, bytes);
    EXPECT_EQ(channel->closes, 1);
    writer->Close();
    EXPECT_EQ(channel->closes, 1);
    EXPECT_EQ(Failure<base::KVIllegalState>([&] { writer->Write(bytes.data(), 1); }),
              "Channel Closed");
    EXPECT_EQ(Failure<base::KVIllegalState>([&] { writer->Flush(); }), "Channel Closed");
    char c;
    EXPECT_EQ(Failure<base::KVUnsupportedOperation>([&] { writer->Read(&c, 1); }),
              "Read() not supported");
}

TEST(BufferedChannels, FactoriesRefuseBadArguments) {
    base::AutoReleasePool pool;
    MemoryChannel* channel = MemoryChannel::Create();
    EXPECT_THROW(io::BufferedWriter::Create(nullptr, 16), base::KVNullPtr);
    EXPECT_THROW(io::BufferedReader::Create(nullptr, 16), base::KVNullPtr);
    for (int32_t size : {0, -1}) {
        EXPECT_EQ(
            Failure<base::KVIllegalArgument>([&] { io::BufferedWriter::Create(channel, size); }),
            "bufferSize <= 0");
        EXPECT_EQ(
            Failure<base::KVIllegalArgument>([&] { io::BufferedReader::Create(channel, size); }),
            "bufferSize <= 0");
    }
}

TEST(BufferedReader, ShortStreamDeliversWhatArrivedAndFullReadFails) {
    base::AutoReleasePool pool;
    MemoryChannel* channel = MemoryChannel::Create();
    channel->Feed(Sequence(3));
    io::IKVBufferedReader* reader = io::BufferedReader::Create(channel, 16);
    uint8_t buffer[8];
    EXPECT_EQ(reader->Read(buffer, 8), 3);
    EXPECT_EQ(reader->Read(buffer, 8), 0);

    MemoryChannel* other = MemoryChannel::Create();
    other->Feed(Sequence(5));
    io::IKVBufferedReader* full = io::BufferedReader::Create(other, 16);
    EXPECT_EQ(Failure<io::KVEndOfFile>([&] { full->ReadFully(buffer, 8); }), "<End Of File>");
}

TEST(BufferedReader, SmallReadsRefillWholeBufferLargeReadsBypassIt) {
    base::AutoReleasePool pool;
    MemoryChannel* channel = MemoryChannel::Create();
    channel->Feed(Sequence(100));
    io::IKVBufferedReader* reader = io::BufferedReader::Create(channel, 16);
    uint8_t buffer[64];
    reader->ReadFully(buffer, 4);  // refills with one read of the buffer size
    EXPECT_EQ(channel->readRequests, (std::vector<int32_t>{16}));
    reader->ReadFully(buffer + 4, 40);  // 12 from the buffer, then 28 straight from the channel
    EXPECT_EQ(channel->readRequests, (std::vector<int32_t>{16, 28}));
    EXPECT_EQ(Bytes(buffer, buffer + 44), Sequence(44));
}

// Random chunking on the channel side and random read sizes on the caller's side must
// deliver the stream unchanged, for buffers kept inside the reader and for mapped ones.
TEST(BufferedReader, DeliversTheStreamUnchangedAcrossBufferKinds) {
    std::mt19937 random(7);
    for (int32_t bufferSize : {1, 7, 8191, 8192, 32768}) {
        base::AutoReleasePool pool;
        Bytes stream(100000);
        for (auto& byte : stream) {
            byte = static_cast<uint8_t>(random());
        }
        MemoryChannel* channel = MemoryChannel::Create();
        for (size_t at = 0; at < stream.size();) {
            const size_t size = std::min<size_t>(stream.size() - at, 1 + random() % 20000);
            channel->Feed(Bytes(stream.begin() + at, stream.begin() + at + size));
            at += size;
        }
        io::IKVBufferedReader* reader = io::BufferedReader::Create(channel, bufferSize);
        Bytes received;
        Bytes buffer(50000);
        for (;;) {
            const int32_t got = reader->Read(buffer.data(), 1 + random() % 50000);
            if (got == 0) {
                break;
            }
            received.insert(received.end(), buffer.begin(), buffer.begin() + got);
        }
        EXPECT_EQ(received, stream) << "buffer size " << bufferSize;
    }
}

TEST(BufferedReader, CloseClosesTheChannelAndRefusesFurtherUse) {
    base::AutoReleasePool pool;
    MemoryChannel* channel = MemoryChannel::Create();
    io::IKVBufferedReader* reader = io::BufferedReader::Create(channel, 16);
    uint8_t byte = 0;
    EXPECT_EQ(Failure<base::KVUnsupportedOperation>([&] { reader->Write(&byte, 1); }),
              "Write() not supported");
    reader->Close();
    reader->Close();
    EXPECT_EQ(channel->closes, 1);
    EXPECT_EQ(Failure<base::KVIllegalState>([&] { reader->Read(&byte, 1); }), "Channel Closed");
}

}  // namespace
