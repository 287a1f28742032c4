#pragma once
// The line of one well in an oilfield's table: what the table shows and sorts by, small enough to
// be kept for every well between two showings of the table.
#include "analytics/well_stats.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace vorsan::analytics {

struct WellSummary {
    std::size_t records = 0;
    std::size_t stops = 0;
    std::size_t starts = 0;
    std::optional<double> startsPerDay;
    std::optional<double> mtbs; // seconds: the mean run between two stops
    std::optional<double> availability;
    // The stop code counted most often (the lower code of equal counts), and its count.
    std::optional<std::uint8_t> topCause;
    std::size_t topCauseCount = 0;
    std::optional<double> daysToThreshold;
    bool operator==(const WellSummary&) const = default;
};

WellSummary summaryOf(const WellStats& stats);

// The table's order, worst first: the shorter mean run between stops first; wells without a stop
// (no mean run) after all others. Stable sorting keeps the given order among equals.
bool runsWorse(const WellSummary& a, const WellSummary& b);

} // namespace vorsan::analytics
