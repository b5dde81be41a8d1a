// The formatter: its own conversions, the C conversions against the C runtime, the bounded
// runtime buffer, and the exact failure messages.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

#include "kvfoundation/base/AutoReleasePool.h"
#include "kvfoundation/base/KVIllegalArgument.h"
#include "kvfoundation/base/KVOutOfRange.h"
#include "kvfoundation/base/KVRefCountT.h"
#include "kvfoundation/data/Factories.h"
#include "kvfoundation/util/Format.h"

namespace {

using kvfoundation::base::AutoReleasePool;
using kvfoundation::base::KVIllegalArgument;
using kvfoundation::base::KVOutOfRange;
using kvfoundation::data::IKVString;
using kvfoundation::util::AppendFormat;
using kvfoundation::util::Format;

std::u16string Units(const IKVString* s) {
    return s == nullptr ? u"<null>" : std::u16string(s->Characters(), s->Length());
}

std::u16string Widen(const std::string& ascii) {
    return std::u16string(ascii.begin(), ascii.end());
}

// The message of the KVIllegalArgument that `call` raises.
template <typename Call>
std::u16string IllegalArgumentMessage(Call call) {
    try {
        call();
    } catch (const KVIllegalArgument& e) {
        return Units(e.Message());
    }
    return u"<no exception>";
}

// What the C runtime prints, cut to the formatter's 255 characters.
template <typename Value>
std::u16string Runtime(const char* spec, Value value) {
    static char big[8192];
    const int n = std::snprintf(big, sizeof big, spec, value);
    return Widen(std::string(big, n < 255 ? n : 255));
}

class FormatterTest : public ::testing::Test {
    AutoReleasePool pool_;
};

TEST_F(FormatterTest, LiteralTextAndPercentSigns) {
    EXPECT_EQ(Units(Format("%d%%", 5)), u"5%");
    EXPECT_EQ(Units(Format("no conversions")), u"no conversions");
    EXPECT_EQ(Units(Format("")), u"");
    // A string format passes its code units through untouched.
    IKVString* format = kvfoundation::data::CreateString(u"\u00e9\u4e2d %d \U0001F600", 8);
    EXPECT_EQ(Units(Format(format, 42)), u"\u00e9\u4e2d 42 \U0001F600");
}

TEST_F(FormatterTest, ObjectAndStringConversions) {
    IKVString* text = kvfoundation::data::CreateString(u"caf\u00e9", 4);
    EXPECT_EQ(Units(Format("[%@]", text)), u"[caf\u00e9]");
    EXPECT_EQ(Units(Format("[%@]", static_cast<IKVString*>(nullptr))), u"[(null)]");
    EXPECT_EQ(Units(Format("[%@]", kvfoundation::data::CreateInt32(-7))), u"[-7]");

    EXPECT_EQ(Units(Format("%s|%s", "ab", static_cast<const char*>(nullptr))), u"ab|(null)");
    EXPECT_EQ(Units(Format("%s", "\xE9")), u"\u00e9");  // each byte one code unit
    EXPECT_EQ(Units(Format("%S|%S", u"\u03c0\U0001F600", static_cast<const char16_t*>(nullptr))),
              u"\u03c0\U0001F600|(null)");
    EXPECT_EQ(Units(Format("%c%C", 0x141, 0x1263A)), u"A\u263a");
    EXPECT_EQ(Units(Format("%c", 0)), std::u16string(1, u'\0'));
    // Width, precision and flags do nothing for these.
    EXPECT_EQ(Units(Format("%-10.1s|%08S|%5c|%+@", "xyz", u"w", 'q', text)), u"xyz|w|q|caf\u00e9");
}

TEST_F(FormatterTest, CConversionsMatchTheRuntime) {
    for (const char* spec : {"%d", "%5d", "%-5d", "%05d", "%+d", "% d", "%i", "%x", "%#X", "%o",
                             "%#o", "%u", "%.3d", "%hd", "%hhu", "%hx"}) {
        for (int value : {0, 7, -42, 70000, INT_MAX, INT_MIN}) {
            EXPECT_EQ(Units(Format(spec, value)), Runtime(spec, value)) << spec << " " << value;
        }
    }
    EXPECT_EQ(Units(Format("%ld", LONG_MIN)), Runtime("%ld", LONG_MIN));
    EXPECT_EQ(Units(Format("%lld", LLONG_MAX)), Runtime("%lld", LLONG_MAX));
    EXPECT_EQ(Units(Format("%llllx", -1LL)), u"ffffffffffffffff");  // extra l letters accepted
    for (const char* spec :
         {"%f", "%.3f", "%e", "%E", "%g", "%G", "%10.4g", "%-12.2e|", "%+f", "%#.0f", "%012.3f"}) {
        for (double value : {0.0, -1.5, 3.14159265358979, 1e300, 6.02e-23}) {
            EXPECT_EQ(Units(Format(spec, value)), Runtime(spec, value)) << spec << " " << value;
        }
    }
    int local = 0;
    EXPECT_EQ(Units(Format("%p", &local)), Runtime("%p", static_cast<void*>(&local)));
    EXPECT_EQ(Units(Format("%#p", &local)), Runtime("%#p", static_cast<void*>(&local)));
    EXPECT_EQ(Units(Format("%p", static_cast<void*>(nullptr))), u"(null)");
    EXPECT_EQ(
        Units(Format("%d %s %f %@ %c", 1, "two", 3.0, kvfoundation::data::Literal("four"), '5')),
        u"1 two 3.000000 four 5");
}

// The runtime call writes into 256 bytes; huge widths and precisions must neither overflow
// nor take long, and still give the first 255 characters the runtime would.
TEST_F(FormatterTest, RuntimeOutputIsCutAt255Characters) {
    EXPECT_EQ(Units(Format("%300d", 5)), std::u16string(255, u' '));
    EXPECT_EQ(Units(Format("%-300d|", 5)), u"5" + std::u16string(254, u' ') + u"|");
    EXPECT_EQ(Units(Format("%0999999999999d", -3)), u"-" + std::u16string(254, u'0'));
    EXPECT_EQ(Units(Format("%.999999999999d", 3)), std::u16string(255, u'0'));
    EXPECT_EQ(Units(Format("%2100.1500f", 1e300)), Runtime("%2100.1500f", 1e300));
    EXPECT_EQ(Units(Format("%-2100.1500f", 1e300)), Runtime("%-2100.1500f", 1e300));
    EXPECT_EQ(Units(Format("%.3000e", 1.0 / 3)), Runtime("%.3000e", 1.0 / 3));
    EXPECT_EQ(Units(Format("%.3000f", 5e-324)), Runtime("%.3000f", 5e-324));
}

TEST_F(FormatterTest, LongResultsGrowPastTheInlineBuffer) {
    const std::u16string long16(70000, u'\u00e9');
    IKVString* result = Format("<%S>%d", long16.c_str(), 9);
    EXPECT_EQ(Units(result), u"<" + long16 + u">9");
}

TEST_F(FormatterTest, SpecificationErrorsHaveExactMessages) {
    EXPECT_EQ(IllegalArgumentMessage([] { Format("%*d", 3, 4); }),
              u"'*' not supported as field width");
    EXPECT_EQ(IllegalArgumentMessage([] { Format("%-*d", 3, 4); }),
              u"'*' not supported as field width");
    EXPECT_EQ(IllegalArgumentMessage([] { Format("%.*f", 3, 4.0); }),
              u"'*' not supported as field precision");
    for (const char* bad : {"%q", "%n", "%Lf", "%lq", "%5", "abc %-", "%.", "%ll",
                            "%12345678901234d", "%1.234567890123d", "%hhhhhhhhhhhhhhd"}) {
        EXPECT_EQ(IllegalArgumentMessage([bad] { Format(bad, 1); }), u"Invalid format spec") << bad;
    }
    // Fifteen characters are still a specification.
    EXPECT_EQ(Units(Format("%1234567890123d", 1)).size(), 255u);
    EXPECT_EQ(Units(Format("%hhhhhhhhhhhhhd", 1)), u"1");
}

TEST_F(FormatterTest, LonePercentAtTheEndIsAnIndexError) {
    try {
        Format("abc%");
        FAIL() << "no exception";
    } catch (const KVOutOfRange& e) {
        EXPECT_EQ(Units(e.Message()), u"index out of bounds 4  [0:4]");
    }
    EXPECT_THROW(Format(kvfoundation::data::CreateString(u"%", 1)), KVOutOfRange);
}

TEST_F(FormatterTest, AppendFormatAppendsOrLeavesTheTargetAlone) {
    kvfoundation::data::IKVMutableString* target = kvfoundation::data::CreateMutableString(0);
    target->Append(u"x=", 2);
    AppendFormat(target, "%d, %@", 10, kvfoundation::data::Literal("ok"));
    EXPECT_EQ(Units(target), u"x=10, ok");
    EXPECT_THROW(AppendFormat(target, "%d then %q", 1), KVIllegalArgument);
    EXPECT_EQ(Units(target), u"x=10, ok");
}

}  // namespace
