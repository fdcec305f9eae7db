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

TEST(CompareText, OrdersAsTheTillsAlwaysHave) {
    EXPECT_EQ(CompareTextIgnoreCase("VER", "ver"), 0);
    EXPECT_LT(CompareTextIgnoreCase("app_id", "appid"), 0);   // punctuation before letters
    EXPECT_LT(CompareTextIgnoreCase("a1", "aa"), 0);          // digits before letters
    EXPECT_LT(CompareTextIgnoreCase("1.0.5", "1.0.5.1"), 0);  // a longer text sorts after
    EXPECT_GT(CompareTextIgnoreCase("1.0.6", "1.0.5"), 0);
    EXPECT_GT(CompareTextIgnoreCase("1.1", "1.0.5"), 0);
    EXPECT_GT(CompareTextIgnoreCase("2.0", "1.0.5"), 0);
    EXPECT_LT(CompareTextIgnoreCase("1.0.10", "1.0.5"), 0);
    EXPECT_LT(CompareTextIgnoreCase("1.0.4", "1.0.5"), 0);
    EXPECT_LT(CompareTextIgnoreCase(" 1.0.6", "1.0.5"), 0);  // a blank takes part
    EXPECT_LT(CompareTextIgnoreCase("Zeta", "收银"), 0);
}
