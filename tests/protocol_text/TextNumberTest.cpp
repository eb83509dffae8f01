// The number rules every entry field and status display relies on.
#include <gtest/gtest.h>

#include <string>

#include "TextNumber.h"

using namespace TextNumber;

TEST(TextNumberInt, ReadsTheDecimalPrefixAsTheEntryFieldsDo)
{
    EXPECT_EQ(ParseInt("123"), 123);
    EXPECT_EQ(ParseInt("  -42abc"), -42);
    EXPECT_EQ(ParseInt("\t+7"), 7);
    EXPECT_EQ(ParseInt("12.9"), 12);  // a prefix, never rounded
    EXPECT_EQ(ParseInt(""), 0);
    EXPECT_EQ(ParseInt("abc"), 0);
    EXPECT_EQ(ParseInt("-"), 0);
    EXPECT_EQ(ParseInt("x5"), 0);
    EXPECT_EQ(ParseInt("- 5"), 0);  // the sign must touch the digits
}

TEST(TextNumberInt, SaturatesInsteadOfOverflowing)
{
    EXPECT_EQ(ParseInt("2147483647"), 2147483647);
    EXPECT_EQ(ParseInt("2147483648"), 2147483647);
    EXPECT_EQ(ParseInt("-2147483648"), -2147483647 - 1);
    EXPECT_EQ(ParseInt("-99999999999999999999999999"), -2147483647 - 1);
    EXPECT_EQ(ParseInt(std::string(5000, '9')), 2147483647);
}

TEST(TextNumberInt, SendsTheLow16Bits)
{
    EXPECT_EQ(ParseU16("70000"), 4464);
    EXPECT_EQ(ParseU16("-1"), 0xFFFF);
    EXPECT_EQ(ParseU16("65535"), 0xFFFF);
    EXPECT_EQ(ParseU16("65536"), 0);
    EXPECT_EQ(ParseU16("-32768"), 0x8000);
}

TEST(TextNumberHex, AcceptsAnOptionalPrefixAndLeavesTheValueWhenNothingParses)
{
    uint32_t v = 77;
    EXPECT_TRUE(ParseHex("1a", v));
    EXPECT_EQ(v, 0x1Au);
    EXPECT_TRUE(ParseHex("  0x1F", v));
    EXPECT_EQ(v, 0x1Fu);
    EXPECT_TRUE(ParseHex("0X3f800000", v));
    EXPECT_EQ(v, 0x3F800000u);
    EXPECT_TRUE(ParseHex("FFFFg", v));
    EXPECT_EQ(v, 0xFFFFu);
    EXPECT_TRUE(ParseHex("0x", v));  // the zero before the x is a number
    EXPECT_EQ(v, 0u);

    v = 77;
    EXPECT_FALSE(ParseHex("", v));
    EXPECT_FALSE(ParseHex("zz", v));
    EXPECT_FALSE(ParseHex("x5", v));
    EXPECT_FALSE(ParseHex("   ", v));
    EXPECT_EQ(v, 77u);
}

TEST(TextNumberHex, SaturatesLongTexts)
{
    uint32_t v = 0;
    EXPECT_TRUE(ParseHex("123456789", v));
    EXPECT_EQ(v, 0xFFFFFFFFu);
    EXPECT_TRUE(ParseHex(std::string(3000, 'f'), v));
    EXPECT_EQ(v, 0xFFFFFFFFu);
}

// Fields that would send a value the user never gave are refused: "no number"
// must be told from "0".
TEST(TextNumberPresence, TellsNoNumberFromZero)
{
    EXPECT_TRUE(HasInteger(" -0"));
    EXPECT_FALSE(HasInteger(""));
    EXPECT_FALSE(HasInteger("+"));
    EXPECT_FALSE(HasInteger("- 1"));
    EXPECT_TRUE(HasDecimal(".5"));
    EXPECT_TRUE(HasDecimal("-.5"));
    EXPECT_FALSE(HasDecimal("."));
    EXPECT_FALSE(HasDecimal("ms"));
    EXPECT_TRUE(HasHex(" 0xF"));
    EXPECT_TRUE(HasHex("0"));
    EXPECT_TRUE(HasHex("a"));
    EXPECT_FALSE(HasHex("0x"));  // although ParseHex reads it as 0
    EXPECT_FALSE(HasHex("0xg"));
    EXPECT_FALSE(HasHex("g"));
}

TEST(TextNumberScaled, ScalesOnTheDecimalDigitsNotThroughADouble)
{
    // Each of these goes wrong through a binary double (2.01 * 100 = 200.99...).
    EXPECT_EQ(ParseScaled("2.01", 2), 201);
    EXPECT_EQ(ParseScaled("2.0105", 3), 2010);
    EXPECT_EQ(ParseScaled("12.34", 2), 1234);
    EXPECT_EQ(ParseScaled("0.29", 2), 29);
    EXPECT_EQ(ParseScaled("4.35", 2), 435);
    EXPECT_EQ(ParseScaled("1.005", 3), 1005);
    EXPECT_EQ(ParseScaled("0.1", 1), 1);
}

TEST(TextNumberScaled, TruncatesTowardZeroAndKeepsTheSign)
{
    EXPECT_EQ(ParseScaled("1.999", 2), 199);
    EXPECT_EQ(ParseScaled("-1.999", 2), -199);
    EXPECT_EQ(ParseScaled("-0.5", 3), -500);
    EXPECT_EQ(ParseScaled("-0.0001", 3), 0);
    EXPECT_EQ(ParseScaled("5", 3), 5000);
    EXPECT_EQ(ParseScaled("5.", 1), 50);
    EXPECT_EQ(ParseScaled(".5", 1), 5);
    EXPECT_EQ(ParseScaled(" +3.25V", 2), 325);
    EXPECT_EQ(ParseScaled("1.2.3", 1), 12);
    EXPECT_EQ(ParseScaled("7.9", 0), 7);
}

TEST(TextNumberScaled, NoDigitsGivesZero)
{
    EXPECT_EQ(ParseScaled("", 2), 0);
    EXPECT_EQ(ParseScaled("abc", 2), 0);
    EXPECT_EQ(ParseScaled("-", 2), 0);
    EXPECT_EQ(ParseScaled(".", 2), 0);
    EXPECT_EQ(ParseScaled("-.", 2), 0);
}

TEST(TextNumberScaled, NarrowsToTheRegisterModulo65536)
{
    EXPECT_EQ(ParseScaledU16("-0.5", 3), 65036);
    EXPECT_EQ(ParseScaledU16("70000", 0), 4464);
    EXPECT_EQ(ParseScaledU16("7000.0", 1), 4464);
    EXPECT_EQ(ParseScaledU16("6553.5", 1), 65535);
    EXPECT_EQ(ParseScaledU16("-1", 2), static_cast<uint16_t>(-100));
}

TEST(TextNumberScaled, OverflowingTextsSaturate)
{
    const int64_t max = INT64_MAX;
    const int64_t min = INT64_MIN;
    EXPECT_EQ(ParseScaled("9223372036854775807", 0), max);
    EXPECT_EQ(ParseScaled("9223372036854775808", 0), max);
    EXPECT_EQ(ParseScaled("-9223372036854775808", 0), min);
    EXPECT_EQ(ParseScaled("-9223372036854775809", 0), min);
    EXPECT_EQ(ParseScaled("99999999999999999999.5", 4), max);
    EXPECT_EQ(ParseScaled(std::string(10000, '9'), 4), max);
    EXPECT_EQ(ParseScaled("-" + std::string(10000, '9'), 4), min);
    EXPECT_EQ(ParseScaled("1", 1000000), max);  // absurd factor: saturate, quickly
    EXPECT_EQ(ParseScaled("0.000", 1000000), 0);
    EXPECT_EQ(ParseScaled("123", -1), 12);  // a negative factor divides, truncating
    EXPECT_EQ(ParseScaled("123", -1000000), 0);
    EXPECT_EQ(ParseScaledU16(std::string(100, '9'), 2), static_cast<uint16_t>(max & 0xFFFF));
}

TEST(TextNumberFormat, UsesPrintfFormats)
{
    EXPECT_EQ(Format("0x%02X", 31), "0x1F");
    EXPECT_EQ(Format("%.1f%%", 12.5), "12.5%");
    EXPECT_EQ(Format("%d.%02d", 2, 3), "2.03");
    EXPECT_EQ(Format("%.3fV", -1.5), "-1.500V");
    EXPECT_EQ(Format("%s", ""), "");
    const std::string longText(1000, 'a');
    EXPECT_EQ(Format("<%s>", longText.c_str()), "<" + longText + ">");
}
