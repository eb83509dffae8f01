// Float entry texts: what a typed pulse multiplier or correction factor puts
// on the line.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstdint>
#include <cstring>
#include <string>

#include "FloatText.h"

namespace {

uint32_t Bits(float f)
{
    uint32_t b;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

TEST(FloatText, ReadsTheDecimalPrefixLikeEveryNumberField)
{
    EXPECT_EQ(FloatText::Parse("1.5"), 1.5f);
    EXPECT_EQ(FloatText::Parse("  -0.25 V"), -0.25f);
    EXPECT_EQ(FloatText::Parse("+3."), 3.0f);
    EXPECT_EQ(FloatText::Parse(".5"), 0.5f);
    EXPECT_EQ(FloatText::Parse("12,5"), 12.0f);  // stops at the comma
    EXPECT_EQ(FloatText::Parse("1e5"), 100000.0f);
    EXPECT_EQ(FloatText::Parse("1.23457e+06"), 1234570.0f);  // a large gain as "%g" shows it
    EXPECT_EQ(FloatText::Parse("-2.5E-1x"), -0.25f);
    EXPECT_EQ(FloatText::Parse("7e"), 7.0f);  // no digits after e: not an exponent
    EXPECT_EQ(FloatText::Parse("7e+"), 7.0f);
    EXPECT_EQ(FloatText::Parse("1e999"), 3.40282347e38f);  // held at the largest float
    EXPECT_EQ(FloatText::Parse("-1e999"), -3.40282347e38f);
    EXPECT_EQ(Bits(FloatText::Parse("1e-999")), 0u);  // too small: zero, not the largest float
    EXPECT_EQ(Bits(FloatText::Parse("-1e-999")), 0u);
    EXPECT_EQ(Bits(FloatText::Parse("")), 0u);
    EXPECT_EQ(Bits(FloatText::Parse("abc")), 0u);
    EXPECT_EQ(Bits(FloatText::Parse("-")), 0u);
    EXPECT_EQ(Bits(FloatText::Parse(".")), 0u);
    EXPECT_EQ(Bits(FloatText::Parse("-0.000")), 0u);  // never a negative zero on the wire
}

TEST(FloatText, NarrowsToTheNearestFloat)
{
    EXPECT_EQ(FloatText::Parse("2.01"), 2.01f);
    EXPECT_EQ(FloatText::Parse("0.1"), 0.1f);
    // 2^24 + 1 lies between two floats: ties go to the even one, 2^24 + 3 up.
    EXPECT_EQ(FloatText::Parse("16777217"), 16777216.0f);
    EXPECT_EQ(FloatText::Parse("16777219"), 16777220.0f);
    // What "%f" shows of a float reads back as the same float.
    EXPECT_EQ(FloatText::Parse("12345.677734"), 12345.678f);
}

TEST(FloatText, HugeAndTinyTextsStayDefined)
{
    EXPECT_EQ(FloatText::Parse("340282346638528859811704183484516925440.000000"), FLT_MAX);
    EXPECT_EQ(FloatText::Parse("1" + std::string(60, '0')), FLT_MAX);
    EXPECT_EQ(FloatText::Parse("-" + std::string(400, '9')), -FLT_MAX);
    EXPECT_EQ(Bits(FloatText::Parse("0." + std::string(400, '0') + "1")), 0u);
}

}  // namespace
