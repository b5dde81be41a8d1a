// UTF-8 and ASCII conversion: the whole code-point range against iconv, the lenient rules of
// the decoder, output limits and measuring mode.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdint>
#include <random>
#include <vector>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/util/ASCII.h"
#include "kvfoundation/util/AsciiCodec.h"
#include "kvfoundation/util/UTF8.h"
#include "kvfoundation/util/Utf8Codec.h"

namespace {

using kvfoundation::util::AsciiDecode;
using kvfoundation::util::AsciiEncode;
using kvfoundation::util::Utf8Decode;
using kvfoundation::util::Utf8Encode;

using Bytes = std::vector<std::uint8_t>;
using Units = std::vector<char16_t>;

int32_t Size(const auto& v) {
    return static_cast<int32_t>(v.size());
}

Bytes Encode(const Units& units) {
    Bytes out(units.size() * 3);
    auto r = Utf8Encode(units.data(), Size(units), out.data(), Size(out));
    EXPECT_EQ(r.consumed, Size(units));
    out.resize(r.produced);
    return out;
}

Units Decode(const Bytes& bytes) {
    Units out(bytes.size());
    auto r = Utf8Decode(bytes.data(), Size(bytes), out.data(), Size(out));
    EXPECT_EQ(r.consumed, Size(bytes));
    out.resize(r.produced);
    return out;
}

// Every scalar value U+0000..U+10FFFF (surrogates excluded) as UTF-16.
Units AllScalarValues() {
    Units units;
    for (std::uint32_t c = 0; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) {
            continue;
        }
        if (c < 0x10000) {
            units.push_back(static_cast<char16_t>(c));
        } else {
            units.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        }
    }
    return units;
}

Bytes IconvToUtf8(const Units& units) {
    iconv_t cd = iconv_open("UTF-8", "UTF-16LE");
    EXPECT_NE(cd, reinterpret_cast<iconv_t>(-1));
    Bytes out(units.size() * 4);
    char* in = const_cast<char*>(reinterpret_cast<const char*>(units.data()));
    size_t inLeft = units.size() * 2;
    char* o = reinterpret_cast<char*>(out.data());
    size_t outLeft = out.size();
    EXPECT_NE(iconv(cd, &in, &inLeft, &o, &outLeft), static_cast<size_t>(-1));
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

TEST(Utf8Encoding, WholeCodePointRangeMatchesIconvAndRoundTrips) {
    const Units all = AllScalarValues();
    const Bytes bytes = Encode(all);
    EXPECT_EQ(bytes, IconvToUtf8(all));
    EXPECT_EQ(Decode(bytes), all);

    auto measured = Utf8Encode(all.data(), Size(all), nullptr, 0);
    EXPECT_EQ(measured.consumed, Size(all));
    EXPECT_EQ(measured.produced, Size(bytes));
    auto decodedMeasure = Utf8Decode(bytes.data(), Size(bytes), nullptr, 0);
    EXPECT_EQ(decodedMeasure.consumed, Size(bytes));
    EXPECT_EQ(decodedMeasure.produced, Size(all));
}

TEST(Utf8Encoding, SurrogatePairIsOneFourByteCharacter) {
    EXPECT_EQ(Encode({0xD83D, 0xDE00}), (Bytes{0xF0, 0x9F, 0x98, 0x80}));
    EXPECT_EQ(Decode({0xF0, 0x9F, 0x98, 0x80}), (Units{0xD83D, 0xDE00}));
}

TEST(Utf8Encoding, UnpairedSurrogatesAreEncodedAloneAndComeBack) {
    // A lone high, a lone low, a low before a high, and a high ending the input.
    const Units units{0xD800, u'a', 0xDC00, 0xDFFF, 0xDBFF, 0xD83D};
    const Bytes bytes = Encode(units);
    EXPECT_EQ(bytes.size(), 16u);
    EXPECT_EQ(Bytes(bytes.begin(), bytes.begin() + 3), (Bytes{0xED, 0xA0, 0x80}));
    EXPECT_EQ(Decode(bytes), units);
}

TEST(Utf8Encoding, DecoderIsLenientAboutTrailingBytes) {
    // Stray continuation bytes stand for themselves; trailing bytes are not checked.
    EXPECT_EQ(Decode({0x80, 0xBF}), (Units{0x80, 0xBF}));
    EXPECT_EQ(Decode({0xC3, 0x41}), (Units{0x81}));
    // Overlong forms keep their value; values past U+10FFFF and wrapped sums become U+FFFD.
    EXPECT_EQ(Decode({0xC1, 0x81}), (Units{0x41}));
    EXPECT_EQ(Decode({0xF4, 0x90, 0x80, 0x80}), (Units{0xFFFD}));
    EXPECT_EQ(Decode({0xF7, 0xBF, 0xBF, 0xBF}), (Units{0xFFFD}));
    EXPECT_EQ(Decode({0xC0, 0x00}), (Units{0xFFFD}));
}

TEST(Utf8Encoding, DecoderStopsAtTruncatedSequencesAndInvalidLeads) {
    const Bytes cut{0x61, 0xC3};
    char16_t out[8];
    auto r = Utf8Decode(cut.data(), Size(cut), out, 8);
    EXPECT_EQ(r.consumed, 1);
    EXPECT_EQ(r.produced, 1);

    for (std::uint8_t lead : {0xF8, 0xFB, 0xFF}) {
        const Bytes bad{0x41, 0x42, lead, 0x43};
        r = Utf8Decode(bad.data(), Size(bad), nullptr, 0);
        EXPECT_EQ(r.consumed, 2) << int(lead);
        EXPECT_EQ(r.produced, 2);
    }
    const Bytes threeOfFour{0xF0, 0x9F, 0x98};
    EXPECT_EQ(Utf8Decode(threeOfFour.data(), 3, out, 8).consumed, 0);
}

TEST(Utf8Encoding, OutputLimitsStopBeforeAWholeCharacter) {
    const Units units{u'a', 0xD83D, 0xDE00, u'b'};
    std::uint8_t bytes[8] = {};
    // 'a' fits, the 4-byte character does not fit in 3 more bytes.
    auto r = Utf8Encode(units.data(), Size(units), bytes, 4);
    EXPECT_EQ(r.consumed, 1);
    EXPECT_EQ(r.produced, 1);
    r = Utf8Encode(units.data(), Size(units), bytes, 5);
    EXPECT_EQ(r.consumed, 3);
    EXPECT_EQ(r.produced, 5);

    const Bytes encoded{0x61, 0xF0, 0x9F, 0x98, 0x80};
    char16_t out[4] = {};
    r = Utf8Decode(encoded.data(), Size(encoded), out, 2);  // no room for the pair
    EXPECT_EQ(r.consumed, 1);
    EXPECT_EQ(r.produced, 1);
    EXPECT_EQ(Utf8Decode(encoded.data(), Size(encoded), out, -5).consumed, 0);
    EXPECT_EQ(Utf8Encode(units.data(), -1, bytes, 8).consumed, 0);
}

// Random text, cut at every buffer size: the result is always a prefix of the full
// conversion, measuring agrees with writing, and nothing is written past the limit
// (the sanitizer build checks the last point).
TEST(Utf8Encoding, AnyLimitGivesAPrefixOfTheFullConversion) {
    std::mt19937 rng(1234);
    std::uniform_int_distribution<int> pick(0, 5);
    Units units;
    for (int i = 0; i < 300; ++i) {
        const char16_t choices[] = {u'x', 0xE9, 0x4E2D, 0xD800, 0xDC00, 0xFFFF};
        units.push_back(choices[pick(rng)]);
    }
    const Bytes full = Encode(units);
    EXPECT_EQ(Utf8Encode(units.data(), Size(units), nullptr, 0).produced, Size(full));
    for (int32_t limit = 0; limit <= Size(full); ++limit) {
        Bytes out(limit + 1);  // never empty: a null buffer would mean "measure"
        auto r = Utf8Encode(units.data(), Size(units), out.data(), limit);
        ASSERT_LE(r.produced, limit);
        ASSERT_GT(r.produced + 4, limit);
        ASSERT_TRUE(std::equal(out.begin(), out.begin() + r.produced, full.begin()));
        ASSERT_EQ(Utf8Encode(units.data(), r.consumed, nullptr, 0).produced, r.produced);
    }

    Bytes noise(400);
    for (auto& b : noise) {
        b = static_cast<std::uint8_t>(rng() % 0xF8);  // no stopping leads
    }
    noise.back() = 0x20;
    auto whole = Utf8Decode(noise.data(), Size(noise), nullptr, 0);
    Units decoded(whole.produced);
    ASSERT_EQ(Utf8Decode(noise.data(), Size(noise), decoded.data(), whole.produced).consumed,
              whole.consumed);
    for (int32_t limit = 0; limit <= whole.produced; ++limit) {
        Units out(limit + 1);
        auto r = Utf8Decode(noise.data(), Size(noise), out.data(), limit);
        ASSERT_LE(r.produced, limit);
        ASSERT_GE(r.produced + 2, limit);
        ASSERT_TRUE(std::equal(out.begin(), out.begin() + r.produced, decoded.begin()));
    }
}

TEST(AsciiEncoding, LossByteReplacesOrStops) {
    const Units units{u'a', 0x7F, 0x80, u'b'};
    std::uint8_t out[4] = {};
    auto r = AsciiEncode(units.data(), 4, '?', out, 4);
    EXPECT_EQ(r.consumed, 4);
    EXPECT_EQ(Bytes(out, out + 4), (Bytes{'a', 0x7F, '?', 'b'}));
    r = AsciiEncode(units.data(), 4, 0, out, 4);
    EXPECT_EQ(r.consumed, 2);
    EXPECT_EQ(AsciiEncode(units.data(), 4, '?', out, 3).consumed, 3);
    EXPECT_EQ(AsciiEncode(units.data(), 4, 0, nullptr, 0).produced, 2);

    const Bytes bytes{0x41, 0x80, 0xFF};
    char16_t decoded[3];
    EXPECT_EQ(AsciiDecode(bytes.data(), 3, decoded, 2).consumed, 2);
    AsciiDecode(bytes.data(), 3, decoded, 3);
    EXPECT_EQ(Units(decoded, decoded + 3), (Units{0x41, 0x80, 0xFF}));
}

// The encoding objects as strings use them: singletons, sizes, and the string factory's
// refusal of bytes that do not decode.
TEST(EncodingObjects, SingletonsAndStringsFromBytes) {
    kvfoundation::base::AutoReleasePool pool;
    using kvfoundation::util::ASCII;
    using kvfoundation::util::UTF8;
    EXPECT_EQ(UTF8::Instance(), UTF8::Instance());
    EXPECT_EQ(UTF8::Instance()->MaxBytes(5), 15);
    EXPECT_EQ(UTF8::Instance()->MaxBytes(-5), 0);
    EXPECT_EQ(ASCII::Instance()->MaxBytes(5), 5);
    EXPECT_TRUE(UTF8::Instance()->IsAsciiCompatible() && ASCII::Instance()->IsAsciiCompatible());

    const char16_t smile[] = {0xD83D, 0xDE00};
    std::uint8_t bytes[4];
    int32_t used = 0;
    EXPECT_EQ(UTF8::Instance()->Encode(smile, 2, '?', bytes, 4, &used), 2);
    EXPECT_EQ(used, 4);
    EXPECT_EQ(ASCII::Instance()->Encode(smile, 2, '?', bytes, 4, &used), 2);
    EXPECT_EQ(Bytes(bytes, bytes + used), (Bytes{'?', '?'}));

    auto message = [](const char* text, int32_t length) {
        try {
            kvfoundation::data::CreateStringFromBytes(text, length, UTF8::Instance());
        } catch (const kvfoundation::base::KVIllegalArgument& e) {
            return std::string(e.Message()->CString());
        }
        return std::string("<no exception>");
    };
    EXPECT_EQ(message("a\xC3", 2), "Unable to decode characters");
    EXPECT_EQ(message("ab\xF8", 3), "Unable to decode characters");
    EXPECT_EQ(message("a", -1), "length < 0");
    auto* text = kvfoundation::data::CreateStringFromBytes("\xF0\x9F\x98\x80", 4, UTF8::Instance());
    EXPECT_EQ(Units(text->Characters(), text->Characters() + text->Length()),
              (Units{0xD83D, 0xDE00}));
}

}  // namespace
