#include "analytics/well_stats.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace vorsan::analytics {
namespace {

bool leapYear(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leapYear(y) ? 29 : kDays[m - 1];
}

// Days since 1970-01-01 of a proleptic Gregorian date (the civil-from-days algorithm reversed).
std::int64_t daysFromCivil(int y, int m, int d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

std::string twoDigits(int v) {
    return std::string{char('0' + v / 10 % 10), char('0' + v % 10)};
}

std::string fourDigits(int v) {
    return twoDigits(v / 100) + twoDigits(v % 100);
}

int monthIndex(Seconds t) {
    const CivilTime c = civilOf(t);
    return c.year * 12 + c.month - 1;
}

Seconds monthStart(int index) {
    return daysFromCivil(index / 12, index % 12 + 1, 1) * kSecondsPerDay;
}

// Reads exactly `n` digits at `at` of `s`.
bool digits(std::string_view s, std::size_t at, std::size_t n, int& out) {
    if (at + n > s.size()) return false;
    const auto r = std::from_chars(s.data() + at, s.data() + at + n, out);
    return r.ec == std::errc() && r.ptr == s.data() + at + n;
}

} // namespace

std::optional<Seconds> momentOf(int year, int month, int day, int hour, int minute, int second) {
    if (year < 1 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month)) return std::nullopt;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59) return std::nullopt;
    return daysFromCivil(year, month, day) * kSecondsPerDay + hour * 3600 + minute * 60 + second;
}

std::optional<Seconds> momentOf(const JournalRecord& r) {
    return momentOf(r.year, r.month, r.day, r.hour, r.minute, r.second);
}

CivilTime civilOf(Seconds t) {
    std::int64_t days = t / kSecondsPerDay;
    std::int64_t rest = t % kSecondsPerDay;
    if (rest < 0) {
        rest += kSecondsPerDay;
        --days;
    }
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    CivilTime c;
    c.day = int(doy - (153 * mp + 2) / 5 + 1);
    c.month = int(mp < 10 ? mp + 3 : mp - 9);
    c.year = int(yoe + era * 400 + (c.month <= 2));
    c.hour = int(rest / 3600);
    c.minute = int(rest / 60 % 60);
    c.second = int(rest % 60);
    return c;
}

std::string isoText(Seconds t) {
    const CivilTime c = civilOf(t);
    return fourDigits(c.year) + "-" + twoDigits(c.month) + "-" + twoDigits(c.day) + "T" + twoDigits(c.hour) +
           ":" + twoDigits(c.minute) + ":" + twoDigits(c.second);
}

std::string monthText(int year, int month) {
    return fourDigits(year) + "-" + twoDigits(month);
}

std::optional<Seconds> parseMoment(std::string_view s) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, se = 0;
    if (!digits(s, 0, 4, y) || s.size() < 10 || s[4] != '-' || !digits(s, 5, 2, mo) || s[7] != '-' ||
        !digits(s, 8, 2, d))
        return std::nullopt;
    if (s.size() > 10) {
        if ((s[10] != ' ' && s[10] != 'T') || !digits(s, 11, 2, h) || s.size() < 16 || s[13] != ':' ||
            !digits(s, 14, 2, mi))
            return std::nullopt;
        if (s.size() > 16 && (s.size() != 19 || s[16] != ':' || !digits(s, 17, 2, se))) return std::nullopt;
    }
    return momentOf(y, mo, d, h, mi, se);
}

InsulationSettings insulationSettingsOf(const SettingsCatalogue& catalogue) {
    InsulationSettings out;
    for (const SettingDef& def : catalogue.entries) {
        if (def.value == kUnknown16) continue;
        if (def.longName == kInsulationProtectionName)
            out.protectionOn = def.editorKind == EditorKind::choice && def.value < def.choices.size() &&
                               def.choices[def.value] == kProtectionOnText;
        else if (def.longName == kInsulationSetpointName)
            out.thresholdKohm = double(def.value) / double(def.scale > 0 ? def.scale : 1);
    }
    return out;
}

namespace {

struct Considered {
    const JournalRecord* record;
    Seconds at;
};

std::optional<Trend> fitTrend(const std::vector<Considered>& recs, Seconds last,
                              const InsulationSettings& settings) {
    Trend t;
    t.last = last;
    for (const Considered& c : recs)
        if (c.record->SOBYTIE == kCodeMeasurement && c.record->SOP != kUnknown16 &&
            last - c.at <= kTrendWindow)
            t.points.push_back({c.at, double(c.record->SOP)});
    if (t.points.size() < kTrendMinPoints) return std::nullopt;
    // Days before the last record keep the sums small and the fit exact enough.
    const double n = double(t.points.size());
    double sx = 0, sy = 0;
    for (const ResistancePoint& p : t.points) {
        sx += double(p.at - last) / double(kSecondsPerDay);
        sy += p.kohm;
    }
    const double mx = sx / n, my = sy / n;
    double sxx = 0, sxy = 0;
    for (const ResistancePoint& p : t.points) {
        const double dx = double(p.at - last) / double(kSecondsPerDay) - mx;
        sxx += dx * dx;
        sxy += dx * (p.kohm - my);
    }
    if (sxx <= 0) return std::nullopt; // all at one moment: no line
    t.slopeKohmPerDay = sxy / sxx;
    t.kohmAtLast = my - t.slopeKohmPerDay * mx;
    t.thresholdKohm = settings.thresholdKohm;
    if (settings.protectionOn && t.thresholdKohm && t.slopeKohmPerDay < 0)
        t.daysToThreshold =
            t.kohmAtLast <= *t.thresholdKohm ? 0.0 : (*t.thresholdKohm - t.kohmAtLast) / t.slopeKohmPerDay;
    return t;
}

} // namespace

WellStats computeWellStats(std::span<const JournalRecord> records, const InsulationSettings& settings,
                           const Period& period) {
    WellStats s;
    std::vector<Considered> recs;
    recs.reserve(records.size());
    for (const JournalRecord& r : records) {
        const auto at = momentOf(r);
        if (!at || (period.from && *at < *period.from) || (period.to && *at > *period.to)) continue;
        recs.push_back({&r, *at});
    }
    s.records = recs.size();
    if (recs.empty()) return s;
    const Seconds first = recs.front().at, last = recs.back().at;
    s.first = first;
    s.last = last;

    const int firstMonth = monthIndex(first), lastMonth = monthIndex(last);
    if (lastMonth >= firstMonth) {
        s.months.resize(std::size_t(lastMonth - firstMonth + 1));
        for (std::size_t i = 0; i < s.months.size(); ++i) {
            const int m = firstMonth + int(i);
            s.months[i].year = m / 12;
            s.months[i].month = m % 12 + 1;
        }
    }
    const auto monthOf = [&](Seconds t) -> MonthFigures* {
        const int m = monthIndex(t);
        return m < firstMonth || m > lastMonth ? nullptr : &s.months[std::size_t(m - firstMonth)];
    };

    std::optional<Seconds> firstEvent;
    bool running = false;
    Seconds openedAt = 0;
    for (const Considered& c : recs) {
        const std::uint8_t code = c.record->SOBYTIE;
        if (isStopEvent(code)) {
            ++s.stops;
            ++s.stopsByCause[code];
            if (auto* m = monthOf(c.at)) ++m->stops;
            if (running) s.runs.push_back({openedAt, c.at, code, false});
            running = false;
        } else if (isStartEvent(code)) {
            ++s.starts;
            if (auto* m = monthOf(c.at)) ++m->starts;
            if (!running) openedAt = c.at;
            running = true;
        } else {
            continue;
        }
        if (!firstEvent) firstEvent = c.at;
    }
    if (running) s.runs.push_back({openedAt, last, std::nullopt, true});

    std::vector<Seconds> closed;
    closed.reserve(s.runs.size());
    for (const Run& r : s.runs) {
        s.work += r.duration();
        if (!r.open) closed.push_back(r.duration());
        // The run's time month by month.
        for (int m = monthIndex(r.begin); r.end > r.begin && m <= monthIndex(r.end); ++m) {
            const Seconds from = std::max(r.begin, monthStart(m)), to = std::min(r.end, monthStart(m + 1));
            if (to > from && m >= firstMonth && m <= lastMonth)
                s.months[std::size_t(m - firstMonth)].work += to - from;
        }
    }
    if (firstEvent) {
        s.idle = (last - *firstEvent) - s.work;
        if (s.work + s.idle != 0) s.availability = double(s.work) / double(s.work + s.idle);
    }
    if (s.stops > 0) s.mtbs = double(s.work) / double(s.stops);
    if (last != first) s.startsPerDay = double(s.starts) / (double(last - first) / double(kSecondsPerDay));
    if (!closed.empty()) {
        const auto middle = closed.begin() + std::ptrdiff_t((closed.size() - 1) / 2);
        std::nth_element(closed.begin(), middle, closed.end());
        s.medianRun = *middle;
        s.longestRun = *std::max_element(closed.begin(), closed.end());
    }
    s.trend = fitTrend(recs, last, settings);
    return s;
}

std::vector<ResistancePoint> resistancePoints(std::span<const JournalRecord> records, const Period& period) {
    std::vector<ResistancePoint> out;
    for (const JournalRecord& r : records) {
        if (r.SOBYTIE != kCodeMeasurement || r.SOP == kUnknown16) continue;
        const auto at = momentOf(r);
        if (!at || (period.from && *at < *period.from) || (period.to && *at > *period.to)) continue;
        out.push_back({*at, double(r.SOP)});
    }
    return out;
}

std::string durationText(Seconds s) {
    const bool negative = s < 0;
    if (negative) s = -s;
    const Seconds days = s / kSecondsPerDay, hours = s / 3600 % 24, minutes = s / 60 % 60;
    std::string out = negative ? "-" : "";
    if (days > 0) out += std::to_string(days) + " сут ";
    if (days > 0 || hours > 0) out += std::to_string(hours) + " ч ";
    return out + std::to_string(minutes) + " мин";
}

} // namespace vorsan::analytics
