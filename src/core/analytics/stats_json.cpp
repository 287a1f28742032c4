#include "analytics/stats_json.h"

#include <charconv>
#include <cmath>

namespace vorsan::analytics {
namespace {

template <class T> std::string orNull(const std::optional<T>& v) {
    if (!v) return "null";
    if constexpr (std::is_floating_point_v<T>)
        return jsonNumber(*v);
    else
        return std::to_string(*v);
}

std::string quoted(const std::string& s) {
    return '"' + s + '"'; // the texts written are digits, dashes, colons and "T" only
}

} // namespace

std::string jsonNumber(double v) {
    if (!std::isfinite(v)) return "null";
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string statsJson(const WellStats& s) {
    std::string o = "{";
    o += "\"records\":" + std::to_string(s.records);
    o += ",\"work_s\":" + std::to_string(s.work);
    o += ",\"idle_s\":" + std::to_string(s.idle);
    o += ",\"availability\":" + orNull(s.availability);
    o += ",\"stops\":" + std::to_string(s.stops);
    o += ",\"starts\":" + std::to_string(s.starts);
    o += ",\"stops_by_cause\":{";
    bool firstCause = true;
    for (const auto& [code, count] : s.stopsByCause) {
        o += (firstCause ? "" : ",") + quoted(std::to_string(code)) + ":" + std::to_string(count);
        firstCause = false;
    }
    o += "}";
    o += ",\"mtbs_s\":" + (s.mtbs ? std::to_string(std::llround(*s.mtbs)) : std::string("null"));
    o += ",\"starts_per_day\":" + orNull(s.startsPerDay);
    o += ",\"longest_run_s\":" + orNull(s.longestRun);
    o += ",\"median_run_s\":" + orNull(s.medianRun);
    o += ",\"runs\":[";
    for (std::size_t i = 0; i < s.runs.size(); ++i) {
        const Run& r = s.runs[i];
        o += (i ? ",{" : "{");
        o += "\"begin\":" + quoted(isoText(r.begin));
        o += ",\"end\":" + quoted(isoText(r.end));
        o += ",\"duration_s\":" + std::to_string(r.duration());
        o += ",\"cause\":" + (r.cause ? std::to_string(*r.cause) : std::string("null"));
        o += std::string(",\"open\":") + (r.open ? "true" : "false") + "}";
    }
    o += "],\"months\":[";
    for (std::size_t i = 0; i < s.months.size(); ++i) {
        const MonthFigures& m = s.months[i];
        o += (i ? ",{" : "{");
        o += "\"month\":" + quoted(monthText(m.year, m.month));
        o += ",\"stops\":" + std::to_string(m.stops);
        o += ",\"starts\":" + std::to_string(m.starts);
        o += ",\"work_s\":" + std::to_string(m.work) + "}";
    }
    o += "],\"trend\":";
    if (s.trend) {
        o += "{\"slope_kohm_per_day\":" + jsonNumber(s.trend->slopeKohmPerDay);
        o += ",\"threshold_kohm\":" + orNull(s.trend->thresholdKohm);
        o += ",\"days_to_threshold\":" + orNull(s.trend->daysToThreshold) + "}";
    } else {
        o += "null";
    }
    return o + "}";
}

} // namespace vorsan::analytics
