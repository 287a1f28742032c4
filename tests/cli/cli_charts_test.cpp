// vorsan-cli series and diagram, run as a program on a journal file and on a well's table.
#include "db/table.h"
#include "db/well_database.h"
#include "journal/journal_encode.h"
#include "journal/journal_file.h"
#include "common/whole_file.h"
#include "settings/catalogue.h"

#include "cli_run.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

using namespace vorsan;
namespace fs = std::filesystem;

namespace {

JournalRecord at(std::uint8_t code, int hh, int mm) {
    JournalRecord r;
    r.year = 2024;
    r.month = 3;
    r.day = 5;
    r.hour = static_cast<std::uint8_t>(hh);
    r.minute = static_cast<std::uint8_t>(mm);
    r.SOBYTIE = code;
    if (code == kCodeMeasurement) {
        r.UAB = 400;
        r.UBC = 401;
        r.UCA = 402;
        r.IA = 12.5;
        r.SOP = 2000;
        r.ZAGR = 55;
    }
    return r;
}

// 09:00 measurement, 10:00 start, 11:00 measurement, 12:00 underload stop, 12:30 start,
// 13:00 measurement, 13:10 two high-voltage stops.
Journal sample() {
    Journal j;
    j.records = {at(255, 9, 0), at(49, 10, 0), at(255, 11, 0), at(3, 12, 0), at(48, 12, 30),
                 at(255, 13, 0), at(0, 13, 10), at(0, 13, 20)};
    return j;
}

// Lines "label TAB value TAB percent" of the diagram command, as label and "value TAB percent".
std::vector<std::pair<std::string, std::string>> slices(const std::string& out) {
    std::vector<std::pair<std::string, std::string>> v;
    std::istringstream in(out);
    std::string label;
    std::string value;
    while (std::getline(in, label, '\t') && std::getline(in, value)) v.emplace_back(label, value);
    return v;
}

class CliCharts : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("cli_charts_test_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    CliRun cli(const std::string& args) { return runCli(args, dir_); }

    std::string journalFile() {
        JournalImage blank;
        blank.fill(0xFF);
        const auto img = encodeJournal(sample(), ControllerGeneration::Gen4, blank, {}, 345, 12).image;
        const fs::path p = dir_ / "well.VR4";
        EXPECT_EQ(saveJournalFile(p, ControllerGeneration::Gen4, img, buildCatalogue(ControllerGeneration::Gen4),
                                  CurrentState{}),
                  "");
        std::string quoted = "'";
        quoted += p.string();
        quoted += '\'';
        return quoted;
    }

    fs::path dir_;
};

TEST_F(CliCharts, SeriesWritesTheGraphsPoints) {
    const CliRun r = cli("series " + journalFile() + " --channel 11");
    ASSERT_EQ(r.status, 0) << r.err;
    // The start at 10:00 follows a measurement: no point. The stop at 12:00 and the start after it
    // touch 0; the record after the start is still idle.
    EXPECT_EQ(r.out,
              "position,date_time,value,idle\n"
              "1,2024-03-05 09:00:00,400,1\n"
              "3,2024-03-05 11:00:00,400,1\n"
              "4,2024-03-05 12:00:00,0,1\n"
              "5,2024-03-05 12:30:00,0,1\n"
              "6,2024-03-05 13:00:00,400,1\n"
              "7,2024-03-05 13:10:00,0,1\n"
              "8,2024-03-05 13:20:00,0,1\n");
    const CliRun amps = cli("series " + journalFile() + " --channel 21");
    EXPECT_NE(amps.out.find("3,2024-03-05 11:00:00,12.5,1\n"), std::string::npos) << amps.out;

    EXPECT_EQ(cli("series " + journalFile() + " --channel 14").status, 2);
    EXPECT_EQ(cli("series --channel 11").status, 2);
}

TEST_F(CliCharts, DiagramPrintsTheSlices) {
    const std::string file = journalFile();
    CliRun r = cli("diagram " + file + " --decimal-separator .");
    ASSERT_EQ(r.status, 0) << r.err;
    // Work 10:00-12:00 and 12:30-13:10, idle 9:00-10:00, 12:00-12:30 and 13:10-13:20.
    auto lines = slices(r.out);
    ASSERT_EQ(lines.size(), 2u) << r.out;
    EXPECT_EQ(lines[0].first, "РАБОТА: 0 сут.2 ч.40 мин.");
    EXPECT_NEAR(std::stod(lines[0].second), 160.0 / 1440, 1e-9);
    EXPECT_EQ(lines[1].first, "ПРОСТОЙ: 0 сут.1 ч.40 мин.");
    EXPECT_NEAR(std::stod(lines[1].second), 100.0 / 1440, 1e-9);
    r = cli("diagram " + file + " --causes");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "2 высокое напряжение\t2\t67\n1: недогрузка\t1\t33\n");
    // Grid rows 4..6: the stop at 12:00 to the measurement at 13:00.
    r = cli("diagram " + file + " --rows 4-6 --causes");
    EXPECT_EQ(r.out, "1: недогрузка\t1\t100\n");
    r = cli("diagram " + file + " --rows 4-6 --decimal-separator ,");
    lines = slices(r.out);
    ASSERT_EQ(lines.size(), 2u) << r.out;
    EXPECT_EQ(lines[0].first, "РАБОТА: 0 сут.0 ч.30 мин.");
    EXPECT_EQ(lines[1].first, "ПРОСТОЙ: 0 сут.0 ч.30 мин.");
    EXPECT_EQ(lines[1].second.substr(0, 6), "0,0208") << r.out;
    EXPECT_EQ(cli("diagram " + file + " --rows 4").status, 2);
}

// "--rows 5-5" is grid row 5 alone (the start at 12:30) in every command that takes it.
TEST_F(CliCharts, OneRowRangeIsThatRowInEveryCommand) {
    const std::string file = journalFile();
    std::string pdf = "'";
    pdf += (dir_ / "row.pdf").string();
    pdf += '\'';
    const struct {
        std::string args;
        std::string shown;
    } cases[] = {
        {"series --rows 5-5 " + file + " --channel 11", "position,date_time,value,idle\n5,2024-03-05 12:30:00,0,1\n"},
        {"diagram --rows 5-5 " + file + " --decimal-separator .",
         "РАБОТА: 0 сут.0 ч.0 мин.\t0\t0\nПРОСТОЙ: 0 сут.0 ч.0 мин.\t0\t0\n"},
        {"export --rows 5-5 " + file + " -o - --utf8", "12:30:00"},
        {"print --rows 5-5 " + file + " -o " + pdf + " && pdftotext -layout " + pdf + " -", "12:30:00"},
    };
    for (const auto& c : cases) {
        const CliRun r = cli(c.args);
        EXPECT_EQ(r.status, 0) << c.args << '\n' << r.err;
        EXPECT_NE(r.out.find(c.shown), std::string::npos) << c.args << '\n' << r.out;
        EXPECT_EQ(r.out.find("13:00:00"), std::string::npos) << c.args << '\n' << r.out;
    }
}

TEST_F(CliCharts, AWellsJournalFromTheDatabase) {
    ASSERT_TRUE(db::initDatabase(dir_.string()));
    db::Table t;
    ASSERT_TRUE(db::openWellTable(t, dir_.string(), db::wellBaseName("Северное", 12, 345)));
    std::vector<std::vector<db::FieldValue>> rows;
    for (const auto& r : sample().records) {
        std::vector<db::FieldValue> v;
        ASSERT_TRUE(db::wellRowValues(r, 12, 345, v));
        rows.push_back(v);
    }
    ASSERT_TRUE(t.appendRows(rows));
    ASSERT_TRUE(t.close());

    const std::string db = "--db '" + dir_.string() + "' --well ";
    CliRun r = cli("series " + db + "Северное/12/345 --channel 11");
    ASSERT_EQ(r.status, 0) << r.err;
    // A well's records are counted from 0, as the graphs label them.
    EXPECT_EQ(r.out.rfind("position,date_time,value,idle\n0,2024-03-05 09:00:00,400,1\n", 0), 0u) << r.out;
    r = cli("diagram " + db + "Северное/12/345 --causes");
    EXPECT_EQ(r.out, "2 высокое напряжение\t2\t67\n1: недогрузка\t1\t33\n");
    // A well that is not there is reported, and no table is made for it.
    r = cli("series " + db + "Северное/12/346 --channel 11");
    EXPECT_EQ(r.status, 3);
    EXPECT_FALSE(fs::exists(dir_ / (db::wellBaseName("Северное", 12, 346) + ".DBF")));
    EXPECT_EQ(cli("series " + db + "Северное/12 --channel 11").status, 2);
}

} // namespace
