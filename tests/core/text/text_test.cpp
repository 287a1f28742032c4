#include "text/cp1251.h"
#include "text/number_format.h"

#include <gtest/gtest.h>

using namespace vorsan;

TEST(Cp1251, EveryByteRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    const auto back = utf8ToCp1251(cp1251ToUtf8(all));
    EXPECT_TRUE(back.ok());
    EXPECT_EQ(back.bytes, all);
}

TEST(Cp1251, KnownLetters) {
    EXPECT_EQ(cp1251ToUtf8("\xC2\xCE\xD0\xD1\xC0\xCD"), "ВОРСАН");
    EXPECT_EQ(cp1251ToUtf8("\xB8\xA8\xB9"), "ёЁ№");
    EXPECT_EQ(utf8ToCp1251("Куст12").bytes, "\xCA\xF3\xF1\xF2" "12");
}

TEST(Cp1251, UnmappableCharacterIsReplacedAndReported) {
    const auto r = utf8ToCp1251("a\xE2\x82\xACz\xE4\xB8\xAD");  // "a€z中": € exists, 中 does not
    EXPECT_EQ(r.bytes, "a\x88z?");
    EXPECT_EQ(r.replaced, 1u);
    EXPECT_FALSE(r.ok());
}

TEST(Cp1251, MalformedUtf8IsReportedNotDropped) {
    const auto r = utf8ToCp1251("ab\xD0");  // truncated two-byte sequence
    EXPECT_TRUE(r.invalidUtf8);
    EXPECT_EQ(r.bytes, "ab?");
}

TEST(Utf8, LengthLeftUpper) {
    EXPECT_EQ(utf8Length("Куст"), 4u);
    EXPECT_EQ(utf8Left("Куст", 2), "Ку");
    EXPECT_EQ(utf8ToUpper("самотлор ёж abc"), "САМОТЛОР ЁЖ ABC");
}

TEST(NumberFormat, FixedUsesCallersSeparator) {
    EXPECT_EQ(formatFixed(12.34, 1, ','), "12,3");
    EXPECT_EQ(formatFixed(12.34, 1, '.'), "12.3");
    EXPECT_EQ(formatFixed(-0.01, 1, ','), "0,0");
    EXPECT_EQ(formatFixed(7, 0, ','), "7");
}

TEST(NumberFormat, GeneralIsShortest) {
    EXPECT_EQ(formatGeneral(0.1, ','), "0,1");
    EXPECT_EQ(formatGeneral(100, ','), "100");
    EXPECT_EQ(formatGeneral(0.857, ','), "0,857");
    EXPECT_EQ(formatGeneral(-2.5, '.'), "-2.5");
    EXPECT_EQ(formatGeneral(0, ','), "0");
}

TEST(NumberFormat, ParseAcceptsPointAndComma) {
    EXPECT_DOUBLE_EQ(*parseDecimal("12,5"), 12.5);
    EXPECT_DOUBLE_EQ(*parseDecimal(" 12.5 "), 12.5);
    EXPECT_FALSE(parseDecimal("12,5x").has_value());
    EXPECT_FALSE(parseDecimal("").has_value());
}
