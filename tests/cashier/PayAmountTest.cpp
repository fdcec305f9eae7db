#include <gtest/gtest.h>

#include "PayAmount.h"
#include "QzErrors.h"

TEST(YuanToFen, ReadsTheTypedTextExactly) {
    EXPECT_EQ(YuanToFen("12.34"), "1234");
    EXPECT_EQ(YuanToFen("0.1"), "10");
    EXPECT_EQ(YuanToFen("12"), "1200");
    EXPECT_EQ(YuanToFen("0"), "0");
    EXPECT_EQ(YuanToFen("25.5"), "2550");
    EXPECT_EQ(YuanToFen("12."), "1200");
    EXPECT_EQ(YuanToFen(".5"), "50");
    EXPECT_EQ(YuanToFen("007.10"), "710");
    EXPECT_EQ(YuanToFen(" 3.5 "), "350");
    EXPECT_EQ(YuanToFen("-1.5"), "-150");
    EXPECT_EQ(YuanToFen("1e2"), "10000");
    // Binary floating point would make these 1.15 * 100 = 114.99999... or 0.29 * 100 = 28.999...
    EXPECT_EQ(YuanToFen("1.15"), "115");
    EXPECT_EQ(YuanToFen("0.29"), "29");
    EXPECT_EQ(YuanToFen("99999999999.99"), "9999999999999");
    EXPECT_EQ(YuanToFen("92233720368547758.07"), "9223372036854775807");
    EXPECT_EQ(YuanToFen("-92233720368547758.08"), "-9223372036854775808");
}

TEST(YuanToFen, RoundsToTheNearestWithAnExactHalfToEven) {
    EXPECT_EQ(YuanToFen("1.234"), "123");  // 1234 with a point typed after the first digit
    EXPECT_EQ(YuanToFen("1.235"), "124");
    EXPECT_EQ(YuanToFen("1.225"), "122");
    EXPECT_EQ(YuanToFen("1.2251"), "123");
    EXPECT_EQ(YuanToFen("0.005"), "0");
    EXPECT_EQ(YuanToFen("0.015"), "2");
    EXPECT_EQ(YuanToFen("0.0049999"), "0");
    EXPECT_EQ(YuanToFen("-0.001"), "0");
    EXPECT_EQ(YuanToFen("1e-9"), "0");
}

TEST(YuanToFen, RefusesWhatIsNoNumberOrDoesNotFit) {
    for (const char* text : {"", " ", ".", "1..", "1.2.3", "12,50", "1e", "abc", "--1", "1 2"}) {
        EXPECT_THROW(YuanToFen(text), Exception) << text;
    }
    try {
        YuanToFen("1..");
        FAIL();
    } catch (const Exception& e) {
        EXPECT_STREQ(e.what(), "'1..' is not a valid floating point value");
    }
    EXPECT_THROW(YuanToFen("92233720368547758.08"), Exception);
    EXPECT_THROW(YuanToFen("1e999999999999"), Exception);
    EXPECT_EQ(YuanToFen("0e999999999999"), "0");
}

TEST(FenAmounts, ReadAsIntegersAndShownWithTwoDecimals) {
    EXPECT_EQ(ReplyInteger("1000"), 1000);
    EXPECT_EQ(ReplyInteger("  -5"), -5);
    EXPECT_EQ(ReplyInteger("$10"), 16);
    for (const char* text : {"", "1.5", "10 ", "abc", "2147483648"}) {
        EXPECT_THROW(ReplyInteger(text), Exception) << text;
    }
    EXPECT_EQ(FenToYuan(1234), "12.34");
    EXPECT_EQ(FenToYuan(5), "0.05");
    EXPECT_EQ(FenToYuan(0), "0.00");
    EXPECT_EQ(FenToYuan(-100), "-1.00");
    EXPECT_EQ(FenToYuan(-5), "-0.05");
    EXPECT_EQ(FenToYuan(int64_t{2147483647} - int64_t{-2147483648}), "42949672.95");
}

TEST(AmountFilter, OnlyDigitsAPointAndBackspaceUpToTwoDecimals) {
    EXPECT_TRUE(AmountCharAllowed("", '1'));
    EXPECT_TRUE(AmountCharAllowed("", '.'));
    EXPECT_FALSE(AmountCharAllowed("", 'a'));
    EXPECT_FALSE(AmountCharAllowed("", '-'));
    EXPECT_FALSE(AmountCharAllowed("", U'\r'));
    EXPECT_FALSE(AmountCharAllowed("", U'１'));  // a full-width digit is no digit
    EXPECT_FALSE(AmountCharAllowed("1.", '.'));
    EXPECT_TRUE(AmountCharAllowed("1.2", '3'));
    EXPECT_FALSE(AmountCharAllowed("12.34", '5'));
    EXPECT_FALSE(AmountCharAllowed("12.34", '.'));
    EXPECT_TRUE(AmountCharAllowed("12.34", U'\b'));
    EXPECT_TRUE(AmountCharAllowed("1234", '.'));
}

TEST(ExternalAmount, TakenWithAtMostTwoDecimalsAndDigitsOnBothSidesOfThePoint) {
    for (const char* taken : {"12", "12.5", "12.50", "0.01", "", "1.."}) {
        EXPECT_TRUE(ExternalAmountAccepted(taken)) << taken;
    }
    for (const char* refused : {"12.345", "12.", ".5", ".", "1.2.3"}) {
        EXPECT_FALSE(ExternalAmountAccepted(refused)) << refused;
    }
}
