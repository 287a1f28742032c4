#include "report/journal_export.h"

#include "journal/journal_rows.h"
#include "settings/catalogue.h"

#include <gtest/gtest.h>

#include <array>
#include <clocale>
#include <cstdio>
#include <filesystem>
#include <fstream>

using namespace vorsan;

namespace {

constexpr auto G4 = ControllerGeneration::Gen4;
constexpr auto G3 = ControllerGeneration::Gen3;

JournalRecord record(std::uint8_t code, int minute) {
    JournalRecord r;
    r.year = 2024;
    r.month = 3;
    r.day = 5;
    r.hour = 14;
    r.minute = static_cast<std::uint8_t>(minute);
    r.second = 9;
    r.SOBYTIE = code;
    r.UAB = 400;
    r.UBC = 401;
    r.UCA = 402;
    r.IA = 12.5;
    r.IB = 12.6;
    r.IC = 1234.5;
    r.SOP = 2000;
    r.ZAGR = 55;
    r.P = 12;
    r.T = 80;
    r.COS_ = 87;
    return r;
}

struct Sample {
    Journal journal;
    std::vector<JournalRow> rows;
};

// Measurement, stop "недогрузка", measurement without insulation resistance.
Sample sample(ControllerGeneration g) {
    Sample s;
    s.journal.records = {record(kCodeMeasurement, 1), record(3, 2), record(kCodeMeasurement, 3)};
    s.journal.records[2].SOP = 0xFFFF;
    s.rows = buildJournalRows(s.journal, g, buildCatalogue(G4), ',');
    return s;
}

constexpr const char* kHeaderLine =
    "Дата, Время\tUab,В\tUbc,В\tUca,В\tIa,А\tIb,А\tIc,А\tЗагр., %\tR,кОм\tP,Атм.\tT,°С\r\n";

TEST(ExportRange, SelectionOfMoreThanOneRowElseEverything) {
    struct Case {
        std::size_t top, bottom;
        ExportRange expected;
    };
    const Case cases[] = {
        {3, 3, {0, 10}},  // one selected row exports the whole journal
        {0, 0, {0, 10}},  // no selection
        {3, 5, {2, 5}},   // rows 3 … 5 are records 2 … 4
        {1, 10, {0, 10}},
        {8, 40, {7, 10}}, // cut to the journal
        {11, 12, {0, 10}},
    };
    for (const auto& c : cases) EXPECT_EQ(exportRecordRange(10, c.top, c.bottom), c.expected) << c.top;
}

TEST(ExportText, EmptyJournalGivesTheHeaderOnly) {
    EXPECT_EQ(exportText({}, {0, 0}), kHeaderLine);
}

TEST(ExportText, EventAndMeasurementLines) {
    const Sample s = sample(G4);
    EXPECT_EQ(exportText(s.rows, {0, 3}),
              std::string(kHeaderLine) +
                  "05.03.2024 14:01:09\t400\t401\t402\t12,5\t12,6\t1\u00A0235\t55\t2000\t12\t80\r\n"
                  "05.03.2024 14:02:09\t\t\t\tСтоп : недогрузка\r\n"
                  "05.03.2024 14:03:09\t400\t401\t402\t12,5\t12,6\t1\u00A0235\t55\t---\t12\t80\r\n");
    EXPECT_EQ(exportText(s.rows, {1, 2}), std::string(kHeaderLine) + "05.03.2024 14:02:09\t\t\t\tСтоп : недогрузка\r\n");
}

TEST(ExportText, Generation3HasEmptyPressureAndTemperature) {
    const Sample s = sample(G3);
    EXPECT_EQ(exportTextLine(s.rows[0]), "05.03.2024 14:01:09\t400\t401\t402\t12,5\t12,6\t1\u00A0235\t55\t2000\t\t");
}

TEST(ExportNumber, WhatCountsAsANumber) {
    struct Case {
        const char* text;
        bool number;
        double value;
    };
    const Case cases[] = {
        {"400", true, 400},     {"12,5", true, 12.5},   {"12.5", true, 12.5}, {"1\u00A0234", true, 1234},
        {"1 235,0", true, 1235}, {"1\u202F235", true, 1235}, {"0", true, 0},  {"---", false, 0},
        {"", false, 0},          {"12,", false, 0},      {",5", false, 0},     {"1e3", false, 0},
        {"inf", false, 0},       {"12,5 А", false, 0},  {"-3,25", true, -3.25}, {"1-2", false, 0},
        {"12,5,1", false, 0},    {"--1", false, 0},
        // More digits than a double holds exactly.
        {"12345678901234567", true, 12345678901234567.0}, {"0,00000000000000001", true, 1e-17},
    };
    for (const auto& c : cases) {
        double v = -1;
        EXPECT_EQ(exportNumber(c.text, v), c.number) << c.text;
        if (c.number) {
            EXPECT_EQ(v, c.value) << c.text;
        }
    }
}

// ---- the workbook as a spreadsheet reader sees it ------------------------------------------------

std::string readWorkbook(const std::filesystem::path& file) {
    const std::string command = "/usr/bin/python3 " VORSAN_TESTDATA "/../core/report/read_workbook.py '" +
                                file.string() + "' 2>&1";
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return "popen failed";
    std::array<char, 4096> buf{};
    while (const std::size_t n = fread(buf.data(), 1, buf.size(), pipe)) out.append(buf.data(), n);
    pclose(pipe);
    return out;
}

class Workbook : public ::testing::Test {
protected:
    std::filesystem::path dir = std::filesystem::temp_directory_path() /
                                ("vorsan_xlsx_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                 ::testing::UnitTest::GetInstance()->current_test_info()->name());
    void SetUp() override { std::filesystem::create_directories(dir); }
    void TearDown() override { std::filesystem::remove_all(dir); }
};

// The sheet is deflated at the fastest level: a large well is written in half the time.
constexpr const char* kSheetLayout = "sheet Журнал\n"
                                     "packed fastest\n"
                                     "freeze L2\n"
                                     "active A1\n"
                                     "columns 1 1 width 19\n"
                                     "columns 2 11 width 7\n";

constexpr const char* kHeaderRow = "A1 text Дата, Время | General center bi\n"
                                   "B1 text Uab,В | General center bi\n"
                                   "C1 text Ubc,В | General center bi\n"
                                   "D1 text Uca,В | General center bi\n"
                                   "E1 text Ia,А | General center bi\n"
                                   "F1 text Ib,А | General center bi\n"
                                   "G1 text Ic,А | General center bi\n"
                                   "H1 text Загр., % | General center bi\n"
                                   "I1 text R,кОм | General center bi\n"
                                   "J1 text P,Атм. | General center bi\n"
                                   "K1 text T,°С | General center bi\n";

TEST_F(Workbook, LayoutValuesAndTexts) {
    const Sample s = sample(G4);
    const auto file = dir / "журнал.xlsx";
    const XlsxResult r = writeJournalWorkbook(file.string(), s.journal, s.rows, {0, 3});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_FALSE(std::filesystem::exists(file.string() + ".part"));
    EXPECT_EQ(readWorkbook(file),
              std::string(kSheetLayout) + kHeaderRow +
                  "A2 date 2024-03-05T14:01:09 | dd/mm/yy hh:mm:ss center \n"
                  "B2 number 400.0 | General center \n"
                  "C2 number 401.0 | General center \n"
                  "D2 number 402.0 | General center \n"
                  "E2 number 12.5 | General center \n"
                  "F2 number 12.6 | General center \n"
                  "G2 number 1235.0 | General center \n"
                  "H2 number 55.0 | General center \n"
                  "I2 number 2000.0 | General center \n"
                  "J2 number 12.0 | General center \n"
                  "K2 number 80.0 | General center \n"
                  "A3 date 2024-03-05T14:02:09 | dd/mm/yy hh:mm:ss center \n"
                  "E3 text Стоп : недогрузка | General center \n"
                  "A4 date 2024-03-05T14:03:09 | dd/mm/yy hh:mm:ss center \n"
                  "B4 number 400.0 | General center \n"
                  "C4 number 401.0 | General center \n"
                  "D4 number 402.0 | General center \n"
                  "E4 number 12.5 | General center \n"
                  "F4 number 12.6 | General center \n"
                  "G4 number 1235.0 | General center \n"
                  "H4 number 55.0 | General center \n"
                  "I4 text --- | General center \n"
                  "J4 number 12.0 | General center \n"
                  "K4 number 80.0 | General center \n");
}

TEST_F(Workbook, Generation3LeavesPressureAndTemperatureEmpty) {
    Sample s = sample(G3);
    s.journal.records.resize(1);
    s.rows.resize(1);
    s.journal.records[0].month = 2;
    s.journal.records[0].day = 30; // no such day: the text stays
    s.rows[0].dateText = "30.02.2024";
    const auto file = dir / "g3.xlsx";
    ASSERT_TRUE(writeJournalWorkbook(file.string(), s.journal, s.rows, {0, 1}).ok);
    const std::string dump = readWorkbook(file);
    EXPECT_NE(dump.find("A2 text 30.02.2024 14:01:09 | General center \n"), std::string::npos) << dump;
    EXPECT_NE(dump.find("I2 number 2000.0"), std::string::npos) << dump;
    EXPECT_EQ(dump.find("J2 "), std::string::npos) << dump;
    EXPECT_EQ(dump.find("K2 "), std::string::npos) << dump;
}

TEST_F(Workbook, EmptyJournalGivesTheHeaderOnly) {
    const auto file = dir / "empty.xlsx";
    ASSERT_TRUE(writeJournalWorkbook(file.string(), {}, {}, {0, 0}).ok);
    EXPECT_EQ(readWorkbook(file), std::string(kSheetLayout) + kHeaderRow);
}

TEST_F(Workbook, AFailedExportKeepsTheFileThatWasThere) {
    const auto file = dir / "none" / "a.xlsx";
    const XlsxResult r = writeJournalWorkbook(file.string(), {}, {}, {0, 0});
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.empty());
    // A directory in the way of the rename: the old entry stays, the partial file goes.
    const auto blocked = dir / "blocked.xlsx";
    std::filesystem::create_directories(blocked / "inside");
    EXPECT_FALSE(writeJournalWorkbook(blocked.string(), {}, {}, {0, 0}).ok);
    EXPECT_TRUE(std::filesystem::is_directory(blocked / "inside"));
    EXPECT_FALSE(std::filesystem::exists(blocked.string() + ".part"));
}

} // namespace

namespace {

// The program runs with the user's locale (a decimal comma in Russia); the numbers in the file
// must still be written with a point.
TEST_F(Workbook, NumbersDoNotFollowTheLocale) {
    const std::string saved = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "ru_RU.UTF-8") == nullptr) GTEST_SKIP() << "no ru_RU.UTF-8 locale";
    const Sample s = sample(G4);
    const auto file = dir / "ru.xlsx";
    const XlsxResult r = writeJournalWorkbook(file.string(), s.journal, s.rows, {0, 1});
    std::setlocale(LC_ALL, saved.c_str());
    ASSERT_TRUE(r.ok);
    const std::string dump = readWorkbook(file);
    EXPECT_NE(dump.find("A2 date 2024-03-05T14:01:09 "), std::string::npos) << dump;
    EXPECT_NE(dump.find("E2 number 12.5 "), std::string::npos) << dump;
}

} // namespace

namespace {

TEST(WorkbookName, PadWellAndTheLastExportedDate) {
    const Sample s = sample(G4);
    Journal later = s.journal;
    later.records[2].day = 7;
    EXPECT_EQ(workbookName(12, 345, later, {0, 3}), "Куст12_Ск345_2024-03-07");
    EXPECT_EQ(workbookName(12, 345, later, {0, 2}), "Куст12_Ск345_2024-03-05");
    EXPECT_EQ(workbookName(0xFFFF, 345, later, {0, 3}), "Журнал_2024-03-07");
    EXPECT_EQ(workbookName(12, 0xFFFF, {}, {0, 0}), "Журнал");
    later.records[2].month = 13;
    EXPECT_EQ(workbookName(12, 345, later, {0, 3}), "Куст12_Ск345");
}

} // namespace
