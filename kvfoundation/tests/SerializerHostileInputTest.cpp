// Wire input from an untrusted peer: lengths and counts that promise more than arrives must
// end in KVEndOfFile without reserving what they claim, and deep nesting must fail cleanly
// instead of exhausting the stack.
#include <gtest/gtest.h>

#include <sys/resource.h>

#include <string>

#include "MemoryChannel.h"
#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/KVCast.h"
#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/io/BufferedReader.h"
#include "kvfoundation/io/BufferedWriter.h"
#include "kvfoundation/io/KVEndOfFile.h"
#include "kvfoundation/io/Serializer.h"

using namespace kvfoundation;
using kvtest::Bytes;
using kvtest::Hex;
using kvtest::MemoryChannel;
using kvtest::MessageOf;

namespace {

io::IKVSerializer* Over(const Bytes& input, MemoryChannel** out = nullptr) {
    MemoryChannel* in = MemoryChannel::Create();
    in->Feed(input, 4096);
    MemoryChannel* sink = MemoryChannel::Create();
    if (out != nullptr) {
        *out = sink;
    }
    return io::Serializer::Create(io::BufferedReader::Create(in, 32768),
                                  io::BufferedWriter::Create(sink, 32768));
}

// Largest total number of bytes the readers asked the channel for: a reader that reserved
// what the header claims would also ask for it.
TEST(SerializerHostileInput, HugeLengthsAndCountsEndAtTheEndOfInput) {
    const char* headers[] = {
        "00000004 7FFFFFFF 41424344",           // string of 2 GiB - 1, 4 bytes arrive
        "00000005 7FFFFFFF 41424344",           // data
        "00000005 7FFFFFFD",                    // data whose padded length is exactly 2 GiB
        "00000006 7FFFFFFF 00000000 00000000",  // list of 2^31 - 1 nulls, 2 arrive
        "00000007 7FFFFFFF 00000000 00000000",  // map
        "00000006 00000001 00000006 7FFFFFFF",  // nested list
    };
    for (const char* header : headers) {
        base::AutoReleasePool pool;
        try {
            Over(Hex(header))->Deserialize();
            ADD_FAILURE() << header;
        } catch (const io::KVEndOfFile& e) {
            EXPECT_EQ(MessageOf(e), "<End Of File>");
        }
    }
}

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KV_ADDRESS_SANITIZER 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define KV_ADDRESS_SANITIZER 1
#endif

// With the address space capped below what the headers claim, a reader that trusted them
// would fail to allocate instead of reaching the end of input.
TEST(SerializerHostileInput, ClaimedLengthsReserveNothingUpFront) {
#ifdef KV_ADDRESS_SANITIZER
    GTEST_SKIP() << "ASan maps shadow memory beyond any cap; the plain build runs this";
#endif
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &old), 0);
    for (const char* header : {"00000004 7FFFFFFF 41424344", "00000005 7FFFFFFF 41424344",
                               "00000004 7FFFF000", "00000005 7FFFF000"}) {
        base::AutoReleasePool pool;
        io::IKVSerializer* serializer = Over(Hex(header));
        rlimit capped = old;
        capped.rlim_cur = 1ull << 30;  // 1 GiB: half of what the headers claim
        ASSERT_EQ(setrlimit(RLIMIT_AS, &capped), 0);
        EXPECT_THROW(serializer->Deserialize(), io::KVEndOfFile) << header;
        setrlimit(RLIMIT_AS, &old);
    }
}

Bytes NestedLists(int depth) {
    Bytes bytes;
    for (int i = 0; i < depth; ++i) {
        const Bytes header = Hex(i + 1 < depth ? "00000006 00000001" : "00000006 00000000");
        bytes.insert(bytes.end(), header.begin(), header.end());
    }
    return bytes;
}

TEST(SerializerHostileInput, NestingIsLimitedTo512Levels) {
    base::AutoReleasePool pool;
    EXPECT_NO_THROW(Over(NestedLists(io::Serializer::kMaxDepth))->Deserialize());
    try {
        Over(NestedLists(io::Serializer::kMaxDepth + 1))->Deserialize();
        ADD_FAILURE();
    } catch (const base::KVIllegalArgument& e) {
        EXPECT_NE(MessageOf(e).find("512"), std::string::npos) << MessageOf(e);
    }
    EXPECT_THROW(Over(NestedLists(100000))->Deserialize(), base::KVIllegalArgument);
}

TEST(SerializerHostileInput, WritingIsLimitedTheSameWayAndStopsSelfContainingLists) {
    base::AutoReleasePool pool;
    data::IKVMutableList* outer = data::CreateMutableList(0);
    data::IKVMutableList* inner = outer;
    for (int i = 1; i < io::Serializer::kMaxDepth; ++i) {
        data::IKVMutableList* next = data::CreateMutableList(0);
        inner->AddObject(next);
        inner = next;
    }
    EXPECT_NO_THROW(Over({})->Serialize(outer));
    inner->AddObject(data::CreateMutableList(0));
    EXPECT_THROW(Over({})->Serialize(outer), base::KVIllegalArgument);

    data::IKVMutableList* loop = data::CreateMutableList(0);
    loop->AddObject(loop);
    EXPECT_THROW(Over({})->Serialize(loop), base::KVIllegalArgument);
    loop->RemoveObjectAt(0);  // break the cycle so the pool can free it
}

TEST(SerializerHostileInput, LargeDataGrowsInStepsAndArrivesIntact) {
    base::AutoReleasePool pool;
    const int32_t length = (3 << 20) + 3;  // past the first 1 MiB step, with padding
    Bytes input = Hex("00000005");
    for (int shift : {24, 16, 8, 0}) {
        input.push_back(static_cast<uint8_t>(length >> shift));
    }
    for (int32_t i = 0; i < length; ++i) {
        input.push_back(static_cast<uint8_t>(i * 7));
    }
    input.push_back(0);
    auto* data = base::KVCast<data::IKVData>(Over(input)->Deserialize());
    ASSERT_EQ(data->Length(), length);
    for (int32_t i = 0; i < length; i += 4099) {
        ASSERT_EQ(data->Bytes()[i], static_cast<uint8_t>(i * 7)) << i;
    }
}

}  // namespace
