#include "charts/graph_rules.h"

#include "records.h"

#include <gtest/gtest.h>

using namespace vorsan;
using namespace vorsan::testing;

namespace {

std::string planText(Quantity q, PhaseBoxes& boxes) {
    std::string out;
    for (const auto& s : oneGraphSeries(q, boxes)) {
        if (!out.empty()) out += ' ';
        out += s ? std::to_string(static_cast<int>(s->channel)) + "/" + std::to_string(s->colour) : "-";
    }
    return out;
}

TEST(GraphRules, SeriesOfEachQuantity) {
    struct Case {
        Quantity q;
        PhaseBoxes boxes;
        const char* plan;
        PhaseBoxes boxesAfter;
    };
    // Colours: 16711680 = 0xFF0000, 16711850 = 0xFF00AA, 32768 = 0x008000, 0 black.
    const Case cases[] = {
        {Quantity::voltage, {true, true, true}, "11/16711680 12/16711850 13/32768", {true, true, true}},
        {Quantity::voltage, {false, true, false}, "- 12/16711850 -", {false, true, false}},
        {Quantity::current, {true, false, true}, "21/16711680 - 23/32768", {true, false, true}},
        {Quantity::load, {false, false, true}, "- - 31/0", {false, false, true}},
        {Quantity::pressure, {true, true, false}, "41/0 - -", {true, true, false}},
        {Quantity::temperature, {false, true, true}, "- 51/0 -", {false, true, true}},
        {Quantity::resistance, {true, false, false}, "61/0 - -", {true, false, false}},
        {Quantity::pressureTemperature, {false, false, true}, "41/16711680 51/16711850 -", {true, true, true}},
    };
    for (const auto& c : cases) {
        PhaseBoxes boxes = c.boxes;
        EXPECT_EQ(planText(c.q, boxes), c.plan) << quantityButtonText(c.q);
        EXPECT_EQ(boxes, c.boxesAfter) << quantityButtonText(c.q);
    }
}

TEST(GraphRules, AxisTitles) {
    struct Case {
        Quantity q;
        PhaseBoxes boxes;
        const char* title;
    };
    const Case cases[] = {
        {Quantity::voltage, {true, false, true}, "Напряжение,Uab ,Uca "},
        {Quantity::current, {true, true, true}, "Ток,Ia ,Ib ,Ic "},
        {Quantity::load, {true, true, true}, "Загрузка"},
        {Quantity::pressure, {true, false, false}, "Давление"},
        {Quantity::temperature, {true, false, false}, "Температура"},
        {Quantity::pressureTemperature, {true, true, false}, "Давление / Температура"},
        {Quantity::resistance, {true, false, false}, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(oneGraphAxisTitle(c.q, c.boxes), c.title);
    EXPECT_EQ(voltageChartTitle({false, true, true}), "напряжение, Ubc, Uca");
    EXPECT_EQ(currentChartTitle({true, false, false}), "ток, Ia");
    EXPECT_STREQ(phaseBoxText(Quantity::current, 1), "Ib, A");
    EXPECT_STREQ(phaseBoxText(Quantity::load, 1), "Ubc, B");
}

TEST(GraphRules, LastCheckedBoxStays) {
    EXPECT_FALSE(mayUncheck({false, true, false}, 1));
    EXPECT_TRUE(mayUncheck({true, true, false}, 1));
    EXPECT_TRUE(mayUncheck({false, true, false}, 0)); // not checked: nothing to keep
}

TEST(GraphRules, ZoomLimits) {
    const TimeWindow data{100, 101};
    const double twoSeconds = 2.0 / 86400;
    const double threeSeconds = 3.0 / 86400;
    EXPECT_FALSE(canZoomIn({100.5, 100.5 + twoSeconds}));
    EXPECT_TRUE(canZoomIn({100.5, 100.5 + threeSeconds}));
    EXPECT_TRUE(canZoomOut({100, 101}, data));
    EXPECT_FALSE(canZoomOut({99.9, 101}, data));

    const auto in = zoomAboutCentre({100, 101.15}, kZoomInFactor);
    EXPECT_DOUBLE_EQ(in.width(), 1.0);
    EXPECT_DOUBLE_EQ((in.min + in.max) / 2, 100.575);
    const auto out = zoomAboutCentre({100, 100.85}, kZoomOutFactor);
    EXPECT_DOUBLE_EQ(out.width(), 1.0);

    // Zooming in step by step from a day stops once the window is no wider than ~2.3 s.
    TimeWindow w = data;
    int steps = 0;
    while (canZoomIn(w) && steps < 1000) {
        w = zoomAboutCentre(w, kZoomInFactor);
        ++steps;
    }
    EXPECT_LE(w.width(), kNarrowestWindowDays);
    EXPECT_GT(w.width() * kZoomInFactor, kNarrowestWindowDays);
}

TEST(GraphRules, ScrollingAndPages) {
    const TimeWindow data{100, 110};
    EXPECT_EQ(scrollPosition({105, 106}, data), 50);
    EXPECT_EQ(scrollPosition({100, 101}, data), 0);
    EXPECT_EQ(scrollPosition({1, 2}, {5, 5}), 0); // a journal of one moment
    // Position 30 puts the window's maximum at 100 + 3 + width / 2.
    EXPECT_EQ(windowAtScroll({105, 107}, data, 30), (TimeWindow{102, 104}));

    const auto left = pageLeft({102, 104}, data);
    EXPECT_EQ(left.window, (TimeWindow{100, 102}));
    EXPECT_TRUE(left.stillEnabled);
    EXPECT_FALSE(pageLeft({101, 103}, data).stillEnabled);
    const auto right = pageRight({106, 108}, data);
    EXPECT_EQ(right.window, (TimeWindow{108, 110}));
    EXPECT_TRUE(right.stillEnabled);
    EXPECT_FALSE(pageRight({107, 109}, data).stillEnabled);
}

TEST(GraphRules, TimeRangesOfJournals) {
    auto records = minutes({M, M, M});
    records.front().day = 0; // not a real date: the range starts at the next record
    const auto range = journalTimeRange(records);
    ASSERT_TRUE(range);
    EXPECT_DOUBLE_EQ(range->min, 19787 + (10 * 60 + 1) / 1440.0);
    EXPECT_DOUBLE_EQ(range->max, 19787 + (10 * 60 + 2) / 1440.0);
    EXPECT_FALSE(journalTimeRange({}));

    std::vector<JournalRecord> db;
    for (int i = 0; i < 1500; ++i) {
        auto r = at(M, 0);
        r.day = static_cast<std::uint8_t>(1 + i / 1440 % 28);
        r.hour = static_cast<std::uint8_t>(i / 60 % 24);
        r.minute = static_cast<std::uint8_t>(i % 60);
        db.push_back(r);
    }
    const auto opening = databaseOpeningWindow(db);
    ASSERT_TRUE(opening);
    EXPECT_EQ(opening->min, *recordDayCount(db[499]));
    EXPECT_EQ(opening->max, *recordDayCount(db[1499]));
    db.resize(700);
    EXPECT_EQ(databaseOpeningWindow(db)->min, *recordDayCount(db[0]));
}

TEST(GraphRules, StopLinesOfTheVisibleWindow) {
    const auto records = minutes({M, 3, 48, M, 10, 140, M});
    std::vector<JournalRow> rows(records.size());
    for (std::size_t i = 0; i < rows.size(); ++i) {
        rows[i].dateText = "05.03.2024";
        rows[i].timeText = "10:0" + std::to_string(i);
    }
    rows[1].eventText = "Стоп : недогрузка";
    rows[4].eventText = "Стоп : перегрузка ";
    rows[5].eventText = "Отключение напряжения";
    const double day = 19787;
    const auto all = stopLinesInWindow(records, rows, {day, day + 1});
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0], "Причина останова: 05.03.2024 10:01 - Стоп : недогрузка");
    EXPECT_EQ(all[1], "Причина останова: 05.03.2024 10:04 - Стоп : перегрузка");
    // The window's ends are inside it.
    const auto two = stopLinesInWindow(records, rows, {day + (600 + 2) / 1440.0, day + (600 + 4) / 1440.0});
    ASSERT_EQ(two.size(), 1u);
    EXPECT_EQ(two[0], all[1]);
}

} // namespace
