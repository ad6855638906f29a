#include "forms/vbnum.h"

#include <gtest/gtest.h>

using namespace vbnum;

TEST(VbNum, RoundsHalvesToEven)
{
    EXPECT_EQ(roundHalfEven(0.5), 0);
    EXPECT_EQ(roundHalfEven(1.5), 2);
    EXPECT_EQ(roundHalfEven(2.5), 2);
    EXPECT_EQ(roundHalfEven(-2.5), -2);
    EXPECT_EQ(roundHalfEven(12.5), 12);
    EXPECT_EQ(roundHalfEven(2.6), 3);
    EXPECT_EQ(*toInt16(QStringLiteral("4.5")), 4);
    EXPECT_EQ(*toInt16(QStringLiteral("5.5")), 6);
}

TEST(VbNum, TextToNumberAcceptsNumbersOnly)
{
    EXPECT_EQ(*toDouble(QStringLiteral(" 1 ")), 1.0);
    EXPECT_EQ(*toDouble(QStringLiteral("-1")), -1.0);
    EXPECT_EQ(*toDouble(QStringLiteral("1.5")), 1.5);
    EXPECT_EQ(*toDouble(QStringLiteral("2,5")), 2.5);
    EXPECT_EQ(*toDouble(QStringLiteral("03")), 3.0);
    EXPECT_EQ(*toDouble(QStringLiteral("1e2")), 100.0);
    for (const char *bad : {"", "   ", "a", "1a", "1 2", "--1", "0x10", "nan", "inf", "1e999"})
        EXPECT_FALSE(toDouble(QString::fromLatin1(bad)).has_value()) << bad;
}

TEST(VbNum, IntegerConversionsOverflowToNothing)
{
    EXPECT_EQ(*toInt16(32767.0), 32767);
    EXPECT_FALSE(toInt16(32767.5).has_value()); // rounds to 32768
    EXPECT_EQ(*toInt16(-32768.0), -32768);
    EXPECT_FALSE(toInt16(40000.0).has_value());
    EXPECT_EQ(*toInt32(2147483647.0), 2147483647);
    EXPECT_FALSE(toInt32(3e9).has_value());
}

TEST(VbNum, ShortestDecimalText)
{
    EXPECT_EQ(toText(10), QStringLiteral("10"));
    EXPECT_EQ(toText(-1), QStringLiteral("-1"));
    EXPECT_EQ(toText(0), QStringLiteral("0"));
    EXPECT_EQ(toText(-0.0), QStringLiteral("0"));
    EXPECT_EQ(toText(2.5), QStringLiteral("2.5"));
    EXPECT_EQ(toText(0.1 + 0.2), QStringLiteral("0.30000000000000004"));
    EXPECT_EQ(*toDouble(toText(3.5 + 1)), 4.5);
}

TEST(VbNum, CheckValuesAreZeroOneTwoAfterRounding)
{
    EXPECT_EQ(*toCheckValue(QStringLiteral(" 1 ")), 1);
    EXPECT_EQ(*toCheckValue(QStringLiteral(" 0 ")), 0);
    EXPECT_EQ(*toCheckValue(QStringLiteral("2")), 2);
    EXPECT_EQ(*toCheckValue(QStringLiteral("1.5")), 2);
    EXPECT_EQ(*toCheckValue(QStringLiteral("2.5")), 2);
    EXPECT_EQ(*toCheckValue(QStringLiteral("0.5")), 0);
    for (const char *bad : {" 7 ", "-1", "3", "x", "", "2.6"})
        EXPECT_FALSE(toCheckValue(QString::fromLatin1(bad)).has_value()) << bad;
}
