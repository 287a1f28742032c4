#pragma once
// Run-life figures of one well over its journal: runs between a start and the stop that ends it,
// work and idle time, stops by cause, restarts, the same per calendar month, and the trend of the
// insulation resistance towards the low-resistance protection's setpoint.
//
// The journal is taken in the order given (a decoded journal file, or a database well's rows in
// the order the database shows them). Records whose date or time is not a real calendar date or
// time are passed over; so are those outside the period when one is given. Times are the
// records' wall-clock date-times, without a time zone.
#include "journal/journal_record.h"
#include "settings/setting_def.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorsan::analytics {

// A wall-clock moment: seconds since 1970-01-01 00:00:00 of the same clock (no time zone).
using Seconds = std::int64_t;
inline constexpr Seconds kSecondsPerDay = 86400;

// The moment of a date and time, nullopt when it is not a real one (30.02, 24:00, 12:60 ...).
std::optional<Seconds> momentOf(int year, int month, int day, int hour, int minute, int second);
std::optional<Seconds> momentOf(const JournalRecord& r);

struct CivilTime {
    int year = 1970, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};
CivilTime civilOf(Seconds t);
// "2026-09-01T12:00:00"
std::string isoText(Seconds t);
// "2026-09"
std::string monthText(int year, int month);

// A moment as the command line takes it: "2026-09-01" (its 00:00:00), "2026-09-01 12:00" or
// "2026-09-01 12:00:00" (a "T" may stand for the blank). nullopt for anything else.
std::optional<Seconds> parseMoment(std::string_view text);

// Records with from <= moment <= to count; a bound not given does not limit.
struct Period {
    std::optional<Seconds> from;
    std::optional<Seconds> to;
    bool operator==(const Period&) const = default;
};

// What the insulation trend needs of the well's settings.
struct InsulationSettings {
    bool protectionOn = false; // "Сопротивление изоляции защита" = "Вкл"
    std::optional<double> thresholdKohm; // "Уставка низкого сопротивления изоляции", when known
    bool operator==(const InsulationSettings&) const = default;
};
inline constexpr const char* kInsulationProtectionName = "Сопротивление изоляции защита";
inline constexpr const char* kInsulationSetpointName = "Уставка низкого сопротивления изоляции";
inline constexpr const char* kProtectionOnText = "Вкл";
// Both settings are found by their names, so either generation's catalogue serves.
InsulationSettings insulationSettingsOf(const SettingsCatalogue& catalogue);

// One run: from a start event while not running to the stop event that ends it, or to the last
// record when none does (open).
struct Run {
    Seconds begin = 0;
    Seconds end = 0;
    std::optional<std::uint8_t> cause; // the stop's code; none for an open run
    bool open = false;
    Seconds duration() const { return end - begin; }
    bool operator==(const Run&) const = default;
};

// One calendar month: the stop and start events whose moment falls in it and the run time that
// does (a run across a month boundary is split there).
struct MonthFigures {
    int year = 0;
    int month = 0;
    std::size_t stops = 0;
    std::size_t starts = 0;
    Seconds work = 0;
    bool operator==(const MonthFigures&) const = default;
};

// The insulation resistance over the last 30 days of the journal.
inline constexpr Seconds kTrendWindow = 30 * kSecondsPerDay;
inline constexpr std::size_t kTrendMinPoints = 10;
struct ResistancePoint {
    Seconds at = 0;
    double kohm = 0;
};
struct Trend {
    // The least-squares line of resistance (kOhm) against time in days.
    double slopeKohmPerDay = 0;
    double kohmAtLast = 0; // the line's value at the last record's moment
    Seconds last = 0;      // the last record's moment
    std::optional<double> thresholdKohm;
    // Days from the last record until the line reaches the setpoint (0 when it is already at or
    // below it there): only with the protection on and a falling line.
    std::optional<double> daysToThreshold;
    std::vector<ResistancePoint> points; // the measurements the line was fitted to
    double lineAt(Seconds t) const {
        return kohmAtLast + slopeKohmPerDay * double(t - last) / double(kSecondsPerDay);
    }
};

struct WellStats {
    std::size_t records = 0;      // records considered
    std::optional<Seconds> first; // moment of the first and the last record considered
    std::optional<Seconds> last;
    Seconds work = 0; // sum of the run durations, the open run included
    // From the first start or stop event to the last record, less the work.
    Seconds idle = 0;
    std::optional<double> availability; // work / (work + idle); none without start or stop events
    std::size_t stops = 0;              // every stop event, also those while not running
    std::size_t starts = 0;             // every start event, also those while running
    std::map<std::uint8_t, std::size_t> stopsByCause;
    std::optional<double> mtbs;         // mean time between stops: work / stops, seconds
    std::optional<double> startsPerDay; // starts / (days from the first to the last record)
    std::optional<Seconds> longestRun;  // over the closed runs
    std::optional<Seconds> medianRun;   // the lower middle one for an even count
    std::vector<Run> runs;              // in journal order, the open one last
    std::vector<MonthFigures> months;   // the first record's month to the last's, every month
    std::optional<Trend> trend;         // none with fewer than 10 measurements in the window
};

WellStats computeWellStats(std::span<const JournalRecord> records, const InsulationSettings& settings,
                           const Period& period = {});

// Every measurement with a known resistance in the period, for drawing the whole curve.
std::vector<ResistancePoint> resistancePoints(std::span<const JournalRecord> records,
                                              const Period& period = {});

// "3 сут 4 ч 5 мин" (days only when there are any; "0 мин" for under a minute).
std::string durationText(Seconds s);

} // namespace vorsan::analytics
