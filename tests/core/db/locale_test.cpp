// Numbers in tables and index keys must not follow the user's locale: under Russian settings the
// C library writes a comma, which other xBase programs and our own reader take for garbage.
#include "db/dbf_format.h"
#include "db/table.h"
#include "db/well_database.h"
#include "db_test_util.h"
#include "text/number_format.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <string>

using namespace vorsan;
using namespace vorsan::db;
using namespace vorsan::db::test;

namespace {

class RussianLocale : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = std::setlocale(LC_ALL, nullptr);
        if (!std::setlocale(LC_ALL, "ru_RU.UTF-8"))
            GTEST_SKIP() << "ru_RU.UTF-8 is not generated on this machine (scripts/deps generates it)";
    }
    void TearDown() override { std::setlocale(LC_ALL, saved_.c_str()); }
    std::string saved_;
};

bool contains(const std::vector<std::uint8_t>& bytes, std::string_view text) {
    return std::search(bytes.begin(), bytes.end(), text.begin(), text.end()) != bytes.end();
}

} // namespace

TEST_F(RussianLocale, NumericFieldsAndStrKeysUseAPoint) {
    TempDir tmp;
    const std::string path = tmp.file("loc.DBF");
    TableLayout layout;
    layout.fields = {{"V", 'N', 7, 1}, {"W", 'N', 9, 3}};
    layout.tags = {{"BYV", "STR(V,7,1)+STR(W,9,3)", false}};
    ASSERT_TRUE(Table::create(path, layout));
    {
        Table t;
        ASSERT_TRUE(t.open(path));
        ASSERT_TRUE(t.appendRows({{12.5, 0.125}, {380.0, 2.5}, {9.5, 1000.0}}));
        ASSERT_TRUE(t.close());
    }
    std::vector<std::uint8_t> dbf, cdx;
    ASSERT_TRUE(readWholeFile(path, dbf));
    ASSERT_TRUE(readWholeFile(tmp.file("loc.CDX"), cdx));
    EXPECT_TRUE(contains(dbf, "    12.5    0.125   380.0    2.500     9.5 1000.000"));
    EXPECT_FALSE(contains(dbf, ","));
    // Leaf keys lose the blanks they share with the key before them.
    for (const char* key : {"9.5 1000.000", "12.5    0.125", "380.0    2.500"})
        EXPECT_TRUE(contains(cdx, key)) << key;

    Table t;
    ASSERT_TRUE(t.open(path));
    ASSERT_TRUE(t.setTag("BYV"));
    std::vector<double> seen;
    for (t.first(); !t.eof(); t.next())
        seen.push_back(t.getNumber(0) + t.getNumber(1));
    EXPECT_EQ(seen, (std::vector<double>{1009.5, 12.625, 382.5}));
}

TEST_F(RussianLocale, WellRowsKeepTheirTenths) {
    TempDir tmp;
    Table well;
    ASSERT_TRUE(initDatabase(tmp.path()));
    ASSERT_TRUE(openWellTable(well, tmp.path(), "w"));
    std::vector<FieldValue> values;
    ASSERT_TRUE(wellRowValues(makeRecord(1, 7, 5, 9, 255, 3), 12, 345, values));
    ASSERT_TRUE(well.appendRows({values}));
    ASSERT_TRUE(well.close());
    ASSERT_TRUE(openWellTable(well, tmp.path(), "w"));
    WellRows rows;
    ASSERT_TRUE(readWellRows(well, rows));
    ASSERT_EQ(rows.records.size(), 1u);
    EXPECT_DOUBLE_EQ(rows.records[0].IA, 15.5);
    EXPECT_EQ(rows.records[0].UAB, 383);
}

TEST_F(RussianLocale, FileTextsTakeTheSeparatorGiven) {
    EXPECT_EQ(formatFixed(12.25, 1, '.'), "12.2");
    EXPECT_EQ(formatFixed(12.35, 1, ','), "12,3");
    EXPECT_EQ(formatGeneral(0.1, '.'), "0.1");
    EXPECT_EQ(formatGeneral(1e20, ','), "1E+20");
}
