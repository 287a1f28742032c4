#pragma once
// A well's figures as one JSON object, for scripts and for checking them outside the program:
//   records, work_s, idle_s, availability, stops, starts, stops_by_cause, mtbs_s, starts_per_day,
//   longest_run_s, median_run_s, runs, months, trend
// in this order. Durations are whole seconds (mtbs_s rounded to the nearest); date-times are
// "YYYY-MM-DDThh:mm:ss", months "YYYY-MM"; a figure that does not exist is null. Numbers are
// written with a point whatever the locale.
#include "analytics/well_stats.h"

#include <string>

namespace vorsan::analytics {

// The keys of the object, in the order written.
inline constexpr const char* kStatsJsonKeys[] = {
    "records", "work_s",         "idle_s",        "availability", "stops", "starts", "stops_by_cause",
    "mtbs_s",  "starts_per_day", "longest_run_s", "median_run_s", "runs",  "months", "trend"};

// The object on one line, without a line end.
std::string statsJson(const WellStats& stats);

// A number as JSON writes it: the shortest text that reads back as the same double.
std::string jsonNumber(double v);

} // namespace vorsan::analytics
