// The figures and texts of the well report (its drawing is well_report_layout.cpp).
#include "report/well_report.h"

#include "analytics/stats_series.h"
#include "charts/diagrams.h"
#include "journal/journal_rows.h"
#include "text/number_format.h"

#include <algorithm>
#include <cmath>

namespace vorsan {
namespace an = analytics;

namespace {

constexpr const char* kNone = "—";

std::string two(int v) {
    return std::string{char('0' + v / 10 % 10), char('0' + v % 10)};
}

std::string durationOf(std::optional<double> s) {
    return s ? an::durationText(std::llround(*s)) : kNone;
}

} // namespace

WellReport makeWellReport(std::span<const JournalRecord> records, const an::InsulationSettings& insulation,
                          const an::Period& period, ControllerGeneration generation) {
    WellReport r;
    r.generation = generation;
    r.insulation = insulation;
    r.stats = an::computeWellStats(records, insulation, period);
    r.monthStops = an::monthStopsByCause(records, r.stats.months, period);
    r.resistance = an::thinnedPoints(an::resistancePoints(records, period), kResistanceColumns);
    r.runCauses.reserve(r.stats.runs.size());
    for (const an::Run& run : r.stats.runs)
        r.runCauses.push_back(run.cause ? eventCodeText(*run.cause, generation) : kOpenRunText);
    return r;
}

std::string reportMomentText(an::Seconds t) {
    const an::CivilTime c = an::civilOf(t);
    return two(c.day) + "." + two(c.month) + "." + std::to_string(c.year) + " " + two(c.hour) + ":" +
           two(c.minute) + ":" + two(c.second);
}

std::vector<std::string> wellFigureValues(const an::WellStats& s, char separator) {
    const auto fixed = [separator](std::optional<double> v, int decimals) {
        return v ? formatFixed(*v, decimals, separator) : std::string(kNone);
    };
    std::vector<std::string> v(kWellFigureCount);
    v[std::size_t(WellFigure::records)] = std::to_string(s.records);
    v[std::size_t(WellFigure::work)] = an::durationText(s.work);
    v[std::size_t(WellFigure::idle)] = an::durationText(s.idle);
    v[std::size_t(WellFigure::availability)] =
        s.availability ? formatFixed(*s.availability * 100, 1, separator) + " %" : kNone;
    v[std::size_t(WellFigure::stops)] = std::to_string(s.stops);
    v[std::size_t(WellFigure::starts)] = std::to_string(s.starts);
    v[std::size_t(WellFigure::mtbs)] = durationOf(s.mtbs);
    v[std::size_t(WellFigure::startsPerDay)] = fixed(s.startsPerDay, 2);
    v[std::size_t(WellFigure::longestRun)] = s.longestRun ? an::durationText(*s.longestRun) : kNone;
    v[std::size_t(WellFigure::medianRun)] = s.medianRun ? an::durationText(*s.medianRun) : kNone;
    v[std::size_t(WellFigure::daysToSetpoint)] = s.trend ? fixed(s.trend->daysToThreshold, 1) : kNone;
    return v;
}

std::string wellPeriodLine(const an::WellStats& s) {
    if (!s.first || !s.last) return "записей нет";
    return "за период с " + reportMomentText(*s.first) + " по " + reportMomentText(*s.last);
}

std::string trendLine(const an::WellStats& s, const an::InsulationSettings& insulation, char separator) {
    if (!s.trend)
        return "За последние 30 суток меньше " + std::to_string(an::kTrendMinPoints) +
               " замеров сопротивления изоляции: тренда нет.";
    const an::Trend& t = *s.trend;
    std::string line = "Тренд за последние 30 суток: " + std::string(t.slopeKohmPerDay > 0 ? "+" : "") +
                       formatFixed(t.slopeKohmPerDay, 2, separator) + " кОм в сутки";
    if (t.thresholdKohm) line += "; уставка " + formatFixed(*t.thresholdKohm, 0, separator) + " кОм";
    line += insulation.protectionOn ? " (защита включена)" : " (защита выключена)";
    if (t.daysToThreshold) line += "; до уставки " + formatFixed(*t.daysToThreshold, 1, separator) + " сут";
    return line + ".";
}

std::string causeLegendName(const char* suffix) {
    std::string s = suffix;
    const auto first = s.find_first_not_of(" :");
    return first == std::string::npos ? std::string() : s.substr(first);
}

std::string causeName(std::uint8_t code, ControllerGeneration generation) {
    for (const StopCause& c : stopCauses())
        if (c.code == code) return causeLegendName(c.suffix);
    const std::string text = eventCodeText(code, generation);
    return text.empty() ? "код " + std::to_string(code) : text;
}

std::vector<CauseCount> causeCounts(const std::map<std::uint8_t, std::size_t>& stopsByCause,
                                    ControllerGeneration generation) {
    std::vector<CauseCount> out;
    for (const StopCause& c : stopCauses()) {
        const auto it = stopsByCause.find(c.code);
        if (it != stopsByCause.end() && it->second > 0)
            out.push_back({c.code, causeLegendName(c.suffix), c.colour, it->second, true});
    }
    for (const auto& [code, count] : stopsByCause) {
        const auto tabled = stopCauses();
        if (count == 0 || std::any_of(tabled.begin(), tabled.end(), [c = code](const StopCause& s) { return s.code == c; }))
            continue;
        out.push_back({code, causeName(code, generation), kOtherCauseColour, count, false});
    }
    return out;
}

std::vector<std::size_t> longestRuns(const an::WellStats& s, std::size_t n) {
    std::vector<std::size_t> closed;
    for (std::size_t i = 0; i < s.runs.size(); ++i)
        if (!s.runs[i].open) closed.push_back(i);
    std::stable_sort(closed.begin(), closed.end(), [&s](std::size_t a, std::size_t b) {
        return s.runs[a].duration() > s.runs[b].duration();
    });
    if (closed.size() > n) closed.resize(n);
    return closed;
}

std::vector<std::size_t> lastRuns(const an::WellStats& s, std::size_t n) {
    std::vector<std::size_t> out;
    for (std::size_t i = s.runs.size() > n ? s.runs.size() - n : 0; i < s.runs.size(); ++i)
        out.push_back(i);
    return out;
}

Scale niceScale(double most) {
    if (!(most > 0)) return {1, 1};
    const double power = std::pow(10.0, std::floor(std::log10(most / 5)));
    for (const double m : {1.0, 2.0, 5.0, 10.0}) {
        const double step = m * power;
        const double top = std::ceil(most / step - 1e-9) * step;
        if (top / step <= 5 + 1e-9) return {std::max(top, step), step};
    }
    return {std::ceil(most / (10 * power)) * 10 * power, 10 * power};
}

} // namespace vorsan
