// The series the drawings of a well's figures use: the stops of every month by cause and the
// thinned resistance curve.
#include "analytics/stats_series.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

using namespace vorsan;
using namespace vorsan::analytics;

namespace {

JournalRecord on(int month, int day, std::uint8_t code) {
    JournalRecord r;
    r.year = 2026, r.month = std::uint8_t(month), r.day = std::uint8_t(day), r.hour = 12;
    r.SOBYTIE = code;
    return r;
}

using ByCause = std::map<std::uint8_t, std::size_t>;

TEST(MonthStopsByCause, OneMapPerMonthOfTheFigures) {
    const struct {
        const char* name;
        std::vector<JournalRecord> records;
        Period period;
        std::vector<ByCause> expected;
    } cases[] = {
        {"stops of two causes in the first month, none in the second, one in the third",
         {on(1, 5, 49), on(1, 6, 3), on(1, 7, 49), on(1, 8, 3), on(1, 9, 49), on(1, 10, 10), on(2, 10, kCodeMeasurement),
          on(3, 1, 49), on(3, 2, 140)},
         {},
         {{{3, 2}, {10, 1}}, {}, {{140, 1}}}},
        {"an impossible date is passed over",
         {on(1, 5, 49), on(1, 6, 3), on(2, 30, 8), on(3, 1, 0)},
         {},
         {{{3, 1}}, {}, {{0, 1}}}},
        {"starts and other codes count nothing",
         {on(4, 1, 46), on(4, 2, 250), on(4, 3, 12), on(4, 4, 76)},
         {},
         {{{12, 1}}}},
        {"the period leaves out the stops before it",
         {on(1, 5, 3), on(2, 6, 3), on(2, 7, 9)},
         {momentOf(2026, 2, 1, 0, 0, 0), std::nullopt},
         {{{3, 1}, {9, 1}}}},
    };
    for (const auto& c : cases) {
        const WellStats s = computeWellStats(c.records, {}, c.period);
        EXPECT_EQ(monthStopsByCause(c.records, s.months, c.period), c.expected) << c.name;
    }
}

std::vector<ResistancePoint> points(std::initializer_list<std::pair<Seconds, double>> list) {
    std::vector<ResistancePoint> out;
    for (const auto& [at, kohm] : list) out.push_back({at, kohm});
    return out;
}

bool same(const std::vector<ResistancePoint>& a, const std::vector<ResistancePoint>& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].at != b[i].at || a[i].kohm != b[i].kohm) return false;
    return true;
}

TEST(ThinnedPoints, EachColumnKeepsItsLowestAndHighestInTimeOrder) {
    const auto few = points({{0, 5}, {10, 7}, {20, 6}});
    EXPECT_TRUE(same(thinnedPoints(few, 2), few)) << "no more than twice the columns: unchanged";
    EXPECT_TRUE(same(thinnedPoints(few, 0), few)) << "no columns: unchanged";
    // Two columns over 0 … 99: 0 … 49 and 50 … 99.
    const auto many = points({{0, 5}, {10, 9}, {20, 1}, {30, 4}, {49, 4}, {50, 3}, {60, 3}, {70, 8}, {99, 2}});
    EXPECT_TRUE(same(thinnedPoints(many, 2), points({{10, 9}, {20, 1}, {70, 8}, {99, 2}})));
    // One column of equal values keeps one point.
    const auto flat = points({{0, 3}, {1, 3}, {2, 3}, {3, 3}, {4, 3}});
    EXPECT_TRUE(same(thinnedPoints(flat, 1), points({{0, 3}})));
    // All at one moment: the first and the last.
    const auto still = points({{7, 1}, {7, 2}, {7, 3}, {7, 4}, {7, 5}});
    EXPECT_TRUE(same(thinnedPoints(still, 1), points({{7, 1}, {7, 5}})));
}

TEST(ThinnedPoints, AtMostTwicePerColumn) {
    std::vector<ResistancePoint> curve;
    for (Seconds t = 0; t < 200000; ++t) curve.push_back({t * 60, double((t * 7919) % 1000)});
    const auto thin = thinnedPoints(curve, 800);
    EXPECT_LE(thin.size(), 1600u);
    EXPECT_GE(thin.size(), 800u);
    for (std::size_t i = 1; i < thin.size(); ++i) EXPECT_LT(thin[i - 1].at, thin[i].at);
}

} // namespace
