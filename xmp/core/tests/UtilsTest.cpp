// Integer conversion, Base64 and path composition.
#include "XMPTestSupport.h"

namespace xmp::test {
namespace {

TEST(UtilsTest, ConvertToIntAcceptsDecimalHexAndSigns) {
    struct Case {
        const char* text;
        int64_t value;
    };
    for (const Case& c : {Case{"0", 0}, Case{"42", 42}, Case{" -17 ", -17}, Case{"+8", 8},
                          Case{"0x1F", 31}, Case{"0XfF", 255}, Case{"-0x10", -16},
                          Case{"2147483647", 2147483647}, Case{"-2147483648", -2147483648LL}}) {
        EXPECT_EQ(TXMPUtils::ConvertToInt(c.text), c.value) << c.text;
    }
    EXPECT_EQ(TXMPUtils::ConvertToInt64("-9223372036854775808"), INT64_MIN);
    EXPECT_EQ(TXMPUtils::ConvertToInt64("0x7fffffffffffffff"), INT64_MAX);
    for (const char* bad : {"", "  ", "12abc", "1 2", "0x", "-", "0x1G", "1.5", "2147483648",
                            "-2147483649", "99999999999999999999"}) {
        EXPECT_EQ(ErrorIdOf([&] { TXMPUtils::ConvertToInt(bad); }), kXMPErr_BadValue) << bad;
    }
    EXPECT_EQ(ErrorIdOf([] { TXMPUtils::ConvertToInt64("9223372036854775808"); }),
              kXMPErr_BadValue);
}

TEST(UtilsTest, Base64RoundTripsEveryTailLength) {
    std::string raw;
    for (int i = 0; i < 256; ++i)
        raw.push_back(char(i));
    for (size_t length : {0u, 1u, 2u, 3u, 4u, 5u, 256u}) {
        std::string encoded, decoded;
        TXMPUtils::EncodeToBase64(raw.substr(0, length), &encoded);
        EXPECT_EQ(encoded.size() % 4, 0u);
        TXMPUtils::DecodeFromBase64(encoded, &decoded);
        EXPECT_EQ(decoded, raw.substr(0, length));
    }
    std::string encoded;
    TXMPUtils::EncodeToBase64("foobar", &encoded);
    EXPECT_EQ(encoded, "Zm9vYmFy");
}

TEST(UtilsTest, Base64DecodeToleratesLineBreaksAndRefusesGarbage) {
    std::string decoded;
    TXMPUtils::DecodeFromBase64(" Zm9v\nYmE=\r\n", &decoded);
    EXPECT_EQ(decoded, "fooba");
    TXMPUtils::DecodeFromBase64("Zm9v&#xA;YmFy&#xA;", &decoded);
    EXPECT_EQ(decoded, "foobar");
    TXMPUtils::DecodeFromBase64("Zm9vYg", &decoded);  // padding left out
    EXPECT_EQ(decoded, "foob");
    for (const char* bad : {"Zm9v!", "Zm9vY", "Zm=9", "Zm9vYg==Zm9v", "=Zm9", "Zg=", "Zm9v&amp;"}) {
        EXPECT_EQ(ErrorIdOf([&] { TXMPUtils::DecodeFromBase64(bad, &decoded); }), kXMPErr_BadValue)
            << bad;
    }
}

TEST(UtilsTest, ComposedPathsResolve) {
    std::string path;
    TXMPUtils::ComposeArrayItemPath(ns::kXMP, "xmp:Thumbnails", 2, &path);
    EXPECT_EQ(path, "xmp:Thumbnails[2]");
    TXMPUtils::ComposeArrayItemPath(ns::kXMP, "Thumbnails", kArrayLastItem, &path);
    EXPECT_EQ(path, "Thumbnails[last()]");
    EXPECT_EQ(ErrorIdOf([&] { TXMPUtils::ComposeArrayItemPath(ns::kXMP, "T", 0, &path); }),
              kXMPErr_BadIndex);
    TXMPUtils::ComposeStructFieldPath(ns::kXMP, "Thumbnails[1]", ns::kXMPGImg, "width", &path);
    EXPECT_EQ(path, "Thumbnails[1]/xmpGImg:width");
    EXPECT_EQ(ErrorIdOf([&] {
                  TXMPUtils::ComposeStructFieldPath(ns::kXMP, "T", "http://unregistered/", "w",
                                                    &path);
              }),
              kXMPErr_BadSchema);

    TXMPMeta meta;
    meta.AppendArrayItem(ns::kDC, "title",
                         kPropValueIsArray | kPropArrayIsOrdered | kPropArrayIsAlternate, "Hallo");
    meta.SetProperty(ns::kDC, "title[1]/?xml:lang", "de");
    TXMPUtils::ComposeLangSelector(ns::kDC, "title", "DE", &path);
    std::string value;
    ASSERT_TRUE(meta.GetProperty(ns::kDC, path, &value, nullptr));
    EXPECT_EQ(value, "Hallo");
    TXMPUtils::ComposeQualifierPath(ns::kDC, "title[last()]", ns::kXML, "lang", &path);
    ASSERT_TRUE(meta.GetProperty(ns::kDC, path, &value, nullptr));
    EXPECT_EQ(value, "de");
}

}  // namespace
}  // namespace xmp::test
