#include <gtest/gtest.h>

#include "CompareText.h"
#include "TextCodec.h"

using namespace platform;

TEST(TextCodec, ChineseRoundTripsThroughCodePage936) {
    const std::string text = "海川微信支付收银系统 1.0.5";
    std::string gbk = Utf8ToGbk(text);
    EXPECT_EQ(gbk.substr(0, 2), "\xBA\xA3");  // 海
    EXPECT_EQ(gbk.size(), 10u * 2 + 6);
    EXPECT_EQ(GbkToUtf8(gbk), text);
}

TEST(TextCodec, WhatCodePage936CannotHoldBecomesQuestionMark) {
    EXPECT_EQ(ThroughGbk("a€b😀c"), "a€b?c");    // the euro is in the code page, the emoji not
    EXPECT_EQ(Utf8ToGbk("x\xE6\xB5y"), "x?y");  // a broken sequence costs one "?"
    EXPECT_EQ(GbkToUtf8("ok\xFF"), "ok?");
    EXPECT_EQ(GbkToUtf8("\x81"), "?");  // a lone lead byte at the end
}

// A reply or a name from outside is UTF-8 only when every sequence is well-formed: anything else is
// read as code page 936.
TEST(TextCodec, OnlyWellFormedUtf8IsTakenAsUtf8) {
    EXPECT_EQ(Utf8OrGbkToUtf8("ok 升级 😀"), "ok 升级 😀");
    EXPECT_EQ(Utf8OrGbkToUtf8("\xC9\xFD\xBC\xB6"), "升级");
    for (const char* malformed : {"\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80",
                                  "\xF8\x88\x80\x80\x80", "\xE5\x8D", "\x80"}) {
        EXPECT_FALSE(IsUtf8(malformed)) << ::testing::PrintToString(std::string(malformed));
    }
}

namespace {

// lower sorts before higher, in both directions of the comparison.
struct Ordering {
    const char* name;
    const char* lower;
    const char* higher;
};

class CompareText : public ::testing::TestWithParam<Ordering> {};

TEST_P(CompareText, OrdersAsTheTillsAlwaysHave) {
    const Ordering& o = GetParam();
    EXPECT_LT(CompareTextIgnoreCase(o.lower, o.higher), 0) << o.lower << " < " << o.higher;
    EXPECT_GT(CompareTextIgnoreCase(o.higher, o.lower), 0) << o.higher << " > " << o.lower;
    EXPECT_EQ(CompareTextIgnoreCase(o.lower, o.lower), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, CompareText,
    ::testing::Values(
        Ordering{"PunctuationBeforeLetters", "app_id", "appid"},
        Ordering{"DigitsBeforeLetters", "a1", "aa"},
        Ordering{"ALongerTextSortsAfter", "1.0.5", "1.0.5.1"},
        Ordering{"PatchVersion", "1.0.5", "1.0.6"}, Ordering{"MinorVersion", "1.0.5", "1.1"},
        Ordering{"MajorVersion", "1.0.5", "2.0"},
        Ordering{"ByCharacterNotByNumber", "1.0.10", "1.0.5"},
        Ordering{"OlderPatch", "1.0.4", "1.0.5"}, Ordering{"ABlankTakesPart", " 1.0.6", "1.0.5"},
        Ordering{"LettersBeforeChinese", "Zeta", "收银"},
        Ordering{"UnderscoreBeforeLetters", "out_trade_no", "outtradeno"},
        Ordering{"SignatureNames", "appid", "auth_code"},
        Ordering{"HyphenOnlyBetweenEqualTexts", "coop", "co-op"},
        Ordering{"NoJoinerBeforeATrailingHyphen", "ab", "ab-"},
        Ordering{"ALaterJoinerSortsFirst", "ab-", "a'b"},
        Ordering{"ApostropheBeforeHyphen", "a'b", "a-b"},
        Ordering{"AHyphenedSuffixAfterAPointRelease", "1.0.5.1", "1.0.5-beta"},
        Ordering{"AHyphenedSuffixAfterALetter", "1.0.5a", "1.0.5-beta"},
        Ordering{"AHyphenedSuffixIsNewer", "1.0.5", "1.0.5-beta"},
        Ordering{"TildeBeforePlus", "a~", "a+"}, Ordering{"PlusLessEqualsGreater", "a+<", "a<="},
        Ordering{"GreaterBeforeDigits", "a>", "a0"},
        Ordering{"OtherPunctuationKeepsItsOrder", "a!", "a~"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace

TEST(CompareTextCase, IsIgnored) {
    EXPECT_EQ(CompareTextIgnoreCase("VER", "ver"), 0);
    EXPECT_EQ(CompareTextIgnoreCase("Co-Op", "co-op"), 0);
}
