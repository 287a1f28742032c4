// vorsan-cli db commands over the well database, run as the user runs them.
#include "journal/journal_encode.h"
#include "journal/journal_file.h"
#include "journal/whole_file.h"
#include "settings/catalogue.h"

#include "cli_run.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace vorsan;
namespace fs = std::filesystem;

namespace {

class CliWells : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "vorsan-cli-wells-XXXXXX").string();
        dir_ = ::mkdtemp(tmpl.data());
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string text(const fs::path& p) { return readTextFile(p); }
    CliRun run(const std::string& command) { return runCommand(command, dir_); }
    CliRun cli(const std::string& args, const std::string& db = "") {
        return runCli(args + " --db '" + (db.empty() ? (dir_ / "bd").string() : db) + "'", dir_);
    }
    // A generation 4 journal file of `count` measurements a minute apart, day `day`.
    std::string journal(const std::string& name, std::uint16_t pad, std::uint16_t well, int count, int day) {
        Journal j;
        for (int i = 0; i < count; ++i) {
            JournalRecord r;
            r.year = 2024, r.month = 3, r.day = static_cast<std::uint8_t>(day);
            r.hour = static_cast<std::uint8_t>(i / 60), r.minute = static_cast<std::uint8_t>(i % 60);
            r.SOBYTIE = kCodeMeasurement;
            r.EXT_ZAP = 1;
            r.UAB = 380, r.UBC = 381, r.UCA = 382, r.IA = 12.5, r.IB = 12.5, r.IC = 12.5;
            r.SOP = 2000, r.ZAGR = 55, r.COS_ = 87, r.P = 12, r.T = 80;
            j.records.push_back(r);
        }
        JournalImage blank;
        blank.fill(0xFF);
        const auto encoded = encodeJournal(j, ControllerGeneration::Gen4, blank, {}, well, pad);
        auto c = buildCatalogue(ControllerGeneration::Gen4);
        c.byNumber(kGen4PadNumber)->value = pad;
        c.byNumber(kGen4WellNumber)->value = well;
        const fs::path p = dir_ / name;
        EXPECT_EQ(saveJournalFile(p, ControllerGeneration::Gen4, encoded.image, c, CurrentState{}), "");
        return p.string();
    }
    fs::path dir_;
};

} // namespace

TEST_F(CliWells, AddListFindShowAndText) {
    CliRun r = cli("db add " + journal("a.VR4", 12, 345, 3, 1) + " --field ' Новое '");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "added 3 rows to Новое, pad 12, well 345 (3 rows in all)\n");
    ASSERT_EQ(cli("db add " + journal("b.VR4", 7, 1, 2, 2) + " --field Южное").status, 0);
    EXPECT_EQ(cli("db wells").out, "Новое\t12\t345\nЮжное\t7\t1\n");
    EXPECT_EQ(cli("db fields").out, "Новое\nЮжное\n");
    EXPECT_EQ(cli("db find --pad 1").out, "Новое\t12\t345\n");
    EXPECT_EQ(cli("db find --field но").status, 3);

    r = cli("db show Новое 12 345 --decimal-separator ,");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, r.out.find('\n')), " 1\t01.03.2024\t00:00:00\t380\t381\t382\t12,5\t12,5\t12,5\t55\t2000\t12\t80\t87\tВыс.напр.")
        << r.out;
    EXPECT_NE(r.out.find("Уставки по кусту: 12,  скважине 345 на: 01.03.2024 00/02/00\n21  "), std::string::npos);
    EXPECT_EQ(cli("db show Новое 12 346").status, 3);

    r = cli("db text Новое 12 345 -o '" + (dir_ / "w.txt").string() + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string t = text(dir_ / "w.txt");
    EXPECT_NE(t.find("\r\n"), std::string::npos);
    EXPECT_NE(t.find("\xEA\xF3\xF1\xF2 \xB9 12"), std::string::npos); // "куст № 12" in Windows-1251

    // The spreadsheet export of the well: its three rows as a workbook another reader opens.
    const std::string xlsx = (dir_ / "w.xlsx").string();
    r = cli("db export Новое 12 345 -o '" + xlsx + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    const CliRun dump = run("/usr/bin/python3 " VORSAN_TESTDATA "/../core/report/read_workbook.py '" + xlsx + "'");
    ASSERT_EQ(dump.status, 0) << dump.err;
    EXPECT_NE(dump.out.find("A2 date 2024-03-01T00:00:00 "), std::string::npos) << dump.out;
    EXPECT_NE(dump.out.find("B2 number 380.0 "), std::string::npos) << dump.out;
    EXPECT_NE(dump.out.find("A4 date "), std::string::npos) << dump.out;
    EXPECT_EQ(dump.out.find("A5 "), std::string::npos) << dump.out;
    EXPECT_EQ(cli("db export Новое 12 345 -o w.pdf").status, 2);
}

TEST_F(CliWells, WellFilesArchivesAndDeleting) {
    ASSERT_EQ(cli("db add " + journal("a.VR4", 1, 2, 5, 1) + " --field Новое").status, 0);
    const std::string vbd = (dir_ / "w.VBD").string(), zip = (dir_ / "a.zip").string();
    ASSERT_EQ(cli("db save-well Новое 1 2 -o '" + vbd + "'").status, 0);
    ASSERT_EQ(cli("db archive -o '" + zip + "'").status, 0);
    const std::string other = (dir_ / "other").string();
    CliRun r = cli("db add-well '" + vbd + "'", other);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "added Новое, pad 1, well 2 (5 rows)\n");
    const std::string third = (dir_ / "third").string();
    ASSERT_EQ(cli("db update-from '" + zip + "'", third).status, 0);
    EXPECT_EQ(cli("db wells", third).out, "Новое\t1\t2\n");

    ASSERT_EQ(cli("db delete-well Новое 1 2").status, 0);
    EXPECT_EQ(cli("db wells").out, "");
    const fs::path bad = dir_ / "bad.VBD";
    fs::copy_file(vbd, bad);
    fs::resize_file(bad, 100);
    r = cli("db add-well '" + bad.string() + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Файл поврежден, открытие невозможно."), std::string::npos) << r.err;
    EXPECT_EQ(cli("db add " + journal("c.VR4", 1, 2, 1, 1) + " --field '   '").status, 1);
    EXPECT_EQ(cli("db add").status, 2);
}
