#pragma once
// The points of one graph series as CSV, for plotting in other programs: one line a point,
// "position,date_time,value,idle" with the record's position as the graph labels it, the time as
// "2024-03-05 14:07:09", the value with a point as decimal separator whatever the locale, and
// idle 1 for the red stretches.
#include "charts/journal_series.h"

#include <cstddef>
#include <span>
#include <string>

namespace vorsan {

inline constexpr const char* kSeriesCsvHeader = "position,date_time,value,idle";

// Header line and one line per point, each ending in '\n'. `firstNumber` is the position of the
// first record (1 for a journal file, 0 for a well's database journal). Only the points of records
// `firstRecord` to `lastRecord` (0-based, both included) are written; their idle flags are those
// the whole journal's graph gives them.
std::string seriesCsv(std::span<const JournalRecord> records, Channel channel, int firstNumber = 1,
                      std::size_t firstRecord = 0, std::size_t lastRecord = static_cast<std::size_t>(-1));

// A number as the files carry it: shortest form that reads back to the same value, '.' separator.
std::string plainNumber(double value);

} // namespace vorsan
