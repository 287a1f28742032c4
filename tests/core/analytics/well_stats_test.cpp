// Run-life figures on small hand-built journals: each case's expected figures are worked out by
// hand from the records' moments.
#include "analytics/stats_json.h"
#include "analytics/well_stats.h"
#include "settings/catalogue.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

using namespace vorsan;
using namespace vorsan::analytics;

namespace {

// A record at "YYYY-MM-DD hh:mm:ss" (taken apart as written, so impossible dates stay impossible).
JournalRecord at(const char* when, std::uint8_t code, std::uint16_t sop = 0) {
    const std::string s = when;
    JournalRecord r;
    r.year = std::uint16_t(std::stoi(s.substr(0, 4)));
    r.month = std::uint8_t(std::stoi(s.substr(5, 2)));
    r.day = std::uint8_t(std::stoi(s.substr(8, 2)));
    r.hour = std::uint8_t(std::stoi(s.substr(11, 2)));
    r.minute = std::uint8_t(std::stoi(s.substr(14, 2)));
    r.second = std::uint8_t(std::stoi(s.substr(17, 2)));
    r.SOBYTIE = code;
    r.SOP = sop;
    return r;
}

struct Case {
    const char* name;
    std::vector<JournalRecord> journal;
    std::size_t records;
    Seconds work, idle;
    std::optional<double> availability;
    std::size_t stops, starts;
    std::optional<double> mtbs, startsPerDay;
    std::optional<Seconds> longest, median;
    std::vector<Run> runs;
};

constexpr Seconds kH = 3600;
const Seconds kDay0 = *momentOf(2026, 9, 1, 0, 0, 0);

TEST(WellStats, Definitions) {
    const Case cases[] = {
        {"a stop first closes nothing",
         {at("2026-09-01 10:00:00", 0), at("2026-09-01 11:00:00", 49), at("2026-09-01 13:00:00", 3),
          at("2026-09-01 14:00:00", 255)},
         4,
         2 * kH,
         2 * kH,
         0.5,
         2,
         1,
         3600.0,
         6.0,
         2 * kH,
         2 * kH,
         {{kDay0 + 11 * kH, kDay0 + 13 * kH, 3, false}}},
        {"two starts in a row open one run",
         {at("2026-09-01 10:00:00", 48), at("2026-09-01 10:30:00", 49), at("2026-09-01 12:00:00", 10)},
         3,
         2 * kH,
         0,
         1.0,
         1,
         2,
         7200.0,
         24.0,
         2 * kH,
         2 * kH,
         {{kDay0 + 10 * kH, kDay0 + 12 * kH, 10, false}}},
        {"an open run ends at the last record",
         {at("2026-09-01 08:00:00", 255), at("2026-09-01 09:00:00", 76), at("2026-09-01 12:00:00", 255)},
         3,
         3 * kH,
         0,
         1.0,
         0,
         1,
         std::nullopt,
         6.0,
         std::nullopt,
         std::nullopt,
         {{kDay0 + 9 * kH, kDay0 + 12 * kH, std::nullopt, true}}},
        {"impossible dates and times are passed over",
         {at("2026-09-01 10:00:00", 49), at("2026-02-30 11:00:00", 0), at("2026-09-01 24:00:00", 0),
          at("2026-09-01 10:61:00", 0), at("2026-09-01 12:00:00", 140)},
         2,
         2 * kH,
         0,
         1.0,
         1,
         1,
         7200.0,
         12.0,
         2 * kH,
         2 * kH,
         {{kDay0 + 10 * kH, kDay0 + 12 * kH, 140, false}}},
        {"no stops and no starts",
         {at("2026-09-01 00:00:00", 255), at("2026-09-03 00:00:00", 250)},
         2,
         0,
         0,
         std::nullopt,
         0,
         0,
         std::nullopt,
         0.0,
         std::nullopt,
         std::nullopt,
         {}},
        {"one record spans no time",
         {at("2026-09-01 00:00:00", 3)},
         1,
         0,
         0,
         std::nullopt,
         1,
         0,
         0.0,
         std::nullopt,
         std::nullopt,
         std::nullopt,
         {}},
        {"the lower middle run of an even count; stop codes 16 and 31 are stops",
         {at("2026-09-01 00:00:00", 49), at("2026-09-01 00:01:40", 16), at("2026-09-01 01:00:00", 49),
          at("2026-09-01 01:05:00", 31), at("2026-09-01 02:00:00", 46), at("2026-09-01 02:03:20", 9),
          at("2026-09-01 03:00:00", 49), at("2026-09-01 03:06:40", 9), at("2026-09-01 04:00:00", 17)},
         9,
         1000,
         4 * kH - 1000,
         1000.0 / (4 * kH),
         4,
         4,
         250.0,
         24.0,
         400,
         200,
         {{kDay0, kDay0 + 100, 16, false},
          {kDay0 + kH, kDay0 + kH + 300, 31, false},
          {kDay0 + 2 * kH, kDay0 + 2 * kH + 200, 9, false},
          {kDay0 + 3 * kH, kDay0 + 3 * kH + 400, 9, false}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const WellStats s = computeWellStats(c.journal, {});
        EXPECT_EQ(s.records, c.records);
        EXPECT_EQ(s.work, c.work);
        EXPECT_EQ(s.idle, c.idle);
        EXPECT_EQ(s.availability.has_value(), c.availability.has_value());
        if (s.availability && c.availability) {
            EXPECT_DOUBLE_EQ(*s.availability, *c.availability);
        }
        EXPECT_EQ(s.stops, c.stops);
        EXPECT_EQ(s.starts, c.starts);
        EXPECT_EQ(s.mtbs, c.mtbs);
        EXPECT_EQ(s.startsPerDay.has_value(), c.startsPerDay.has_value());
        if (s.startsPerDay && c.startsPerDay) {
            EXPECT_DOUBLE_EQ(*s.startsPerDay, *c.startsPerDay);
        }
        EXPECT_EQ(s.longestRun, c.longest);
        EXPECT_EQ(s.medianRun, c.median);
        EXPECT_EQ(s.runs, c.runs);
    }
}

TEST(WellStats, StopsByCauseAndPeriodBoundsBothIncluded) {
    const std::vector<JournalRecord> j = {at("2026-09-01 10:00:00", 49), at("2026-09-01 11:00:00", 3),
                                          at("2026-09-01 12:00:00", 49), at("2026-09-01 13:00:00", 3),
                                          at("2026-09-01 14:00:00", 49), at("2026-09-01 15:00:00", 0)};
    const WellStats all = computeWellStats(j, {});
    EXPECT_EQ(all.stopsByCause, (std::map<std::uint8_t, std::size_t>{{0, 1}, {3, 2}}));
    const WellStats part =
        computeWellStats(j, {}, {parseMoment("2026-09-01 11:00"), parseMoment("2026-09-01 14:00:00")});
    EXPECT_EQ(part.records, 4u);
    EXPECT_EQ(part.stops, 2u);
    EXPECT_EQ(part.starts, 2u);
    EXPECT_EQ(part.work, kH); // 12:00-13:00; the start at 14:00 opens a run of no time
    EXPECT_EQ(part.idle, 2 * kH);
}

TEST(WellStats, MonthsSplitRunsAndKeepEmptyMonths) {
    const std::vector<JournalRecord> j = {at("2026-08-31 22:00:00", 49), at("2026-09-01 02:00:00", 5),
                                          at("2026-11-30 23:00:00", 48), at("2026-11-30 23:30:00", 255)};
    const WellStats s = computeWellStats(j, {});
    EXPECT_EQ(s.months, (std::vector<MonthFigures>{{2026, 8, 0, 1, 2 * kH},
                                                   {2026, 9, 1, 0, 2 * kH},
                                                   {2026, 10, 0, 0, 0},
                                                   {2026, 11, 0, 1, 30 * 60}}));
    EXPECT_EQ(
        statsJson(s).find("\"months\":[{\"month\":\"2026-08\",\"stops\":0,\"starts\":1,\"work_s\":7200}"),
        statsJson(s).find("\"months\":"));
}

TEST(WellStats, InsulationTrend) {
    // One measurement a day; the last day's is the journal's last record.
    const auto days = [](int count, double first, double perDay) {
        std::vector<JournalRecord> j = {at("2026-07-01 00:00:00", 255, 9999)}; // 60 days before: left out
        for (int d = 0; d < count; ++d) {
            const std::string when = "2026-08-" + std::to_string(21 + d) + " 12:00:00";
            j.push_back(at(when.c_str(), 255, std::uint16_t(first + perDay * d)));
            if (d == 3) j.push_back(at(when.c_str(), 255, 65535)); // no value: left out
        }
        return j;
    };
    const InsulationSettings on{true, 100.0}, off{false, 100.0};
    const struct {
        const char* name;
        std::vector<JournalRecord> journal;
        InsulationSettings settings;
        std::optional<double> slope;
        std::optional<double> days;
    } cases[] = {
        {"falling, protection on", days(10, 1000, -50), on, -50.0, 9.0},
        {"falling, protection off", days(10, 1000, -50), off, -50.0, std::nullopt},
        {"falling, setpoint unknown", days(10, 1000, -50), {true, std::nullopt}, -50.0, std::nullopt},
        {"already below the setpoint", days(10, 99, -1), on, -1.0, 0.0},
        {"rising, protection on", days(10, 100, 10), on, 10.0, std::nullopt},
        {"nine measurements are no trend", days(9, 1000, -50), on, std::nullopt, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const WellStats s = computeWellStats(c.journal, c.settings);
        ASSERT_EQ(s.trend.has_value(), c.slope.has_value());
        if (!s.trend) continue;
        EXPECT_NEAR(s.trend->slopeKohmPerDay, *c.slope, 1e-9);
        EXPECT_EQ(s.trend->points.size(), 10u);
        EXPECT_EQ(s.trend->thresholdKohm, c.settings.thresholdKohm);
        ASSERT_EQ(s.trend->daysToThreshold.has_value(), c.days.has_value());
        if (c.days) {
            EXPECT_NEAR(*s.trend->daysToThreshold, *c.days, 1e-9);
        }
    }
}

TEST(WellStats, InsulationSettingsByNameInBothGenerations) {
    for (const auto g : {ControllerGeneration::Gen4, ControllerGeneration::Gen3}) {
        SettingsCatalogue c = buildCatalogue(g);
        EXPECT_EQ(insulationSettingsOf(c), (InsulationSettings{false, std::nullopt}));
        const int protection = g == ControllerGeneration::Gen4 ? 70 : 77;
        c.byNumber(protection)->value = 1;
        c.byNumber(protection + 1)->value = 250;
        EXPECT_EQ(insulationSettingsOf(c), (InsulationSettings{true, 250.0}));
        c.byNumber(protection)->value = 0;
        EXPECT_FALSE(insulationSettingsOf(c).protectionOn);
    }
}

TEST(WellStats, MomentsAsTheCommandLineTakesThem) {
    EXPECT_EQ(parseMoment("2026-09-01"), momentOf(2026, 9, 1, 0, 0, 0));
    EXPECT_EQ(parseMoment("2026-09-01 12:30"), momentOf(2026, 9, 1, 12, 30, 0));
    EXPECT_EQ(parseMoment("2024-02-29T23:59:59"), momentOf(2024, 2, 29, 23, 59, 59));
    for (const char* bad :
         {"2026-02-29", "2026-9-1", "2026-09-01 24:00", "2026-09-01 12:00:0", "01.09.2026", ""})
        EXPECT_FALSE(parseMoment(bad)) << bad;
    EXPECT_EQ(isoText(*momentOf(2024, 2, 29, 23, 59, 59)), "2024-02-29T23:59:59");
}

TEST(WellStats, JsonKeysInOrderWithNulls) {
    const std::vector<JournalRecord> j = {at("2026-09-01 08:00:00", 255), at("2026-09-01 09:00:00", 76),
                                          at("2026-09-01 12:00:00", 255)};
    EXPECT_EQ(
        statsJson(computeWellStats(j, {})),
        "{\"records\":3,\"work_s\":10800,\"idle_s\":0,\"availability\":1,\"stops\":0,\"starts\":1,"
        "\"stops_by_cause\":{},\"mtbs_s\":null,\"starts_per_day\":6,\"longest_run_s\":null,"
        "\"median_run_s\":null,\"runs\":[{\"begin\":\"2026-09-01T09:00:00\",\"end\":\"2026-09-01T12:00:00\","
        "\"duration_s\":10800,\"cause\":null,\"open\":true}],\"months\":[{\"month\":\"2026-09\",\"stops\":0,"
        "\"starts\":1,\"work_s\":10800}],\"trend\":null}");
    // mtbs_s in whole seconds: 7 s of work over 2 stops.
    const std::vector<JournalRecord> k = {at("2026-09-01 08:00:00", 49), at("2026-09-01 08:00:07", 3),
                                          at("2026-09-01 08:00:08", 3)};
    EXPECT_NE(statsJson(computeWellStats(k, {})).find("\"stops_by_cause\":{\"3\":2},\"mtbs_s\":4,"),
              std::string::npos);
}

} // namespace
