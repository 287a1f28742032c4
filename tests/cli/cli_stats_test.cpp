// vorsan-cli stats and db stats, run as the user runs them: the same figures for a journal file
// and for the well it was added to, the JSON read back by Python, the table of an oilfield.
#include "journal/journal_encode.h"
#include "journal/journal_file.h"
#include "settings/catalogue.h"

#include "cli_run.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <unistd.h>

using namespace vorsan;
namespace fs = std::filesystem;

namespace {

JournalRecord at(int month, int day, int hour, std::uint8_t code, std::uint16_t sop = 0) {
    JournalRecord r;
    r.year = 2026, r.month = std::uint8_t(month), r.day = std::uint8_t(day), r.hour = std::uint8_t(hour);
    r.SOBYTIE = code;
    if (code == kCodeMeasurement) {
        r.UAB = 400, r.UBC = 401, r.UCA = 402, r.IA = 12.5, r.IB = 12.5, r.IC = 12.5;
        r.SOP = sop, r.ZAGR = 55, r.COS_ = 87;
    }
    return r;
}

class CliStats : public ::testing::Test {
protected:
    void SetUp() override {
        std::string tmpl = (fs::temp_directory_path() / "vorsan-cli-stats-XXXXXX").string();
        dir_ = ::mkdtemp(tmpl.data());
    }
    void TearDown() override { fs::remove_all(dir_); }

    CliRun cli(const std::string& args) { return runCli(args, dir_); }
    std::string db() const { return " --db '" + (dir_ / "bd").string() + "'"; }

    // Runs from 20 August 06:00 to a stop at 25 August 10:00 (underload), from 11:00 to 2 September
    // 08:00 (overload), then from 09:00 on; the resistance falls 100 kOhm a day to 500 on
    // 5 September 12:00, the last record.
    std::string journal(const std::string& name, std::uint16_t well, bool withOverload = true) {
        Journal j;
        j.records = {at(8, 20, 6, 49), at(8, 25, 10, 3), at(8, 25, 11, 48)};
        for (int d = 0; d < 16; ++d)
            j.records.push_back(at(d < 11 ? 8 : 9, d < 11 ? 21 + d : d - 10, 12, kCodeMeasurement,
                                   std::uint16_t(2000 - 100 * d)));
        if (withOverload) {
            j.records.push_back(at(9, 2, 8, 10));
            j.records.push_back(at(9, 2, 9, 49));
        }
        std::sort(j.records.begin(), j.records.end(), [](const JournalRecord& a, const JournalRecord& b) {
            return std::tie(a.month, a.day, a.hour) < std::tie(b.month, b.day, b.hour);
        });
        JournalImage blank;
        blank.fill(0xFF);
        const auto encoded = encodeJournal(j, ControllerGeneration::Gen4, blank, {}, well, 12);
        auto c = buildCatalogue(ControllerGeneration::Gen4);
        c.byNumber(kGen4PadNumber)->value = 12;
        c.byNumber(kGen4WellNumber)->value = well;
        c.byNumber(70)->value = 1;   // low-resistance protection on
        c.byNumber(71)->value = 100; // at 100 kOhm
        const fs::path p = dir_ / name;
        EXPECT_EQ(saveJournalFile(p, ControllerGeneration::Gen4, encoded.image, c, CurrentState{}), "");
        return "'" + p.string() + "'";
    }

    fs::path dir_;
};

TEST_F(CliStats, AFileAndTheWellItWasAddedToGiveTheSameFigures) {
    const std::string file = journal("well.VR4", 345);
    const CliRun fromFile = cli("stats " + file + " --json");
    ASSERT_EQ(fromFile.status, 0) << fromFile.err;
    ASSERT_EQ(cli("db add " + file + " --field Северное" + db()).status, 0);
    const CliRun fromDb = cli("db stats Северное 12 345 --json" + db());
    ASSERT_EQ(fromDb.status, 0) << fromDb.err;
    EXPECT_EQ(fromDb.out, fromFile.out);

    // Read back by Python's json module: exactly these keys, and the figures worked out by hand.
    std::ofstream(dir_ / "stats.json") << fromFile.out;
    const CliRun py = runCommand(
        "python3 -c 'import json,sys; o=json.load(open(sys.argv[1])); t=o[\"trend\"]; "
        "print(\",\".join(o), o[\"stops\"], o[\"starts\"], o[\"stops_by_cause\"], o[\"work_s\"], "
        "o[\"idle_s\"], "
        "[m[\"month\"] for m in o[\"months\"]], o[\"runs\"][-1][\"open\"], o[\"runs\"][-1][\"cause\"], "
        "round(t[\"slope_kohm_per_day\"], 6), t[\"threshold_kohm\"], round(t[\"days_to_threshold\"], 6))' '" +
            (dir_ / "stats.json").string() + "'",
        dir_);
    ASSERT_EQ(py.status, 0) << py.err;
    // Work: 20.08 06:00-25.08 10:00 (124 h), 25.08 11:00-02.09 08:00 (189 h), 02.09 09:00-05.09
    // 12:00 (75 h) of the 390 h from the first start; the line reaches 100 kOhm 4 days after the last record.
    EXPECT_EQ(
        py.out,
        "records,work_s,idle_s,availability,stops,starts,stops_by_cause,mtbs_s,starts_per_day,longest_run_s,"
        "median_run_s,runs,months,trend 2 3 {'3': 1, '10': 1} " +
            std::to_string((124 + 189 + 75) * 3600) + " " + std::to_string(2 * 3600) +
            " ['2026-08', '2026-09'] True None -100 100 4\n");

    // The period, and the summary in Russian.
    const CliRun september = cli("stats " + file + " --json --from 2026-09-01 --to '2026-09-02 08:00:00'");
    EXPECT_NE(september.out.find("\"records\":2,"), std::string::npos) << september.out;
    EXPECT_NE(
        september.out.find("\"months\":[{\"month\":\"2026-09\",\"stops\":1,\"starts\":0,\"work_s\":0}]"),
        std::string::npos)
        << september.out;
    const CliRun text = cli("stats " + file);
    EXPECT_NE(text.out.find("Остановов: 2\n"), std::string::npos) << text.out;
    EXPECT_NE(text.out.find("10 Стоп : перегрузка: 1\n"), std::string::npos) << text.out;
    EXPECT_EQ(cli("db stats Северное 12 345 --json" + db()).out, fromDb.out); // reading changed nothing
}

TEST_F(CliStats, TheOilfieldsWellsWorstFirst) {
    ASSERT_EQ(cli("db add " + journal("a.VR4", 1, false) + " --field Северное" + db()).status, 0);
    ASSERT_EQ(cli("db add " + journal("b.VR4", 2) + " --field Северное" + db()).status, 0);
    ASSERT_EQ(cli("db add " + journal("c.VR4", 3) + " --field Южное" + db()).status, 0);
    // Well 1: one stop in 389 h of work, 2 starts in 16.25 days; well 2: two stops in 388 h, 3 starts.
    CliRun r = cli("db stats --field Северное --decimal-separator ," + db());
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Северное\t12\t2\t2\t0,18\t8 сут 2 ч 0 мин\t99,5 %\t3 Стоп : недогрузка\t4,0\n"
                     "Северное\t12\t1\t1\t0,12\t16 сут 5 ч 0 мин\t99,7 %\t3 Стоп : недогрузка\t4,0\n");
    r = cli("db stats --all" + db());
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 3);
    EXPECT_EQ(cli("db stats --field Западное" + db()).status, 3);
    EXPECT_EQ(cli("db stats" + db()).status, 2);
    EXPECT_EQ(cli("db stats Северное 12 1 --all" + db()).status, 2);
    EXPECT_EQ(cli("db stats Северное 12 9 --json" + db()).status, 3);
    EXPECT_EQ(cli("stats x.VR4 --from 2026-02-30").status, 2);
}

} // namespace

namespace {

// The text of a PDF as pdftotext lays it out, and its number of pages (form feeds).
std::string pdfText(const fs::path& pdf, const fs::path& scratch, int& pages) {
    const CliRun r = runCommand("pdftotext -layout '" + pdf.string() + "' -", scratch);
    EXPECT_EQ(r.status, 0) << r.err;
    pages = int(std::count(r.out.begin(), r.out.end(), '\f'));
    return r.out;
}

// The words of `text` joined by single blanks (the layout's columns become blanks of any width).
std::string words(const std::string& text) {
    std::string out;
    bool blank = false;
    for (const char c : text) {
        if (c == ' ' || c == '\n' || c == '\f') {
            blank = !out.empty();
            continue;
        }
        if (blank) out += ' ';
        blank = false;
        out += c;
    }
    return out;
}

} // namespace

TEST_F(CliStats, TheWellReportIsOnePageWithTheFiguresOfDbStats) {
    if (cli("db report --help").status != 0) GTEST_SKIP() << "vorsan-cli built without Qt: no PDF";
    const std::string file = journal("well.VR4", 345);
    ASSERT_EQ(cli("db add " + file + " --field Северное" + db()).status, 0);
    const fs::path pdf = dir_ / "report.pdf";
    const CliRun r = cli("db report Северное 12 345 -o '" + pdf.string() + "' --decimal-separator ," + db());
    ASSERT_EQ(r.status, 0) << r.err;
    // VORSAN_KEEP_PDF=DIR keeps the page for looking at it.
    if (const char* keep = std::getenv("VORSAN_KEEP_PDF")) fs::copy_file(pdf, fs::path(keep) / "well_report.pdf", fs::copy_options::overwrite_existing);
    int pages = 0;
    const std::string text = words(pdfText(pdf, dir_, pages));
    EXPECT_EQ(pages, 1);
    // The well, the period, the summary as db stats gives it (two stops, 388 h of work, 2 h idle).
    for (const char* expected : {
             "ВОРСАН 4.074 Отчёт о работе скважины месторождение- Северное куст № 12 скважина № 345",
             "за период с 20.08.2026 06:00:00 по 05.09.2026 12:00:00",
             "Время работы: 16 сут 4 ч 0 мин", "Время простоя: 2 ч 0 мин",
             "Коэффициент эксплуатации: 99,5 %", "Отключений: 2", "Пусков: 3",
             "Средняя наработка между отключениями: 8 сут 2 ч 0 мин", "Пусков в сутки: 0,18",
             "Самый долгий пуск: 7 сут 21 ч 0 мин", "Медиана пуска: 5 сут 4 ч 0 мин",
             "Суток до уставки сопротивления изоляции: 4,0",
             "недогрузка: 1", "перегрузка: 1",
             // Longest first, then the last runs with the open one at the end.
             "Пять самых долгих пусков Пуск Останов Длительность Причина 25.08.2026 11:00:00 02.09.2026 08:00:00 "
             "7 сут 21 ч 0 мин Стоп : перегрузка 20.08.2026 06:00:00 25.08.2026 10:00:00 5 сут 4 ч 0 мин Стоп : недогрузка",
             "02.09.2026 09:00:00 — 3 сут 3 ч 0 мин в работе",
             "Тренд за последние 30 суток: -100,00 кОм в сутки; уставка 100 кОм (защита включена); до уставки 4,0 сут.",
             "2026-08", "2026-09"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\nin: " << text;

    // The period narrows it as it narrows db stats.
    const CliRun september = cli("db report Северное 12 345 -o '" + pdf.string() + "' --from 2026-09-01" + db());
    ASSERT_EQ(september.status, 0) << september.err;
    EXPECT_NE(words(pdfText(pdf, dir_, pages)).find("за период с 01.09.2026 12:00:00 по 05.09.2026 12:00:00"),
              std::string::npos);

    EXPECT_EQ(cli("db report Северное 12 9 -o '" + pdf.string() + "'" + db()).status, 3);
    EXPECT_EQ(cli("db report Северное 12 345" + db()).status, 2);
}
