#pragma once
// The points a parameter graph draws from a journal: which records get a point, where it lies on
// the time axis and whether it belongs to an idle stretch (drawn red). The window, the printed
// graphs and the command line all take their points from here.
#include "journal/journal_record.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace vorsan {

// The quantity one series draws, numbered as the graphs number them: tens for the kind
// (1 voltages, 2 currents, 3 load, 4 pressure, 5 temperature, 6 insulation resistance), units
// for the phase.
enum class Channel : int {
    Uab = 11,
    Ubc = 12,
    Uca = 13,
    Ia = 21,
    Ib = 22,
    Ic = 23,
    Load = 31,
    Pressure = 41,
    Temperature = 51,
    Resistance = 61,
};

// The channel of a number such as 21, or nothing for a number that names none.
std::optional<Channel> channelFromNumber(int number);

// The record's value of a channel (volts, amperes, percent, atm, degrees, kOhm).
double channelValue(const JournalRecord& record, Channel channel);

// Time axis values are day counts: whole days since 1 January 1970 plus the fraction of the day.
// Nothing for a date or time that is not a real one (31 April, 25 o'clock, month 0).
std::optional<double> recordDayCount(const JournalRecord& record);

inline constexpr double kSecondsPerDay = 86400.0;

struct SeriesPoint {
    double x = 0;             // day count
    double y = 0;             // channel value
    std::size_t position = 0; // index of the record in the journal (0-based)
    bool idle = false;        // inside an idle stretch: drawn red
    bool operator==(const SeriesPoint&) const = default;
};

// One point per record, in journal order, with these exceptions: a record whose date or time is
// not real gets none, a setting change (250) gets none, and a start event (46, 48, 49, 76) gets
// none when the record before it is neither a start nor a stop event (the first record has no
// record before it and gets its point). Event records carry zero measurements, so the curve
// touches 0 at each stop and start.
//
// Idle: from a stop event or a voltage switch-on (76) on, up to and including the first record
// after the next start 46, 48 or 49. Before the journal's first start or stop event the motor
// counts as idle when that first event is a start.
std::vector<SeriesPoint> plotJournalSeries(std::span<const JournalRecord> records, Channel channel);

// Colours (24-bit, blue-green-red order) of the three series of a chart and of idle points.
inline constexpr std::uint32_t kSeriesColours[3] = {0xFF0000, 0xFF00AA, 0x008000};
inline constexpr std::uint32_t kSingleSeriesColour = 0x000000; // load, pressure, temperature, resistance
inline constexpr std::uint32_t kIdleColour = 0x0000FF;

inline std::uint32_t pointColour(const SeriesPoint& p, std::uint32_t seriesColour) {
    return p.idle ? kIdleColour : seriesColour;
}

// Top of the value axis: the highest value of the given series times 1.2; 0 when every value is
// 0 or there are no points (the axis then runs from 0 to 0).
double valueAxisMaximum(std::span<const std::vector<SeriesPoint>* const> series);
double valueAxisMaximum(const std::vector<SeriesPoint>& series);

} // namespace vorsan
