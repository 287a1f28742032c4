// vorsan-cli print and export, run as a program on full journal files; the PDFs are read back
// with pdftotext, the workbooks with python3 openpyxl.
#include "report_samples.h"

#include "journal/journal_decode.h"
#include "journal/journal_rows.h"
#include "common/whole_file.h"
#include "journal/settings_file.h"
#include "text/cp1251.h"

#include "cli_run.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <unistd.h>

using namespace vorsan;
namespace fs = std::filesystem;

namespace {

constexpr auto G4 = ControllerGeneration::Gen4;
constexpr auto G3 = ControllerGeneration::Gen3;

using Outcome = CliRun;

std::string readText(const fs::path& p) { return readTextFile(p); }

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> out;
    for (std::string w; in >> w;) out.push_back(w);
    return out;
}

std::string joined(const std::vector<std::string>& w, std::size_t from) {
    std::string s;
    for (std::size_t i = from; i < w.size(); ++i) s += (i > from ? " " : "") + w[i];
    return s;
}

class CliReport : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("cli_report_test_" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    Outcome sh(const std::string& command) { return runCommand(command, dir_); }
    Outcome cli(const std::string& args) { return runCli(args, dir_); }
    // The text of each page of a PDF, as pdftotext lays it out.
    std::vector<std::string> pdfPages(const fs::path& pdf) {
        const Outcome r = sh("pdftotext -layout '" + pdf.string() + "' -");
        EXPECT_EQ(r.status, 0) << r.err;
        std::vector<std::string> pages;
        std::size_t at = 0;
        for (std::size_t ff; (ff = r.out.find('\f', at)) != std::string::npos; at = ff + 1)
            pages.push_back(r.out.substr(at, ff - at));
        return pages;
    }
    bool printAvailable() { return cli("print --help").status == 0; }

    fs::path journal(ControllerGeneration g, const std::string& name, std::uint16_t pad = 12, std::uint16_t well = 345) {
        const fs::path p = dir_ / name;
        EXPECT_EQ(report_samples::writeFullJournal(p, g, pad, well), 0u);
        return p;
    }
    // The rows of the file as the core reads it (separator '.').
    static std::vector<JournalRow> rowsOf(const fs::path& file, ControllerGeneration g) {
        const auto load = loadJournalFile(file, g, {});
        Journal j = decodeJournal(load.file.image, g).journal;
        return buildJournalRows(j, g, report_samples::settingsOf(G4, 12, 345), '.');
    }
    static std::string q(const fs::path& p) { return "'" + p.string() + "'"; }

    fs::path dir_;
};

// Every row of the journal table, in order across the pages: number, date and time, then the
// event text or the value texts; each page with its caption, pad and well line and number.
void expectJournalTable(const std::vector<std::string>& pages, const std::vector<JournalRow>& rows, bool gen4,
                        std::size_t first, std::size_t last, const std::string& caption, const std::string& wellLine) {
    std::size_t next = first;
    for (std::size_t p = 0; p < pages.size(); ++p) {
        // pdftotext writes runs of blanks as it sees fit: words are compared.
        const std::string page = joined(words(pages[p]), 0);
        EXPECT_NE(page.find(joined(words(caption), 0)), std::string::npos) << "page " << p + 1;
        EXPECT_NE(page.find(joined(words(wellLine), 0)), std::string::npos) << "page " << p + 1;
        std::istringstream lines(pages[p]);
        std::string lastWords;
        for (std::string line; std::getline(lines, line);) {
            const auto w = words(line);
            if (w.empty()) continue;
            lastWords = joined(w, 0);
            if (w.size() < 3 || w[0] != std::to_string(next)) continue;
            const JournalRow& row = rows[next - 1];
            EXPECT_EQ(w[1], row.dateText) << next;
            EXPECT_EQ(w[2], row.timeText) << next;
            std::string values = row.eventText;
            // Generation 3 prints columns 4 to 11 only: pressure to cause stay empty.
            const std::vector<const std::string*> texts = {&row.uabText, &row.ubcText, &row.ucaText, &row.iaText,
                                                           &row.ibText,  &row.icText,  &row.zagrText, &row.sopText,
                                                           &row.pText,   &row.tText,   &row.cosText,  &row.causeText};
            if (!row.isEventRow())
                for (std::size_t c = 0; c < (gen4 ? texts.size() : 8); ++c)
                    if (!texts[c]->empty()) values += (values.empty() ? "" : " ") + *texts[c];
            EXPECT_EQ(joined(w, 3), joined(words(values), 0)) << next;
            ++next;
        }
        EXPECT_EQ(lastWords, std::to_string(p + 1)) << "page number";
    }
    EXPECT_EQ(next, last + 1) << "rows printed";
}

TEST_F(CliReport, PrintsAFullJournalOfEachGeneration) {
    if (!printAvailable()) GTEST_SKIP() << "vorsan-cli was built without Qt";
    for (const auto g : {G4, G3}) {
        const auto file = journal(g, g == G4 ? "Куст12_Ск345.VR4" : "Куст12_Ск345.pr");
        const auto pdf = dir_ / "journal.pdf";
        const Outcome r = cli("print " + q(file) + " -o " + q(pdf) + " --decimal-separator .");
        ASSERT_EQ(r.status, 0) << r.err;
        const auto pages = pdfPages(pdf);
        const auto rows = rowsOf(file, g);
        ASSERT_EQ(rows.size(), g == G4 ? 1152u : 1088u); // every measurement slot used
        ASSERT_GT(pages.size(), 10u);
        expectJournalTable(pages, rows, g == G4, 1, rows.size(), "ВОРСАН 4.074 : " + file.string(), "куст № 12   скважина № 345");
        EXPECT_NE(pages[0].find("Загр., %"), std::string::npos);
        EXPECT_NE(pages[0].find("экст.зап."), std::string::npos);
    }
}

TEST_F(CliReport, PrintsTheSelectedRowsAndTheUnknownWell) {
    if (!printAvailable()) GTEST_SKIP() << "vorsan-cli was built without Qt";
    const auto file = journal(G4, "a.VR4", 0xFFFF, 345);
    const auto pdf = dir_ / "rows.pdf";
    const Outcome r = cli("print " + q(file) + " --rows 5-7 -o " + q(pdf) + " --decimal-separator .");
    ASSERT_EQ(r.status, 0) << r.err;
    const auto pages = pdfPages(pdf);
    ASSERT_EQ(pages.size(), 1u);
    expectJournalTable(pages, rowsOf(file, G4), true, 5, 7, "ВОРСАН 4.074 :", "куст № ____    скважина № ____");
}

TEST_F(CliReport, PrintsTheSettingsList) {
    if (!printAvailable()) GTEST_SKIP() << "vorsan-cli was built without Qt";
    const auto file = journal(G3, "b.pr");
    const auto pdf = dir_ / "settings.pdf";
    const Outcome r = cli("print " + q(file) + " --settings -o " + q(pdf));
    ASSERT_EQ(r.status, 0) << r.err;
    const auto pages = pdfPages(pdf);
    ASSERT_EQ(pages.size(), 2u);
    std::string all;
    for (const auto& p : pages) {
        EXPECT_NE(joined(words(p), 0).find("Уставки: " + file.string()), std::string::npos);
        all += p;
    }
    const auto first = all.find("21 Номинальное напряжение");
    EXPECT_NE(first, std::string::npos);
    EXPECT_NE(all.find("380 В", first), std::string::npos);
    EXPECT_LT(first, all.find("22 "));
    EXPECT_NE(all.find("A2 "), std::string::npos); // generation 3 rows go up to A2
}

TEST_F(CliReport, PrintsASettingsFileOnlyAsASettingsList) {
    if (!printAvailable()) GTEST_SKIP() << "vorsan-cli was built without Qt";
    const auto file = dir_ / "s.us4";
    ASSERT_EQ(saveSettingsFile(file, report_samples::settingsOf(G4, 12, 345), CurrentState{}).status,
              SettingsSaveStatus::ok);
    const Outcome table = cli("print " + q(file) + " -o " + q(dir_ / "t.pdf"));
    EXPECT_EQ(table.status, 1);
    EXPECT_NE(table.err.find("no journal records"), std::string::npos) << table.err;
    ASSERT_EQ(cli("print " + q(file) + " --settings -o " + q(dir_ / "s.pdf")).status, 0);
    EXPECT_EQ(pdfPages(dir_ / "s.pdf").size(), 2u);
}

TEST_F(CliReport, RefusesBadRanges) {
    const auto file = journal(G4, "c.VR4");
    EXPECT_EQ(cli("export " + q(file) + " --rows 0-3 -o " + q(dir_ / "a.xlsx")).status, 2);
    EXPECT_EQ(cli("export " + q(file) + " --rows 7-5 -o " + q(dir_ / "a.xlsx")).status, 2);
    const Outcome beyond = cli("export " + q(file) + " --rows 2000-2001 -o " + q(dir_ / "a.xlsx"));
    EXPECT_EQ(beyond.status, 1);
    EXPECT_NE(beyond.err.find("1152 record(s)"), std::string::npos) << beyond.err;
    EXPECT_EQ(cli("export " + q(file) + " -o " + q(dir_ / "a.ods")).status, 2);
    EXPECT_FALSE(fs::exists(dir_ / "a.xlsx"));
}

TEST_F(CliReport, ExportsTheTextInWindows1251OrUtf8) {
    const auto file = journal(G4, "d.VR4");
    const Outcome r = cli("export " + q(file) + " --rows 4-5 -o " + q(dir_ / "t.tsv") + " --decimal-separator ,");
    ASSERT_EQ(r.status, 0) << r.err;
    const std::string expected = "Дата, Время\tUab,В\tUbc,В\tUca,В\tIa,А\tIb,А\tIc,А\tЗагр., %\tR,кОм\tP,Атм.\tT,°С\r\n"
                                 "01.03.2024 00:30:03\t\t\t\tВключение напряжения\r\n"
                                 "01.03.2024 00:40:04\t\t\t\tИзменение уставки №: 34.Ном.ток двиг.Уст.,   12,40 А  ->  13,40 А\r\n";
    EXPECT_EQ(cp1251ToUtf8(readText(dir_ / "t.tsv")), expected);
    const Outcome u = cli("export " + q(file) + " --rows 4-5 -o - --utf8 --decimal-separator ,");
    ASSERT_EQ(u.status, 0) << u.err;
    EXPECT_EQ(u.out, expected);
}

TEST_F(CliReport, ExportsAWorkbook) {
    const auto file = journal(G3, "e.pr");
    const auto xlsx = dir_ / "e.xlsx";
    const Outcome r = cli("export " + q(file) + " --rows 6-7 -o " + q(xlsx));
    ASSERT_EQ(r.status, 0) << r.err;
    const Outcome dump = sh("/usr/bin/python3 " VORSAN_TESTDATA "/../core/report/read_workbook.py " + q(xlsx));
    ASSERT_EQ(dump.status, 0) << dump.err;
    // Row 6 is the second measurement of the first block: 00:50:05, 375 V, 10,5 A, load 65.
    EXPECT_NE(dump.out.find("A2 date 2024-03-01T00:50:05 | dd/mm/yy hh:mm:ss center \n"
                            "B2 number 375.0 | General center \n"),
              std::string::npos)
        << dump.out;
    EXPECT_NE(dump.out.find("E2 number 10.5 "), std::string::npos) << dump.out;
    EXPECT_NE(dump.out.find("H2 number 65.0 "), std::string::npos) << dump.out;
    EXPECT_EQ(dump.out.find("J2 "), std::string::npos) << dump.out; // generation 3: no pressure
    EXPECT_NE(dump.out.find("A3 date 2024-03-01T01:00:06 "), std::string::npos) << dump.out;
    EXPECT_EQ(dump.out.find("A4 "), std::string::npos) << dump.out;
    // The program, not only the library's tests, packs at the fastest level.
    EXPECT_NE(dump.out.find("packed fastest\n"), std::string::npos) << dump.out;
}

} // namespace
