// JSON ↔ value conversion of the command-line client, and its base64 helper.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/data/IKVData.h"
#include "kvfoundation/data/IKVList.h"
#include "kvfoundation/data/IKVMap.h"
#include "kvfoundation/data/IKVNumber.h"
#include "kvfoundation/data/IKVString.h"
#include "tools/client/Base64.h"
#include "tools/client/JsonValues.h"

using namespace vantory::client;
namespace data = kvfoundation::data;
using kvfoundation::base::IKVType;

namespace {

class JsonValuesTest : public ::testing::Test {
protected:
    kvfoundation::base::AutoReleasePool pool_;

    static std::string RoundTrip(const std::string& json) {
        return ToJson(ParseJson(json), SummariseData, 0);
    }
    static IKVType* Member(IKVType* map, const char* key) {
        return dynamic_cast<data::IKVMap*>(map)->ObjectForKey(data::Literal(key));
    }
};

TEST_F(JsonValuesTest, ScalarsKeepTheirKinds) {
    IKVType* value = ParseJson(R"({"i": 7, "big": 9007199254740993, "d": 0.5, "neg": -3,
                                   "t": true, "f": false, "n": null, "s": "x"})");
    auto* big = dynamic_cast<data::IKVNumber*>(Member(value, "big"));
    ASSERT_NE(big, nullptr);
    EXPECT_FALSE(big->IsFloat());
    EXPECT_EQ(big->Int64Value(), 9007199254740993LL);  // not rounded through a double
    EXPECT_TRUE(dynamic_cast<data::IKVNumber*>(Member(value, "d"))->IsFloat());
    EXPECT_EQ(dynamic_cast<data::IKVNumber*>(Member(value, "neg"))->Int32Value(), -3);
    EXPECT_EQ(RoundTrip(R"([1,-2,0.25,true,false,null,"a"])"),
              R"([1,-2,0.25,true,false,null,"a"])");
}

TEST_F(JsonValuesTest, StringsCarryEveryCodePoint) {
    // Escapes, a surrogate pair (U+1F600) and raw UTF-8 survive into the UTF-16 string.
    IKVType* value = ParseJson(R"(["a\"b\\c\n\t", "\ud83d\ude00", "é€"])");
    auto* list = dynamic_cast<data::IKVList*>(value);
    ASSERT_NE(list, nullptr);
    auto* emoji = dynamic_cast<data::IKVString*>(list->ObjectAt(1));
    ASSERT_EQ(emoji->Length(), 2);
    EXPECT_EQ(emoji->CharacterAt(0), 0xD83D);
    EXPECT_EQ(emoji->CharacterAt(1), 0xDE00);
    EXPECT_EQ(ToJson(value, SummariseData, 0),
              "[\"a\\\"b\\\\c\\n\\t\",\"\xF0\x9F\x98\x80\",\"é€\"]");
    // A lone surrogate cannot be represented in UTF-8: it becomes U+FFFD.
    EXPECT_EQ(RoundTrip(R"(["\ud800x"])"), "[\"\xEF\xBF\xBDx\"]");
}

TEST_F(JsonValuesTest, DataFromBase64OrFile) {
    IKVType* inline_ = ParseJson(R"({"$data": "AAEC/w=="})");
    auto* bytes = dynamic_cast<data::IKVData*>(inline_);
    ASSERT_NE(bytes, nullptr);
    ASSERT_EQ(bytes->Length(), 4);
    EXPECT_EQ(bytes->Bytes()[3], 0xFF);
    EXPECT_EQ(SummariseData(*bytes), R"({"$data": "<4 bytes>"})");

    std::string path = ::testing::TempDir() + "/json-data.bin";
    std::ofstream(path, std::ios::binary) << "hello";
    auto* file = dynamic_cast<data::IKVData*>(ParseJson("{\"$file\": \"" + path + "\"}"));
    ASSERT_NE(file, nullptr);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(file->Bytes()), 5), "hello");
    std::remove(path.c_str());

    // With another member next to it, "$data" is an ordinary key.
    EXPECT_NE(dynamic_cast<data::IKVMap*>(ParseJson(R"({"$data": "AA==", "x": 1})")), nullptr);
}

TEST_F(JsonValuesTest, BadTextIsRefusedWithItsPosition) {
    for (const char* bad :
         {"", "{", "[1,]", "{\"a\" 1}", "\"open", "tru", "1 2", "-", "{\"$data\": \"***\"}",
          "{\"$data\": 5}", "{\"$file\": \"/nonexistent/file\"}", "\"\\x\"", "[\"\x01\"]"}) {
        EXPECT_THROW(ParseJson(bad), JsonError) << bad;
    }
    try {
        ParseJson("[1, ?]");
        FAIL();
    } catch (const JsonError& e) {
        EXPECT_NE(std::string(e.what()).find("at byte 4"), std::string::npos) << e.what();
    }
    // Deep nesting is refused instead of exhausting the stack.
    EXPECT_THROW(ParseJson(std::string(100000, '[')), JsonError);
}

TEST_F(JsonValuesTest, PrettyPrintingIndentsNestedContainers) {
    EXPECT_EQ(ToJson(ParseJson(R"({"a": [1, {}]})"), SummariseData, 2),
              "{\n  \"a\": [\n    1,\n    {}\n  ]\n}");
}

TEST(Base64Test, RoundTripsEveryLengthAndRefusesForeignText) {
    std::vector<uint8_t> bytes;
    for (int length = 0; length < 70; ++length) {
        std::string text = EncodeBase64(bytes.data(), bytes.size());
        EXPECT_EQ(text.size() % 4, 0u);
        auto back = DecodeBase64(text);
        ASSERT_TRUE(back.has_value()) << text;
        EXPECT_EQ(*back, bytes);
        bytes.push_back(static_cast<uint8_t>(length * 37 + 11));
    }
    EXPECT_EQ(EncodeBase64(reinterpret_cast<const uint8_t*>("foobar"), 6), "Zm9vYmFy");
    EXPECT_TRUE(DecodeBase64("Zm9v\nYmFy").has_value());
    EXPECT_FALSE(DecodeBase64("Zm9v!").has_value());
    EXPECT_FALSE(DecodeBase64("Zg==Zg==").has_value());  // data after the padding
    EXPECT_FALSE(DecodeBase64("Zh==").has_value());      // non-zero fill bits
}

}  // namespace
