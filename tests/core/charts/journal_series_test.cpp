#include "charts/journal_series.h"

#include "records.h"

#include <gtest/gtest.h>

#include <string>

using namespace vorsan;
using namespace vorsan::testing;

namespace {

// Each point written as position and colour: "0r" red, "2b" series colour.
std::string pointsOf(const std::vector<JournalRecord>& records) {
    std::string out;
    for (const auto& p : plotJournalSeries(records, Channel::Uab)) {
        if (!out.empty()) out += ' ';
        out += std::to_string(p.position) + (p.idle ? 'r' : 'b');
    }
    return out;
}

TEST(JournalSeries, PointsAndIdleStretches) {
    struct Case {
        const char* rule;
        std::vector<JournalRecord> records;
        const char* points;
    };
    const Case cases[] = {
        {"a journal opening with a start is idle up to the record after it", minutes({48, M, M, M}),
         "0r 1r 2b 3b"},
        {"measurements before the first start were idle", minutes({M, M, 48, 49, M, M}), "0r 1r 3r 4r 5b"},
        {"a journal opening with a stop runs until it", minutes({M, 3, M, M}), "0b 1r 2r 3r"},
        {"red up to the first record after start 46", minutes({M, 3, 46, M, M}), "0b 1r 2r 3r 4b"},
        {"red up to the first record after start 48", minutes({M, 3, 48, M, M}), "0b 1r 2r 3r 4b"},
        {"red up to the first record after start 49", minutes({M, 3, 49, M, M}), "0b 1r 2r 3r 4b"},
        {"voltage switched on does not end idle", minutes({M, 140, 76, M, M}), "0b 1r 2r 3r 4r"},
        {"voltage switched on stops a running motor", minutes({M, 3, 49, M, M, 76, M}), "0b 1r 2r 3r 4b 6r"},
        {"a start straight after a measurement gets no point", minutes({M, 3, M, 49, M, M}), "0b 1r 2r 4r 5b"},
        {"a start after another start gets its point", minutes({M, 3, 76, 48, M, M}), "0b 1r 2r 3r 4r 5b"},
        {"a setting change gets no point", minutes({M, 250, M}), "0b 2b"},
        {"a setting change is the first record after a start", minutes({3, 48, 250, M, M}), "0r 1r 3b 4b"},
        {"stop codes 0-16, 31 and 140 all stop", minutes({M, 16, M, 49, M, 31, M}), "0b 1r 2r 4r 5r 6r"},
        {"unknown code 20 is a measurement", minutes({M, 3, 20, 48, M}), "0b 1r 2r 4r"},
        {"no events at all: all in the series colour", minutes({M, M, 250, M}), "0b 1b 3b"},
        {"empty journal", {}, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(pointsOf(c.records), c.points) << c.rule;

    // An impossible date gets no point, yet its start event still counts.
    auto skipped = minutes({3, 48, M, M, M});
    skipped[2].month = 4;
    skipped[2].day = 31;
    EXPECT_EQ(pointsOf(skipped), "0r 1r 3r 4b");
}

TEST(JournalSeries, ValuesAndTimes) {
    auto records = minutes({M, 3, 48, M});
    records[0].IB = 12.5;
    records[3].ZAGR = 77;
    const auto volts = plotJournalSeries(records, Channel::Uab);
    ASSERT_EQ(volts.size(), 4u);
    EXPECT_EQ(volts[0].y, 400);
    EXPECT_EQ(volts[1].y, 0); // the stop touches 0
    EXPECT_EQ(volts[2].y, 0); // so does the start after it
    EXPECT_DOUBLE_EQ(volts[0].x, 19787 + 10.0 / 24);
    EXPECT_DOUBLE_EQ(volts[3].x, 19787 + 10.0 / 24 + 3.0 / 1440);
    EXPECT_EQ(plotJournalSeries(records, Channel::Ib)[0].y, 12.5);
    EXPECT_EQ(plotJournalSeries(records, Channel::Load)[3].y, 77);
}

TEST(JournalSeries, RealDatesOnly) {
    struct Case {
        int y, mo, d, h, mi, s;
        bool real;
    };
    const Case cases[] = {
        {2024, 2, 29, 0, 0, 0, true},   {2023, 2, 29, 0, 0, 0, false}, {2024, 4, 31, 0, 0, 0, false},
        {2024, 4, 30, 23, 59, 59, true}, {2024, 0, 1, 0, 0, 0, false},  {2024, 13, 1, 0, 0, 0, false},
        {2024, 1, 0, 0, 0, 0, false},    {2024, 1, 1, 24, 0, 0, false}, {2024, 1, 1, 0, 60, 0, false},
        {2024, 1, 1, 0, 0, 60, false},
    };
    for (const auto& c : cases) {
        JournalRecord r;
        r.year = static_cast<std::uint16_t>(c.y);
        r.month = static_cast<std::uint8_t>(c.mo);
        r.day = static_cast<std::uint8_t>(c.d);
        r.hour = static_cast<std::uint8_t>(c.h);
        r.minute = static_cast<std::uint8_t>(c.mi);
        r.second = static_cast<std::uint8_t>(c.s);
        EXPECT_EQ(recordDayCount(r).has_value(), c.real) << c.y << '-' << c.mo << '-' << c.d << ' ' << c.h;
    }
    JournalRecord epoch;
    epoch.year = 1970;
    epoch.month = 1;
    epoch.day = 1;
    epoch.hour = 6;
    EXPECT_EQ(recordDayCount(epoch), 0.25);
}

TEST(JournalSeries, ValueAxisMaximum) {
    EXPECT_EQ(valueAxisMaximum(plotJournalSeries(minutes({3, 48, 5}), Channel::Uab)), 0); // 0 .. 0
    EXPECT_EQ(valueAxisMaximum(std::vector<SeriesPoint>{}), 0);
    std::vector<SeriesPoint> a{{0, 100, 0, false}, {1, 250, 1, false}};
    std::vector<SeriesPoint> b{{0, 300, 0, false}};
    EXPECT_DOUBLE_EQ(valueAxisMaximum(a), 300);
    const std::vector<SeriesPoint>* both[] = {&a, &b, nullptr};
    EXPECT_DOUBLE_EQ(valueAxisMaximum(both), 360);
}

TEST(JournalSeries, Channels) {
    EXPECT_EQ(channelFromNumber(23), Channel::Ic);
    EXPECT_EQ(channelFromNumber(61), Channel::Resistance);
    for (int bad : {0, 10, 14, 24, 32, 62, -11}) EXPECT_FALSE(channelFromNumber(bad)) << bad;
}

} // namespace

#include "charts/series_csv.h"

namespace {

TEST(SeriesCsv, PointsAsLines) {
    auto records = minutes({M, 250, 3, 48, M});
    records[0].IA = 12.3;
    records[4].IA = 1e-3;
    EXPECT_EQ(seriesCsv(records, Channel::Ia),
              "position,date_time,value,idle\n"
              "1,2024-03-05 10:00:00,12.3,0\n"
              "3,2024-03-05 10:02:00,0,1\n"
              "4,2024-03-05 10:03:00,0,1\n"
              "5,2024-03-05 10:04:00,0.001,1\n");
    EXPECT_EQ(seriesCsv(records, Channel::Uab, 0).substr(30, 2), "0,");
    EXPECT_EQ(seriesCsv({}, Channel::Uab), "position,date_time,value,idle\n");
}

} // namespace
