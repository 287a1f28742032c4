// The well report: its texts and the page it lays out, on hand-built figures with the metrics of
// a plain page (every character one "0" wide).
#include "report/well_report.h"

#include "analytics/well_stats.h"
#include "journal/journal_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace vorsan;
using namespace vorsan::analytics;

namespace {

constexpr int W = 90, B = 216;
PrintMetrics a4() { return {W, 180, 100 * W, 60 * B, {}}; }

JournalRecord on(int month, int day, int hour, std::uint8_t code, std::uint16_t sop = 0) {
    JournalRecord r;
    r.year = 2026, r.month = std::uint8_t(month), r.day = std::uint8_t(day), r.hour = std::uint8_t(hour);
    r.SOBYTIE = code;
    r.SOP = sop;
    return r;
}

TEST(WellReport, NiceScales) {
    const struct {
        double most, top, step;
    } cases[] = {{0, 1, 1}, {1, 1, 0.2}, {3, 3, 1}, {7, 8, 2}, {45, 50, 10}, {2100, 2500, 500}, {99999, 100000, 20000}};
    for (const auto& c : cases) {
        const Scale s = niceScale(c.most);
        EXPECT_DOUBLE_EQ(s.top, c.top) << c.most;
        EXPECT_DOUBLE_EQ(s.step, c.step) << c.most;
    }
}

WellStats withRuns(std::vector<Seconds> durations, bool lastOpen) {
    WellStats s;
    Seconds at = 0;
    for (std::size_t i = 0; i < durations.size(); ++i) {
        const bool open = lastOpen && i + 1 == durations.size();
        s.runs.push_back({at, at + durations[i], open ? std::nullopt : std::optional<std::uint8_t>(3), open});
        at += durations[i] + 10;
    }
    return s;
}

TEST(WellReport, LongestAndLastRuns) {
    const struct {
        const char* name;
        std::vector<Seconds> durations;
        bool lastOpen;
        std::vector<std::size_t> longest, last;
    } cases[] = {
        {"no runs", {}, false, {}, {}},
        {"fewer than five", {5, 9, 7}, false, {1, 2, 0}, {0, 1, 2}},
        {"the open run is never among the longest", {5, 9, 7, 100}, true, {1, 2, 0}, {0, 1, 2, 3}},
        {"equal ones in journal order", {4, 4, 8, 4, 1, 4, 2}, false, {2, 0, 1, 3, 5}, {2, 3, 4, 5, 6}},
    };
    for (const auto& c : cases) {
        const WellStats s = withRuns(c.durations, c.lastOpen);
        EXPECT_EQ(longestRuns(s, 5), c.longest) << c.name;
        EXPECT_EQ(lastRuns(s, 5), c.last) << c.name;
    }
}

TEST(WellReport, CausesInTheDiagramsOrderThenTheOthers) {
    const auto counts = causeCounts({{140, 1}, {3, 2}, {0, 4}, {12, 5}, {10, 0}}, ControllerGeneration::Gen4);
    ASSERT_EQ(counts.size(), 4u);
    EXPECT_EQ(counts[0].name, "высокое напряжение");
    EXPECT_EQ(counts[0].colour, 0x000000u);
    EXPECT_EQ(counts[0].count, 4u);
    EXPECT_EQ(counts[1].name, "недогрузка");
    EXPECT_EQ(counts[1].colour, 0x008080u);
    EXPECT_EQ(counts[2].name, "отключение напряжения");
    EXPECT_EQ(counts[2].colour, 0xAF5000u);
    EXPECT_EQ(counts[3].code, 12);
    EXPECT_FALSE(counts[3].tabled);
    EXPECT_EQ(counts[3].colour, kOtherCauseColour);
    EXPECT_EQ(counts[3].count, 5u);
}

TEST(WellReport, CauseNames) {
    EXPECT_EQ(causeName(0, ControllerGeneration::Gen4), "высокое напряжение");
    EXPECT_EQ(causeName(140, ControllerGeneration::Gen4), "отключение напряжения");
    EXPECT_EQ(causeName(12, ControllerGeneration::Gen4), eventCodeText(12, ControllerGeneration::Gen4));
    EXPECT_EQ(causeName(200, ControllerGeneration::Gen4), "код 200");
}

TEST(WellReport, Texts) {
    // Started 1 March 00:00, stopped for underload 2 March 12:00 (36 h); measurements falling
    // 50 kOhm a day from 1000 on 1 March; the protection on at 300 kOhm.
    std::vector<JournalRecord> j{on(3, 1, 0, 49)};
    for (int d = 1; d <= 12; ++d) j.push_back(on(3, d, 12, kCodeMeasurement, std::uint16_t(1000 - 50 * (d - 1))));
    j.push_back(on(3, 2, 12, 3));
    std::sort(j.begin(), j.end(), [](const auto& a, const auto& b) { return std::tie(a.day, a.hour) < std::tie(b.day, b.hour); });
    const InsulationSettings on300{true, 300.0};
    const WellReport r = makeWellReport(j, on300, {}, ControllerGeneration::Gen4);
    EXPECT_EQ(wellPeriodLine(r.stats), "за период с 01.03.2026 00:00:00 по 12.03.2026 12:00:00");
    EXPECT_EQ(wellPeriodLine(WellStats{}), "записей нет");
    const auto v = wellFigureValues(r.stats, ',');
    EXPECT_EQ(v[std::size_t(WellFigure::records)], "14");
    EXPECT_EQ(v[std::size_t(WellFigure::work)], "1 сут 12 ч 0 мин");
    EXPECT_EQ(v[std::size_t(WellFigure::idle)], "10 сут 0 ч 0 мин");
    EXPECT_EQ(v[std::size_t(WellFigure::availability)], "13,0 %"); // 36 h of 276 h
    EXPECT_EQ(v[std::size_t(WellFigure::mtbs)], "1 сут 12 ч 0 мин");
    EXPECT_EQ(v[std::size_t(WellFigure::startsPerDay)], "0,09"); // 1 start in 11.5 days
    EXPECT_EQ(v[std::size_t(WellFigure::daysToSetpoint)], "3,0");  // 450 kOhm at the end, 150 to go at 50 a day
    EXPECT_EQ(r.runCauses, (std::vector<std::string>{"Стоп : недогрузка"}));
    EXPECT_EQ(trendLine(r.stats, on300, ','),
              "Тренд за последние 30 суток: -50,00 кОм в сутки; уставка 300 кОм (защита включена); до уставки 3,0 сут.");
    const WellReport off = makeWellReport(j, {false, 300.0}, {}, ControllerGeneration::Gen4);
    EXPECT_EQ(trendLine(off.stats, off.insulation, '.'),
              "Тренд за последние 30 суток: -50.00 кОм в сутки; уставка 300 кОм (защита выключена).");
    EXPECT_EQ(wellFigureValues(off.stats, ',')[std::size_t(WellFigure::daysToSetpoint)], "—");
    const WellReport few = makeWellReport(std::vector<JournalRecord>(j.begin(), j.begin() + 5), on300, {},
                                          ControllerGeneration::Gen4);
    EXPECT_EQ(trendLine(few.stats, on300, ','),
              "За последние 30 суток меньше 10 замеров сопротивления изоляции: тренда нет.");
}

bool hasText(const ReportPage& p, const std::string& s) {
    return std::any_of(p.texts.begin(), p.texts.end(), [&](const PageText& t) { return t.text == s; });
}

TEST(WellReport, OnePageWithinItsBounds) {
    // Two months: 3 stops in March (two underload, one overload), 1 in April (high voltage).
    std::vector<JournalRecord> j{on(3, 1, 0, 49), on(3, 2, 0, 3),  on(3, 3, 0, 49), on(3, 4, 0, 3),
                                 on(3, 5, 0, 49), on(3, 6, 0, 10), on(4, 1, 0, 49), on(4, 2, 0, 0)};
    WellReport r = makeWellReport(j, {}, {}, ControllerGeneration::Gen4);
    r.caption = "ВОРСАН 4.074 ";
    r.wellLine = databaseWellLine("Северное", 12, 345);
    const ReportDocument doc = layoutWellReport(r, a4(), ',');
    ASSERT_EQ(doc.pages.size(), 1u);
    EXPECT_EQ(doc.fontPointSize, 10);
    const ReportPage& p = doc.pages[0];
    for (const char* t : {"ВОРСАН 4.074 ", "Отчёт о работе скважины", "месторождение- Северное  куст № 12   скважина № 345",
                          "Сводка", "Отключения по причинам", "недогрузка: 2", "перегрузка: 1", "высокое напряжение: 1",
                          "Отключения по месяцам", "2026-03", "2026-04", "Пять самых долгих пусков",
                          "Пять последних пусков", "Сопротивление изоляции", "замеров сопротивления изоляции нет"})
        EXPECT_TRUE(hasText(p, t)) << t;
    for (const auto& t : p.texts) {
        EXPECT_GE(t.rect.left, 0) << t.text;
        EXPECT_LE(t.rect.right, 100 * W) << t.text;
        EXPECT_LE(t.rect.bottom, 60 * B) << t.text;
    }
    // The bars: 3 colour keys, then March's two parts (underload 2, overload 1) and April's one, on a
    // scale of 0 … 3: underload fills two thirds of the drawing's height, high voltage one third.
    ASSERT_EQ(p.boxes.size(), 6u);
    const PageBox& underload = p.boxes[3];
    const PageBox& overload = p.boxes[4];
    const PageBox& high = p.boxes[5];
    EXPECT_EQ(underload.fill, 0x008080u);
    EXPECT_EQ(overload.fill, 0xFF00FFu);
    EXPECT_EQ(high.fill, 0x000000u);
    EXPECT_EQ(overload.rect.bottom, underload.rect.top);
    EXPECT_NEAR(underload.rect.height(), 2 * high.rect.height(), 2);
    EXPECT_EQ(underload.rect.bottom, high.rect.bottom);
    EXPECT_NEAR(overload.rect.top, underload.rect.bottom - 3 * high.rect.height(), 3);
    EXPECT_GT(high.rect.left, overload.rect.right);
}

} // namespace
