#include "charts/journal_series.h"

#include <algorithm>
#include <chrono>

namespace vorsan {

std::optional<Channel> channelFromNumber(int number) {
    switch (number) {
    case 11: case 12: case 13: case 21: case 22: case 23: case 31: case 41: case 51: case 61:
        return static_cast<Channel>(number);
    default:
        return std::nullopt;
    }
}

double channelValue(const JournalRecord& r, Channel channel) {
    switch (channel) {
    case Channel::Uab: return r.UAB;
    case Channel::Ubc: return r.UBC;
    case Channel::Uca: return r.UCA;
    case Channel::Ia: return r.IA;
    case Channel::Ib: return r.IB;
    case Channel::Ic: return r.IC;
    case Channel::Load: return r.ZAGR;
    case Channel::Pressure: return r.P;
    case Channel::Temperature: return r.T;
    case Channel::Resistance: return r.SOP;
    }
    return 0;
}

std::optional<double> recordDayCount(const JournalRecord& r) {
    using namespace std::chrono;
    const year_month_day date{year{r.year}, month{r.month}, day{r.day}};
    if (!date.ok() || r.hour > 23 || r.minute > 59 || r.second > 59) return std::nullopt;
    const double days = sys_days{date}.time_since_epoch().count();
    return days + (r.hour * 3600.0 + r.minute * 60.0 + r.second) / kSecondsPerDay;
}

std::vector<SeriesPoint> plotJournalSeries(std::span<const JournalRecord> records, Channel channel) {
    std::vector<SeriesPoint> points;
    points.reserve(records.size());

    // Before the first event the motor stood idle exactly when that event starts it.
    bool stopped = false;
    const auto firstEvent = std::find_if(records.begin(), records.end(), [](const JournalRecord& r) {
        return isStartEvent(r.SOBYTIE) || isStopEvent(r.SOBYTIE);
    });
    if (firstEvent != records.end()) stopped = isStartEvent(firstEvent->SOBYTIE);
    bool justStarted = false;

    for (std::size_t i = 0; i < records.size(); ++i) {
        const JournalRecord& r = records[i];
        const std::uint8_t code = r.SOBYTIE;
        // A voltage switch-on leaves the motor standing: it only makes a start possible.
        if (isStopEvent(code) || code == kCodeVoltageOn) {
            stopped = true;
            justStarted = false;
        } else if (isStartEvent(code)) {
            stopped = false;
            justStarted = true;
        }
        const auto x = recordDayCount(r);
        if (!x) continue;

        bool idle = stopped;
        if (justStarted) {
            // The start itself and the first record after it still show the idle colour.
            idle = true;
            if (!isStartEvent(code)) justStarted = false;
        }
        if (code == kCodeSettingChange) continue;
        // A start logged straight after a measurement would pull the curve down to 0 between two
        // running values; it is drawn only after a stop or another start.
        if (isStartEvent(code) && i > 0 && isUnclassedEvent(records[i - 1].SOBYTIE)) continue;
        points.push_back({*x, channelValue(r, channel), i, idle});
    }
    return points;
}

double valueAxisMaximum(std::span<const std::vector<SeriesPoint>* const> series) {
    double highest = 0;
    for (const auto* s : series) {
        if (!s) continue;
        for (const auto& p : *s) highest = std::max(highest, p.y);
    }
    return highest * 1.2;
}

double valueAxisMaximum(const std::vector<SeriesPoint>& series) {
    const std::vector<SeriesPoint>* one[] = {&series};
    return valueAxisMaximum(one);
}

} // namespace vorsan
