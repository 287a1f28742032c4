#include "db/dbf_format.h"
#include "db/key_expression.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>

using namespace vorsan::db;

namespace {

// A valid two-field header (C(4), N(5,1)) with `rows` rows, as bytes.
std::vector<std::uint8_t> smallTable(std::uint32_t rows) {
    DbfHeader h;
    EXPECT_TRUE(buildDbfHeader({{"NAME", 'C', 4, 0}, {"VAL", 'N', 5, 1}}, 0x03, 0x00, 0xC9, h));
    h.recordCount = rows;
    stampDbfHeader(h, {2024, 5, 17});
    std::vector<std::uint8_t> b = h.raw;
    for (std::uint32_t i = 0; i < rows; ++i) {
        const char* row = " abcd 12.5";
        b.insert(b.end(), row, row + 10);
    }
    b.push_back(0x1A);
    return b;
}

} // namespace

TEST(DbfHeader, BuildsFoxProHeader) {
    const auto b = smallTable(2);
    EXPECT_EQ(b[0], 0x03);
    EXPECT_EQ(b[1], 124); // 2024 - 1900
    EXPECT_EQ(b[2], 5);
    EXPECT_EQ(b[3], 17);
    EXPECT_EQ(b[4], 2);
    EXPECT_EQ(b[8] | (b[9] << 8), 32 + 2 * 32 + 1);
    EXPECT_EQ(b[10] | (b[11] << 8), 10);
    EXPECT_EQ(b[29], 0xC9);
    EXPECT_EQ(b[32 + 2 * 32], 0x0D);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[32]), 4), "NAME");
    EXPECT_EQ(b[32 + 11], 'C');
    EXPECT_EQ(b[64 + 16], 5);
    EXPECT_EQ(b[64 + 17], 1);
    DbfHeader h;
    ASSERT_TRUE(parseDbfHeader(b, b.size(), h));
    ASSERT_EQ(h.fields.size(), 2u);
    EXPECT_EQ(h.offsets[1], 5u);
    EXPECT_EQ(h.recordCount, 2u);
}

TEST(DbfHeader, DamagedHeadersGiveClearErrors) {
    struct Case {
        const char* what;
        std::function<void(std::vector<std::uint8_t>&)> damage;
        DbError expected;
    };
    const std::vector<Case> cases = {
        {"truncated header", [](auto& b) { b.resize(20); }, DbError::BadHeader},
        {"header cut inside descriptors", [](auto& b) { b.resize(70); }, DbError::BadHeader},
        {"record count beyond the file", [](auto& b) { b[4] = 200; }, DbError::Truncated},
        {"huge record count", [](auto& b) { b[7] = 0xFF; }, DbError::Truncated},
        {"no terminator", [](auto& b) { b[96] = 'X'; }, DbError::BadFields},
        {"record length disagrees", [](auto& b) { b[10] = 11; }, DbError::BadFields},
        {"zero header length", [](auto& b) { b[8] = 0, b[9] = 0; }, DbError::BadHeader},
        {"unknown field type", [](auto& b) { b[32 + 11] = 'Z'; }, DbError::BadFields},
        {"zero field length", [](auto& b) { b[32 + 16] = 0; }, DbError::BadFields},
    };
    for (const Case& c : cases) {
        auto b = smallTable(3);
        c.damage(b);
        DbfHeader h;
        const DbStatus st = parseDbfHeader(b, b.size(), h);
        EXPECT_EQ(st.error, c.expected) << c.what << ": " << st.detail;
        EXPECT_FALSE(st.detail.empty()) << c.what;
    }
}

TEST(DbfValues, NumbersAreRightAlignedAndChecked) {
    struct Case {
        double v;
        int len, dec;
        const char* text; // nullptr: does not fit
    };
    // Decimals are rounded as the exact binary value lies: 12.25 and 2.5 are ties (to even), 0.15
    // and 1.005 lie below their apparent halves.
    const Case cases[] = {{12.5, 5, 1, " 12.5"},    {65535, 6, 0, " 65535"},    {-1, 6, 0, "    -1"},
                          {65535, 7, 1, "65535.0"}, {123456, 5, 0, nullptr},    {999.95, 5, 1, " 1000"},
                          {0, 3, 0, "  0"},         {1000.04, 7, 1, " 1000.0"}, {99999, 5, 1, "99999"},
                          {12.25, 5, 1, " 12.2"},   {0.15, 4, 1, " 0.1"},       {2.5, 3, 0, "  2"},
                          {3.5, 3, 0, "  4"},       {-7.25, 6, 1, "  -7.2"},    {1.005, 5, 2, " 1.00"},
                          {-0.04, 5, 1, " -0.0"},   {380, 7, 1, "  380.0"},     {10.3, 7, 1, "   10.3"},
                          {-65535, 7, 1, " -65535"}};
    for (const Case& c : cases) {
        char out[16] = {};
        const bool ok = formatNumericText(c.v, c.len, c.dec, out);
        if (!c.text) {
            EXPECT_FALSE(ok) << c.v;
            continue;
        }
        ASSERT_TRUE(ok) << c.v;
        EXPECT_EQ(std::string(out, static_cast<std::size_t>(c.len)), c.text) << c.v;
    }
    EXPECT_EQ(parseNumericText("   -1"), -1.0);
    EXPECT_EQ(parseNumericText("      "), 0.0);
    EXPECT_EQ(parseNumericText(" 12.50"), 12.5);
    EXPECT_FALSE(parseNumericText("*****").has_value());
}

TEST(DbfValues, DatesAndCalendar) {
    EXPECT_EQ(parseDateText("20240229"), (Date{2024, 2, 29}));
    EXPECT_TRUE(parseDateText("        ")->empty());
    EXPECT_FALSE(parseDateText("2024-2-1").has_value());
    EXPECT_TRUE(isCalendarDate(2024, 2, 29));
    EXPECT_FALSE(isCalendarDate(2023, 2, 29));
    EXPECT_FALSE(isCalendarDate(2024, 2, 31));
    EXPECT_FALSE(isCalendarDate(2100, 2, 29));
    EXPECT_TRUE(isCalendarDate(2000, 2, 29));
    EXPECT_EQ(julianDay({2000, 1, 1}), 2451545);
    EXPECT_EQ(julianDay({1995, 6, 12}), 2449881);
    char out[8];
    formatDateText({2007, 5, 9}, out);
    EXPECT_EQ(std::string(out, 8), "20070509");
}

TEST(KeyExpressions, NumericKeysOrderLikeNumbers) {
    const double values[] = {-1e9, -65535, -1, -0.5, 0, 0.25, 1, 21, 147.99, 65535, 1e12};
    std::uint8_t prev[8], cur[8];
    for (std::size_t i = 0; i < std::size(values); ++i) {
        encodeNumericKey(values[i], cur);
        EXPECT_DOUBLE_EQ(decodeNumericKey(cur), values[i]);
        if (i > 0) {
            EXPECT_LT(std::memcmp(prev, cur, 8), 0) << values[i];
        }
        std::memcpy(prev, cur, 8);
    }
    // The published samples: 21 -> c0 35 00.., 1995-06-12 (Julian day 2449881) -> c1 42 b0 ec 80 00 ..
    encodeNumericKey(21, cur);
    EXPECT_EQ(cur[0], 0xC0);
    EXPECT_EQ(cur[1], 0x35);
    encodeNumericKey(2449881, cur);
    const std::uint8_t want[8] = {0xC1, 0x42, 0xB0, 0xEC, 0x80, 0, 0, 0};
    EXPECT_EQ(std::memcmp(cur, want, 8), 0);
}

// STR() of the numbers tables hold, read from their texts: rounded half away from zero to no
// decimals, padded with zeros to more, asterisks when too wide; decimals that are not plain
// digits the way STR() of the number gives them.
TEST(KeyExpressions, StrOfStoredNumbers) {
    DbfHeader h;
    ASSERT_TRUE(buildDbfHeader({{"P", 'N', 9, 3}}, 0x03, 0x01, 0xC9, h));
    struct Case {
        const char* stored;
        const char* expr;
        const char* key;
    };
    const Case cases[] = {
        {"   12.500", "STR(P,5)", "   13"},     {"  -12.500", "STR(P,5)", "  -13"},
        {"   -0.400", "STR(P,5)", "    0"},     {"    9.500", "STR(P,1)", "*"},
        {"  999.500", "STR(P,3)", "***"},       {"  999.499", "STR(P,4)", " 999"},
        {"   12.300", "STR(P,8,3)", "  12.300"}, {"   12.3  ", "STR(P,7,3)", " 12.300"},
        {"   12.250", "STR(P,6,1)", "  12.2"},  {"    0.150", "STR(P,5,1)", "  0.1"},
        {"     0007", "STR(P,3)", "  7"},       {"         ", "STR(P,3)", "  0"},
        {"  1.5e2  ", "STR(P,4)", " 150"},
    };
    for (const Case& c : cases) {
        KeyExpression e;
        ASSERT_TRUE(e.compile(c.expr, h)) << c.expr;
        const std::string row = std::string(" ") + c.stored;
        std::string out(static_cast<std::size_t>(e.length()), '\0');
        e.evaluate(reinterpret_cast<const std::uint8_t*>(row.data()), reinterpret_cast<std::uint8_t*>(out.data()));
        EXPECT_EQ(out, c.key) << c.stored << " " << c.expr;
    }
}

TEST(KeyExpressions, CompilesAndEvaluatesTheSubsetUsed) {
    DbfHeader h;
    ASSERT_TRUE(buildDbfHeader({{"MESTO", 'C', 6, 0},
                                {"KUST", 'N', 5, 0},
                                {"DATA", 'D', 8, 0},
                                {"TIME", 'C', 8, 0},
                                {"P", 'N', 7, 1}},
                               0x03, 0x01, 0xC9, h));
    std::string row = " \xCD\xEE\xE2\xEE\xE5    12"
                      "20240301"
                      "07/05/09"
                      "   12.5";
    struct Case {
        const char* expr;
        KeyType type;
        std::string key;
    };
    const std::vector<Case> cases = {
        {"DTOS(DATA)+TIME", KeyType::Character, "2024030107/05/09"},
        {"dtos( data ) + time", KeyType::Character, "2024030107/05/09"},
        {"MESTO+STR(KUST,5)", KeyType::Character, "\xCD\xEE\xE2\xEE\xE5    12"},
        {"UPPER(MESTO)", KeyType::Character, "\xCD\xCE\xC2\xCE\xC5 "},
        {"STR(P,6,2)", KeyType::Character, " 12.50"},
        {"STR(KUST,1)", KeyType::Character, "*"},
        {"T->TIME", KeyType::Character, "07/05/09"},
    };
    for (const Case& c : cases) {
        KeyExpression e;
        ASSERT_TRUE(e.compile(c.expr, h)) << c.expr;
        EXPECT_EQ(e.type(), c.type) << c.expr;
        ASSERT_EQ(static_cast<std::size_t>(e.length()), c.key.size()) << c.expr;
        std::string out(c.key.size(), '\0');
        e.evaluate(reinterpret_cast<const std::uint8_t*>(row.data()),
                   reinterpret_cast<std::uint8_t*>(out.data()));
        EXPECT_EQ(out, c.key) << c.expr;
    }
    KeyExpression e;
    ASSERT_TRUE(e.compile("KUST", h));
    EXPECT_EQ(e.type(), KeyType::Numeric);
    EXPECT_EQ(e.padByte(), 0);
    for (const char* bad :
         {"", "NOPE", "DTOS(KUST)", "KUST+DATA", "STR(MESTO)", "MESTO+", "LEFT(MESTO,2)", "MESTO)"})
        EXPECT_EQ(e.compile(bad, h).error, DbError::BadExpression) << bad;
}
