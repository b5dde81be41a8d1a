// Strings, numbers, booleans, null and data: equality and hashes, literals, the ASCII wrapper,
// mutable strings, shared numbers, data growth and descriptions, and refused arguments.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "FoundationTestSupport.h"
#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/ClassName.h"
#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVNullPtr.h"
#include "kvfoundation/base/KVOutOfRange.h"
#include "kvfoundation/base/KVUnsupportedOperation.h"
#include "kvfoundation/data/Double.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/impl/KVASCIIWrapper.h"
#include "kvfoundation/impl/KVLiteral.h"
#include "kvfoundation/util/ASCII.h"
#include "kvfoundation/util/UTF8.h"

using namespace kvfoundation;
using kvtest::Text;

namespace {

class ValuesTest : public ::testing::Test {
protected:
    base::AutoReleasePool pool_;
};

// Runs `action` and checks it raises E with exactly `message`.
template <class E, class F>
void ExpectFailure(F action, const std::string& message) {
    try {
        action();
        ADD_FAILURE() << "nothing raised; wanted " << message;
    } catch (const E& e) {
        EXPECT_EQ(Text(e.Message()), message);
    }
}

uint32_t ReferenceHash(const std::u16string& s) {
    uint32_t h = static_cast<uint32_t>(s.size());
    auto step = [&](size_t i) { h = h * 257 + s[i]; };
    if (s.size() <= 16) {
        for (size_t i = 0; i < s.size(); ++i)
            step(i);
    } else {
        for (size_t i = 0; i < 8; ++i)
            step(i);
        for (size_t i = s.size() - 8; i < s.size(); ++i)
            step(i);
    }
    return h + (h << (s.size() % 32));
}

TEST_F(ValuesTest, EveryStringClassComparesAndHashesByItsUnits) {
    for (const char* ascii : {"", "a", "sixteen chars ok", "seventeen chars!!",
                              "a much longer "
                              "string whose middle is not hashed at all"}) {
        std::u16string units(ascii, ascii + std::strlen(ascii));
        int32_t n = static_cast<int32_t>(units.size());
        impl::KVASCIIWrapper wrapper(ascii);
        data::IKVString* strings[] = {data::CreateString(units.data(), n),
                                      data::CreateStringWrapper(units.data(), n),
                                      data::Literal(ascii), &wrapper, data::CreateMutableString(0)};
        static_cast<data::IKVMutableString*>(strings[4])->Append(units.data(), n);
        for (data::IKVString* a : strings) {
            EXPECT_EQ(a->Hash(), ReferenceHash(units)) << ascii;
            EXPECT_EQ(Text(a->Description()), ascii);
            for (data::IKVString* b : strings) {
                EXPECT_TRUE(a->Equals(b));
            }
        }
    }
    // Same length, different text; and case matters.
    EXPECT_FALSE(data::Literal("abc")->Equals(data::Literal("abd")));
    EXPECT_FALSE(data::Literal("abc")->Equals(data::Literal("ABC")));
    EXPECT_FALSE(data::Literal("1")->Equals(data::CreateInt32(1)));
}

TEST_F(ValuesTest, LiteralsAreInternedAndImmortal) {
    data::IKVString* a = data::Literal("interned text");
    int count = impl::KVLiteral::InternedCount();
    std::string copy = "interned text";  // different storage, same text
    EXPECT_EQ(data::Literal(copy.c_str()), a);
    EXPECT_EQ(impl::KVLiteral::InternedCount(), count);
    EXPECT_EQ(a->RetainCount(), 2147483647);
    a->Release();
    a->AutoRelease();
    EXPECT_EQ(data::Literal(nullptr)->Length(), 0);
    EXPECT_EQ(data::Literal(nullptr), data::Literal(nullptr));
}

TEST_F(ValuesTest, ASCIIWrapperRefusesToBeKept) {
    impl::KVASCIIWrapper wrapper("temp");
    ExpectFailure<base::KVUnsupportedOperation>([&] { wrapper.Retain(); },
                                                "kvfoundation::impl::KVASCIIWrapper::Retain");
    ExpectFailure<base::KVUnsupportedOperation>([&] { wrapper.Release(); },
                                                "kvfoundation::impl::KVASCIIWrapper::Release");
    ExpectFailure<base::KVUnsupportedOperation>([&] { wrapper.AutoRelease(); },
                                                "kvfoundation::impl::KVASCIIWrapper::AutoRelease");
    // Its copy is a real string that outlives it.
    base::KVRefCountT<data::IKVString> copy =
        base::KVRefCountT<data::IKVString>::Adopt(wrapper.Copy());
    EXPECT_EQ(Text(base::ClassName(copy)), "class kvfoundation::data::UTF16String");
    EXPECT_EQ(Text(copy), "temp");
}

TEST_F(ValuesTest, StringAccessAndConversion) {
    data::IKVString* s = data::CreateString(u"h\u00e9\u20ac\U0001F600", 5);
    EXPECT_EQ(s->Length(), 5);
    EXPECT_EQ(s->CharacterAt(1), u'\u00e9');
    ExpectFailure<base::KVOutOfRange>([&] { s->CharacterAt(5); }, "index out of bounds 5  [0:5]");
    ExpectFailure<base::KVOutOfRange>([&] { s->CharacterAt(-1); }, "index out of bounds -1  [0:5]");
    char16_t buffer[3];
    s->GetCharacters(buffer, 2, 3);
    EXPECT_EQ(buffer[0], u'\u20ac');
    EXPECT_THROW(s->GetCharacters(buffer, 3, 3), base::KVOutOfRange);
    EXPECT_STREQ(s->CString(), "h\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80");
    // Measuring, then converting into a buffer that holds only part.
    int32_t used = -1;
    EXPECT_EQ(s->GetBytes(0, 5, util::UTF8::Instance(), 0, nullptr, 0, &used), 5);
    EXPECT_EQ(used, 10);
    uint8_t bytes[4];
    EXPECT_EQ(s->GetBytes(0, 5, util::UTF8::Instance(), 0, bytes, 4, &used), 2);
    EXPECT_EQ(used, 3);
    // ASCII with a loss byte, and the C string that cannot be made without one.
    EXPECT_EQ(s->GetBytes(0, 3, util::ASCII::Instance(), '?', bytes, 4, &used), 3);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bytes), 3), "h??");
    ExpectFailure<base::KVIllegalArgument>([&] { s->CString(util::ASCII::Instance()); },
                                           "IKVString::CString failed");
    data::IKVData* latin = s->ToData(util::ASCII::Instance(), '?');
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(latin->Bytes()), latin->Length()), "h????");
}

TEST_F(ValuesTest, StringFactoriesRefuseBadInput) {
    ExpectFailure<base::KVIllegalArgument>([] { data::CreateString(u"x", -1); }, "length < 0");
    EXPECT_THROW(data::CreateString(nullptr, 3), base::KVNullPtr);
    EXPECT_EQ(data::CreateString(nullptr, 0)->Length(), 0);
    ExpectFailure<base::KVIllegalArgument>(
        [] { data::CreateStringFromBytes("a", -1, util::UTF8::Instance()); }, "length < 0");
    ExpectFailure<base::KVIllegalArgument>(
        [] { data::CreateStringFromBytes("a\xc3", 2, util::UTF8::Instance()); },
        "Unable to decode characters");
    data::IKVString* decoded = data::CreateStringFromUTF8("\xf0\x9f\x98\x80", 4);
    ASSERT_EQ(decoded->Length(), 2);
    EXPECT_EQ(decoded->CharacterAt(0), 0xD83D);
    EXPECT_EQ(decoded->CharacterAt(1), 0xDE00);
    ExpectFailure<base::KVIllegalArgument>([] { data::CreateMutableString(-1); }, "capacity < 0");
}

TEST_F(ValuesTest, MutableStringEditsAndGrowth) {
    data::IKVMutableString* s = data::CreateMutableString(0);
    EXPECT_EQ(s->Capacity(), 0);
    s->AppendASCII("0123456789abcdefghijklmnopqrstuv", 32);
    EXPECT_EQ(s->Capacity(), 32);  // 16, then doubled at least once
    s->AppendCharacter(u'!');
    EXPECT_EQ(s->Capacity(), 64);
    s->Delete(1, 30);
    EXPECT_EQ(Text(s), "0v!");
    s->Insert(1, u"--", 2);
    s->Replace(0, 1, u"<>", 2);
    EXPECT_EQ(Text(s), "<>--v!");
    s->Insert(s->Length(), s->Characters(), 2);  // from its own units
    s->AppendString(s);
    EXPECT_EQ(Text(s), "<>--v!<><>--v!<>");
    EXPECT_EQ(s->Characters()[s->Length()], 0);
    s->AppendCString("\xc3\xa9", 2, util::UTF8::Instance());
    EXPECT_EQ(s->CharacterAt(s->Length() - 1), u'\u00e9');

    // Failures leave the text as it was.
    std::string before = Text(s);
    ExpectFailure<base::KVIllegalArgument>([&] { s->Append(u"x", -1); }, "length < 0");
    ExpectFailure<base::KVIllegalArgument>([&] { s->AppendCString("x", -2, nullptr); },
                                           "cStrLen < 0");
    ExpectFailure<base::KVIllegalArgument>(
        [&] { s->AppendCString("ab\xe2\x82", 4, util::UTF8::Instance()); }, "decode failed");
    EXPECT_THROW(s->Insert(s->Length() + 1, u"x", 1), base::KVOutOfRange);
    EXPECT_THROW(s->Delete(2, s->Length()), base::KVOutOfRange);
    EXPECT_THROW(s->Delete(-1, 1), base::KVOutOfRange);
    EXPECT_THROW(s->Append(nullptr, 1), base::KVNullPtr);
    EXPECT_EQ(Text(s), before);

    // An immutable copy that does not follow later edits.
    base::KVRefCountT<data::IKVString> copy = base::KVRefCountT<data::IKVString>::Adopt(s->Copy());
    s->SetLength(1);
    EXPECT_EQ(Text(copy), before);
    EXPECT_EQ(Text(s), "<");
}

TEST_F(ValuesTest, Numbers) {
    data::IKVNumber* zero = data::CreateDouble(0.0);
    EXPECT_EQ(zero, data::CreateInt32(0));
    EXPECT_EQ(data::CreateDouble(-0.0), zero);
    EXPECT_FALSE(zero->IsFloat());
    EXPECT_EQ(Text(zero->Description()), "0");

    data::IKVNumber* big = data::CreateInt64(-(int64_t{1} << 40));
    EXPECT_TRUE(big->Is64Bit());
    EXPECT_FALSE(data::CreateInt64(INT32_MIN)->Is64Bit());
    EXPECT_EQ(big->Hash(), 0u);  // low 32 bits of 2^40
    EXPECT_EQ(data::CreateInt64(-7)->Hash(), 7u);
    EXPECT_EQ(data::CreateInt64(INT64_MIN)->Hash(), 0u);
    EXPECT_EQ(Text(data::CreateInt64(INT64_MIN)->Description()), "-9223372036854775808");
    EXPECT_EQ(big->Int32Value(), INT32_MIN);  // saturates

    data::IKVNumber* d = data::CreateDouble(2.5);
    EXPECT_TRUE(d->IsFloat());
    EXPECT_TRUE(d->Is64Bit());
    EXPECT_EQ(Text(d->Description()), "2.500000e+00");
    EXPECT_TRUE(data::CreateDouble(5.0)->Equals(data::CreateInt32(5)));
    EXPECT_EQ(data::CreateDouble(5.0)->Hash(), data::CreateInt32(5)->Hash());
    EXPECT_FALSE(d->Equals(data::CreateInt32(2)));
    // r = 3 for 2.5 (half away from zero): 3 + trunc(-0.5 * 4294967295) in 32 bits.
    EXPECT_EQ(d->Hash(), static_cast<uint32_t>(3 + static_cast<int64_t>(-2147483647.5)));
    EXPECT_EQ(data::CreateDouble(1e300)->Int64Value(), INT64_MAX);
    data::IKVNumber* nan = data::CreateDouble(std::nan(""));
    EXPECT_EQ(nan->Int32Value(), 0);
    nan->Hash();
    data::CreateDouble(INFINITY)->Hash();
}

TEST_F(ValuesTest, BooleansAndNull) {
    EXPECT_TRUE(data::CreateBool(true)->BoolValue());
    EXPECT_EQ(Text(data::CreateBool(true)->Description()), "true");
    EXPECT_EQ(Text(data::CreateBool(false)->Description()), "false");
    EXPECT_EQ(Text(data::Null()->Description()), "null");
}

TEST_F(ValuesTest, FixedAndGrowableData) {
    data::IKVMutableData* fixed = data::CreateMutableData(100);
    EXPECT_EQ(Text(base::ClassName(fixed)), "class kvfoundation::data::FixedMutableData");
    EXPECT_EQ(reinterpret_cast<uintptr_t>(fixed->Bytes()) % 16, 0u);
    fixed->AppendBytes("abc", 3);
    fixed->SetLength(100);
    EXPECT_EQ(fixed->Bytes()[99], 0);
    ExpectFailure<base::KVOutOfRange>([&] { fixed->SetLength(101); },
                                      "index out of bounds 101  [0:100]");
    EXPECT_THROW(fixed->AppendBytes("x", 1), base::KVOutOfRange);
    EXPECT_EQ(fixed->Length(), 100);

    data::IKVMutableData* growable = data::CreateMutableData(65536);
    EXPECT_EQ(Text(base::ClassName(growable)), "class kvfoundation::data::MutableData");
    growable->SetLength(65536);
    growable->MutableBytes()[0] = 42;
    growable->AppendBytes(growable->Bytes(), 1);  // from its own buffer, which moves
    EXPECT_EQ(growable->Length(), 65537);
    EXPECT_EQ(growable->Bytes()[65536], 42);
    EXPECT_GE(growable->Capacity(), 65537);

    for (data::IKVMutableData* data : {fixed, growable}) {
        int32_t length = data->Length();
        ExpectFailure<base::KVIllegalArgument>([&] { data->SetLength(-1); }, "newLength < 0");
        ExpectFailure<base::KVIllegalArgument>([&] { data->IncreaseLength(-1); },
                                               "extraLength < 0");
        ExpectFailure<base::KVIllegalArgument>([&] { data->AppendBytes("x", -1); }, "length < 0");
        EXPECT_EQ(data->Length(), length);
    }
    ExpectFailure<base::KVIllegalArgument>([] { data::CreateMutableData(-1); }, "length < 0");
    ExpectFailure<base::KVIllegalArgument>([] { data::CreateData("x", -1); }, "length < 0");

    // Copies are immutable and independent of the original.
    base::KVRefCountT<data::IKVData> copy = base::KVRefCountT<data::IKVData>::Adopt(fixed->Copy());
    fixed->MutableBytes()[0] = 'z';
    EXPECT_EQ(copy->Bytes()[0], 'a');
    data::IKVData* immutable = data::CreateData("q", 1);
    base::KVRefCountT<data::IKVData> same =
        base::KVRefCountT<data::IKVData>::Adopt(immutable->Copy());
    EXPECT_EQ(same.get(), immutable);
}

TEST_F(ValuesTest, DataDescriptionShortensFrom24Bytes) {
    uint8_t bytes[30];
    for (int i = 0; i < 30; ++i) {
        bytes[i] = static_cast<uint8_t>(i);
    }
    data::IKVData* data = data::CreateData(bytes, 30);
    char expected[200];
    std::snprintf(expected, sizeof expected,
                  "<class kvfoundation::data::Data %p> { length = 30, bytes = "
                  "0x000102030405060708090a0b0c0d0e0f ... 161718191a1b1c1d}",
                  static_cast<const void*>(data));
    EXPECT_EQ(Text(data->Description()), expected);

    data::IKVData* shorter = data::CreateDataWrapper(bytes, 23);
    std::snprintf(expected, sizeof expected,
                  "<class kvfoundation::data::DataWrapper %p> { length = 23, bytes = "
                  "0x000102030405060708090a0b0c0d0e0f10111213141516}",
                  static_cast<const void*>(shorter));
    EXPECT_EQ(Text(shorter->Description()), expected);
}

}  // namespace
