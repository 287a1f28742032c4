#include "charts/diagrams.h"

#include "records.h"

#include <gtest/gtest.h>

using namespace vorsan;
using namespace vorsan::testing;

namespace {

constexpr double kHour = 1.0 / 24;
constexpr double kMinute = 1.0 / 1440;

Stretch whole(const std::vector<JournalRecord>& r) {
    return {0, r.size() - 1};
}

TEST(Diagrams, WorkAndIdleTimes) {
    struct Case {
        const char* rule;
        std::vector<JournalRecord> records;
        double work;
        double idle;
    };
    const Case cases[] = {
        {"no start or stop: all work", {at(M, 8), at(M, 9), at(M, 11, 30)}, 3.5 * kHour, 0},
        {"start 10:00, stop 12:00, start 12:30, last 13:00",
         {at(M, 9), at(49, 10), at(M, 11), at(3, 12), at(48, 12, 30), at(M, 13)},
         2.5 * kHour,
         1.5 * kHour},
        {"two stops in a row: the span between is work", {at(M, 9), at(3, 10), at(5, 11), at(M, 12)}, 2 * kHour,
         kHour},
        {"a journal ending on a stop", {at(49, 9), at(M, 10), at(15, 11)}, 2 * kHour, 0},
        {"a journal ending on a start", {at(3, 9), at(M, 10), at(48, 11)}, 0, 2 * kHour},
        {"voltage switched on is a start", {at(140, 9), at(76, 10), at(M, 10, 30)}, 0.5 * kHour, kHour},
        {"setting changes and unknown codes are neither", {at(3, 9), at(250, 10), at(20, 11), at(M, 12)}, 0,
         3 * kHour},
        {"one record", {at(3, 9)}, 0, 0},
    };
    for (const auto& c : cases) {
        const auto t = workIdleTimes(c.records, whole(c.records));
        EXPECT_NEAR(t.work, c.work, 1e-9) << c.rule;
        EXPECT_NEAR(t.idle, c.idle, 1e-9) << c.rule;
    }
}

TEST(Diagrams, StretchAndImpossibleDates) {
    const std::vector<JournalRecord> r{at(M, 8), at(49, 9), at(3, 10), at(48, 12), at(M, 14)};
    // Rows 2..3 of the stretch: start 9:00 to stop 10:00, all work.
    auto t = workIdleTimes(r, {1, 2});
    EXPECT_NEAR(t.work, kHour, 1e-9);
    EXPECT_NEAR(t.idle, 0, 1e-9);
    // A stretch that starts on a record with an impossible date starts at the next real one.
    auto bad = r;
    bad[0].month = 2;
    bad[0].day = 30;
    t = workIdleTimes(bad, whole(bad));
    EXPECT_NEAR(t.idle, 2 * kHour, 1e-9); // 10:00 -> 12:00 (nothing before 9:00)
    EXPECT_NEAR(t.work, 3 * kHour, 1e-9);               // 9 -> 10 and 12 -> 14

    EXPECT_EQ(diagramStretch(5, 1, 3), (Stretch{1, 3}));
    EXPECT_EQ(diagramStretch(5, 2, 2), (Stretch{0, 4})); // one row selected: the whole journal
    EXPECT_EQ(diagramStretch(5, 3, 1), (Stretch{0, 4}));
    EXPECT_EQ(diagramStretch(5, 3, 9), (Stretch{3, 4}));
    EXPECT_FALSE(diagramStretch(0, 0, 0));
}

TEST(Diagrams, DurationLabels) {
    struct Case {
        double days;
        const char* label;
    };
    const Case cases[] = {
        {2.5 * kHour, "РАБОТА: 0 сут.2 ч.30 мин."},
        {2 * kHour, "РАБОТА: 0 сут.2 ч.0 мин."}, // 0.08333… would cut to 1 h 59 min without the added second
        {1 + 23 * kHour + 59 * kMinute, "РАБОТА: 1 сут.23 ч.59 мин."},
        {1234 + 5 * kHour + 7 * kMinute + 30.0 / 86400, "РАБОТА: 1 234 сут.5 ч.7 мин."},
        {0, "РАБОТА: 0 сут.0 ч.0 мин."},
        // Exactly N days, also from sums that fall a hair short: days follow the added second too.
        {3, "РАБОТА: 3 сут.0 ч.0 мин."},
        {(3 * 86400 - 1e-7) / 86400, "РАБОТА: 3 сут.0 ч.0 мин."},
        {0.1 + 0.2 + 0.7 - 1e-15, "РАБОТА: 1 сут.0 ч.0 мин."},
    };
    for (const auto& c : cases) EXPECT_EQ(durationLabel("РАБОТА: ", c.days, " "), c.label) << c.days;

    const std::vector<JournalRecord> r{at(49, 10), at(3, 12), at(48, 12, 30), at(M, 13)};
    const auto slices = workIdleDiagram(r, whole(r), " ");
    ASSERT_EQ(slices.size(), 2u);
    EXPECT_EQ(slices[0].label, "РАБОТА: 0 сут.2 ч.30 мин.");
    EXPECT_EQ(slices[0].colour, 0xFF0000u);
    EXPECT_EQ(slices[1].label, "ПРОСТОЙ: 0 сут.0 ч.30 мин.");
    EXPECT_EQ(slices[1].colour, 0x009900u);
    EXPECT_NEAR(slices[1].value, 0.5 * kHour, 1e-9);
}

TEST(Diagrams, StopCauses) {
    struct Case {
        const char* rule;
        std::vector<JournalRecord> records;
        std::vector<PieSlice> slices;
    };
    const Case cases[] = {
        {"codes 12 and 14 only: no slices", {at(12, 9), at(14, 10), at(13, 11), at(16, 12)}, {}},
        {"three high-voltage stops", {at(0, 9), at(49, 9, 5), at(0, 10), at(M, 11), at(0, 12)},
         {{3, "3 высокое напряжение", 0x000000}}},
        {"table order, not time order",
         {at(140, 8), at(10, 9), at(31, 10), at(1, 11), at(10, 12), at(15, 13)},
         {{1, "1: низкое напряжение", 0x800080},
          {2, "2: перегрузка", 0xFF00FF},
          {1, "1: оператор", 0x008000},
          {1, "1: программа", 0x0000FF},
          {1, "1: отключение напряжения", 0xAF5000}}},
        {"starts and measurements are not counted", {at(49, 8), at(76, 9), at(M, 10), at(250, 11)}, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(stopCauseDiagram(c.records, whole(c.records)), c.slices) << c.rule;

    const std::vector<JournalRecord> r{at(3, 8), at(4, 9), at(5, 10), at(6, 11)};
    const auto part = stopCauseDiagram(r, {1, 2});
    ASSERT_EQ(part.size(), 2u);
    EXPECT_EQ(part[0].label, "1: давление");
    EXPECT_EQ(part[1].label, "1: температура");
    EXPECT_EQ(stopCauses().size(), 15u);
}

TEST(Diagrams, ShownPercentsAddUpToAHundred) {
    struct Case {
        const char* rule;
        std::vector<double> values;
        std::vector<int> percents;
    };
    const Case cases[] = {
        {"thirds: the first slice takes the missing percent", {1, 1, 1}, {34, 33, 33}},
        {"ten slices of 10.4 % and 6.4 % would show 96 %",
         {104, 104, 104, 104, 104, 104, 104, 104, 104, 64},
         {11, 11, 11, 11, 10, 10, 10, 10, 10, 6}},
        {"the largest remainder wins", {0.4, 49.3, 50.3}, {1, 49, 50}},
        {"exact shares stay", {1, 3}, {25, 75}},
        {"nothing to share", {0, 0}, {0, 0}},
        {"a slice of no value gets none", {2, 0, 1}, {67, 0, 33}},
    };
    for (const auto& c : cases) {
        std::vector<PieSlice> slices;
        for (double v : c.values) slices.push_back({v, "", 0});
        EXPECT_EQ(slicePercents(slices), c.percents) << c.rule;
    }
}

TEST(Diagrams, PeriodLine) {
    JournalRow a;
    a.dateText = "05.03.2024";
    a.timeText = "14:07:09";
    JournalRow b;
    b.dateText = "06.03.2024";
    b.timeText = "08:00:00";
    EXPECT_EQ(periodLine(a, b), "за период с 05.03.2024 14:07:09 по 06.03.2024 08:00:00");
}

} // namespace
