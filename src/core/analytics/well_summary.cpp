#include "analytics/well_summary.h"

namespace vorsan::analytics {

WellSummary summaryOf(const WellStats& s) {
    WellSummary w;
    w.records = s.records;
    w.stops = s.stops;
    w.starts = s.starts;
    w.startsPerDay = s.startsPerDay;
    w.mtbs = s.mtbs;
    w.availability = s.availability;
    for (const auto& [code, count] : s.stopsByCause) // ascending codes: the first of a tie stays
        if (count > w.topCauseCount) {
            w.topCause = code;
            w.topCauseCount = count;
        }
    if (s.trend) w.daysToThreshold = s.trend->daysToThreshold;
    return w;
}

bool runsWorse(const WellSummary& a, const WellSummary& b) {
    if (!a.mtbs || !b.mtbs) return a.mtbs.has_value() && !b.mtbs.has_value();
    return *a.mtbs < *b.mtbs;
}

} // namespace vorsan::analytics
