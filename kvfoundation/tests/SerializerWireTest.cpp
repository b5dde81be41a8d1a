// The wire format byte for byte: every value kind written and read as exact bytes, the
// integer width choice, zero doubles, padding, first-wins keys and the failure messages.
#include <gtest/gtest.h>

#include <string>

#include "MemoryChannel.h"
#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/KVCast.h"
#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVIllegalState.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVEntryIterator.h"
#include "kvfoundation/io/BufferedReader.h"
#include "kvfoundation/io/BufferedWriter.h"
#include "kvfoundation/io/KVEndOfFile.h"
#include "kvfoundation/io/Serializer.h"

using namespace kvfoundation;
using base::IKVType;
using kvtest::Bytes;
using kvtest::Hex;
using kvtest::MemoryChannel;
using kvtest::MessageOf;

namespace {

// A serializer over memory. The writer's buffer of 1 byte makes every serializer write reach
// the channel as it is, so the test sees how the bytes were grouped into writes.
struct Wire {
    explicit Wire(const Bytes& input = {}) {
        out = MemoryChannel::Create();
        in = MemoryChannel::Create();
        in->Feed(input);
        serializer = io::Serializer::Create(io::BufferedReader::Create(in, 4096),
                                            io::BufferedWriter::Create(out, 1));
    }
    MemoryChannel* out;
    MemoryChannel* in;
    io::IKVSerializer* serializer;
};

Bytes Encode(const IKVType* value) {
    Wire wire;
    wire.serializer->Serialize(value);
    return wire.out->written;
}

IKVType* Decode(const Bytes& bytes) {
    return Wire(bytes).serializer->Deserialize();
}

data::IKVString* Str(const char* text) {
    return data::CreateStringFromUTF8(text, std::strlen(text));
}

template <class Exception>
std::string DecodeFailure(const Bytes& bytes) {
    try {
        Decode(bytes);
    } catch (const Exception& e) {
        return MessageOf(e);
    }
    return "(no exception)";
}

TEST(SerializerWire, ListExampleAndHeaderGrouping) {
    base::AutoReleasePool pool;
    IKVType* elements[] = {Str("abc"), data::CreateInt32(5)};
    Wire wire;
    wire.serializer->Serialize(data::CreateList(2, elements));
    EXPECT_EQ(wire.out->written,
              Hex("00000006 00000002 00000004 00000003 61626300 00000001 00000005"));
    // list header, string header, string body, integer: one write each
    EXPECT_EQ(wire.out->writeSizes, (std::vector<int32_t>{8, 8, 4, 8}));
    EXPECT_EQ(wire.out->flushes, 0);
    wire.serializer->Flush();
    EXPECT_EQ(wire.out->flushes, 1);
}

TEST(SerializerWire, ScalarsAndEmptyValues) {
    base::AutoReleasePool pool;
    EXPECT_EQ(Encode(Str("")), Hex("00000004 00000000"));
    EXPECT_EQ(Encode(data::CreateData(nullptr, 0)), Hex("00000005 00000000"));
    EXPECT_EQ(Encode(data::CreateMutableList(0)), Hex("00000006 00000000"));
    EXPECT_EQ(Encode(data::CreateMutableMap(0)), Hex("00000007 00000000"));
    EXPECT_EQ(Encode(Str("a")), Hex("00000004 00000001 61000000"));
    EXPECT_EQ(Encode(data::Null()), Hex("00000000"));
    EXPECT_EQ(Encode(data::CreateBool(true)), Hex("00000002 00000001"));
    EXPECT_EQ(Encode(data::CreateBool(false)), Hex("00000002 00000000"));
    const uint8_t five[] = {1, 2, 3, 4, 5};
    EXPECT_EQ(Encode(data::CreateData(five, 5)), Hex("00000005 00000005 01020304 05000000"));
    EXPECT_EQ(Encode(data::CreateDouble(1.5)), Hex("00000003 3FF80000 00000000"));
    EXPECT_EQ(Encode(data::CreateDouble(-0.0)), Hex("00000001 00000000"));
}

TEST(SerializerWire, IntegersTakeThe64BitFormOnlyWhenNeeded) {
    base::AutoReleasePool pool;
    EXPECT_EQ(Encode(data::CreateInt64(2147483647)), Hex("00000001 7FFFFFFF"));
    EXPECT_EQ(Encode(data::CreateInt64(-2147483648LL)), Hex("00000001 80000000"));
    EXPECT_EQ(Encode(data::CreateInt64(2147483648LL)), Hex("00000008 00000000 80000000"));
    EXPECT_EQ(Encode(data::CreateInt64(-2147483649LL)), Hex("00000008 FFFFFFFF 7FFFFFFF"));
    auto* big = base::KVCast<data::IKVNumber>(Decode(Hex("00000008 00000001 00000002")));
    EXPECT_EQ(big->Int64Value(), 0x100000002LL);
    auto* small = base::KVCast<data::IKVNumber>(Decode(Hex("00000001 FFFFFFFE")));
    EXPECT_EQ(small->Int64Value(), -2);
    EXPECT_FALSE(small->IsFloat());
}

TEST(SerializerWire, DoublesReadBackAndZeroComesBackAsInteger) {
    base::AutoReleasePool pool;
    auto* value = base::KVCast<data::IKVNumber>(Decode(Hex("00000003 3FF80000 00000000")));
    EXPECT_TRUE(value->IsFloat());
    EXPECT_EQ(value->DoubleValue(), 1.5);
    for (const char* zero : {"00000003 00000000 00000000", "00000003 80000000 00000000"}) {
        auto* number = base::KVCast<data::IKVNumber>(Decode(Hex(zero)));
        EXPECT_FALSE(number->IsFloat()) << zero;
        EXPECT_EQ(number->Int64Value(), 0);
        EXPECT_EQ(Encode(number), Hex("00000001 00000000"));
    }
}

TEST(SerializerWire, BooleanBodyIsTrueWhenNonZero) {
    base::AutoReleasePool pool;
    EXPECT_TRUE(base::KVCast<data::IKVBool>(Decode(Hex("00000002 00000007")))->BoolValue());
    EXPECT_FALSE(base::KVCast<data::IKVBool>(Decode(Hex("00000002 00000000")))->BoolValue());
}

TEST(SerializerWire, TextTravelsAsUtf8) {
    base::AutoReleasePool pool;
    const char16_t units[] = {u'\u00e9', 0xD83D, 0xDE00, 0xD800, u'x'};
    data::IKVString* text = data::CreateString(units, 5);
    const Bytes bytes = Hex("00000004 0000000A C3A9F09F 9880EDA0 8078 0000");
    EXPECT_EQ(Encode(text), bytes);
    EXPECT_TRUE(Decode(bytes)->Equals(text));
}

// Lengths around the 512-byte scratch: the header states the exact length and the body is
// padded with zeros to a multiple of 4, on either side of the boundary.
TEST(SerializerWire, StringsAroundTheScratchSizeRoundTrip) {
    for (int length : {505, 508, 509, 510, 511, 512, 513, 1024, 1025, 70000}) {
        base::AutoReleasePool pool;
        std::string text(length, 'q');
        text[length - 1] = 'z';
        const Bytes bytes = Encode(Str(text.c_str()));
        const size_t padded = (length + 3) & ~3;
        ASSERT_EQ(bytes.size(), 8 + padded) << length;
        const Bytes header = {0,
                              0,
                              0,
                              4,
                              uint8_t(length >> 24),
                              uint8_t(length >> 16),
                              uint8_t(length >> 8),
                              uint8_t(length)};
        EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 8), header);
        EXPECT_EQ(bytes[8 + length - 1], 'z');
        for (size_t i = 8 + length; i < bytes.size(); ++i) {
            EXPECT_EQ(bytes[i], 0) << length;
        }
        EXPECT_TRUE(Decode(bytes)->Equals(Str(text.c_str()))) << length;
    }
}

TEST(SerializerWire, MapsRoundTripAndFirstDuplicateKeyWins) {
    base::AutoReleasePool pool;
    data::IKVMutableMap* map = data::CreateMutableMap(0);
    map->SetObjectForKey(Str("k"), data::CreateInt32(1));
    EXPECT_EQ(Encode(map), Hex("00000007 00000001 00000004 00000001 6B000000 00000001 00000001"));

    auto* read =
        base::KVCast<data::IKVMap>(Decode(Hex("00000007 00000002"
                                              "00000004 00000001 6B000000 00000001 00000001"
                                              "00000004 00000001 6B000000 00000001 00000002")));
    EXPECT_EQ(read->Count(), 1);
    EXPECT_EQ(base::KVCast<data::IKVNumber>(read->ObjectForKey(Str("k")))->Int64Value(), 1);
}

TEST(SerializerWire, NestedValuesRoundTripToTheSameBytes) {
    base::AutoReleasePool pool;
    data::IKVMutableMap* map = data::CreateMutableMap(0);
    const uint8_t bytes[] = {9, 8, 7, 6, 5, 4, 3};
    IKVType* items[] = {data::CreateDouble(-3.25e-200), data::CreateInt64(-1LL << 40),
                        data::CreateData(bytes, 7), data::Null(), data::CreateBool(true)};
    map->SetObjectForKey(Str("list"), data::CreateList(5, items));
    map->SetObjectForKey(Str("inner"), data::CreateMutableMap(0));
    map->SetObjectForKey(data::CreateInt32(42), Str("integer key"));
    const Bytes first = Encode(map);
    IKVType* read = Decode(first);
    EXPECT_TRUE(dynamic_cast<data::IKVMutableMap*>(read) != nullptr);
    EXPECT_EQ(Encode(read), first);
}

// One serializer meets more value classes than its kind cache holds, each more than once:
// every value must come out exactly as a fresh serializer writes it.
TEST(SerializerWire, KindsStayRightAcrossManyValueClasses) {
    base::AutoReleasePool pool;
    const uint8_t bytes[] = {1, 2, 3};
    const char16_t units[] = {u'h', u'i'};
    data::IKVMutableData* mutableData = data::CreateMutableData(8);
    mutableData->AppendBytes(bytes, 3);
    data::IKVMutableString* mutableString = data::CreateMutableString(4);
    IKVType* values[] = {Str("utf8"),
                         data::Literal("literal"),
                         data::CreateStringWrapper(units, 2),
                         mutableString,
                         data::CreateData(bytes, 3),
                         data::CreateDataWrapper(bytes, 3),
                         mutableData,
                         data::CreateInt32(7),
                         data::CreateInt64(1LL << 40),
                         data::CreateDouble(2.5),
                         data::CreateBool(true),
                         data::Null(),
                         data::CreateList(0, nullptr),
                         data::CreateMutableList(0),
                         data::CreateMap(nullptr, nullptr, 0),
                         data::CreateMutableMap(0)};
    const int count = sizeof values / sizeof values[0];
    Bytes expected;
    for (int round = 0; round < 2; ++round) {
        for (IKVType* value : values) {
            const Bytes one = Encode(value);
            expected.insert(expected.end(), one.begin(), one.end());
        }
    }
    Wire wire;
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < count; ++i) {
            wire.serializer->Serialize(values[i]);
        }
    }
    EXPECT_EQ(wire.out->written, expected);
}

TEST(SerializerWire, ReadFailuresCarryTheirMessages) {
    base::AutoReleasePool pool;
    EXPECT_EQ(DecodeFailure<base::KVException>(Hex("00000009")),
              "kvfoundation::io::Serializer::InternalDeserialize: Unknown type id: 9");
    EXPECT_EQ(DecodeFailure<base::KVException>(Hex("FFFFFFFF")),
              "kvfoundation::io::Serializer::InternalDeserialize: Unknown type id: -1");
    EXPECT_EQ(DecodeFailure<io::KVEndOfFile>(Hex("00000006 00000003 00000000 00000000")),
              "<End Of File>");
    EXPECT_EQ(DecodeFailure<io::KVEndOfFile>(Hex("000000")), "<End Of File>");
    EXPECT_EQ(DecodeFailure<base::KVIllegalArgument>(Hex("00000004 00000001 C3000000")),
              "Unable to decode characters");
    EXPECT_EQ(DecodeFailure<base::KVIllegalArgument>(Hex("00000004 FFFFFFFF")), "length < 0");
    EXPECT_EQ(DecodeFailure<base::KVIllegalArgument>(Hex("00000005 FFFFFFFF")), "newLength < 0");
    EXPECT_EQ(DecodeFailure<base::KVIllegalArgument>(Hex("00000005 FFFFFFFC")), "length < 0");
    EXPECT_EQ(DecodeFailure<base::KVIllegalArgument>(Hex("00000006 FFFFFFFF")), "maxCapacity < 0");
    EXPECT_EQ(DecodeFailure<base::KVIllegalArgument>(Hex("00000007 80000000")), "maxCapacity < 0");
}

class NotAValue final : public base::KVObjectT<IKVType> {};

TEST(SerializerWire, WriteFailures) {
    base::AutoReleasePool pool;
    Wire wire;
    EXPECT_THROW(wire.serializer->Serialize(nullptr), base::KVNullPtr);
    auto* stranger = base::AutoReleased(new NotAValue);
    try {
        wire.serializer->Serialize(stranger);
        ADD_FAILURE();
    } catch (const base::KVIllegalArgument& e) {
        EXPECT_EQ(MessageOf(e).rfind("KVSerialize unknown Type: <class ", 0), 0u) << MessageOf(e);
    }
    EXPECT_THROW(io::Serializer::Create(nullptr, io::BufferedWriter::Create(wire.out, 8)),
                 base::KVNullPtr);
    EXPECT_THROW(io::Serializer::Create(io::BufferedReader::Create(wire.in, 8), nullptr),
                 base::KVNullPtr);

    MemoryChannel* channel = MemoryChannel::Create();
    io::IKVBufferedWriter* writer = io::BufferedWriter::Create(channel, 64);
    io::IKVSerializer* serializer =
        io::Serializer::Create(io::BufferedReader::Create(channel, 64), writer);
    writer->Close();
    try {
        serializer->Serialize(data::Null());
        ADD_FAILURE();
    } catch (const base::KVIllegalState& e) {
        EXPECT_EQ(MessageOf(e), "Channel Closed");
    }
}

}  // namespace
