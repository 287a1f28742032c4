#include "analytics/stats_series.h"

#include <algorithm>

namespace vorsan::analytics {

std::vector<std::map<std::uint8_t, std::size_t>> monthStopsByCause(std::span<const JournalRecord> records,
                                                                  const std::vector<MonthFigures>& months,
                                                                  const Period& period) {
    std::vector<std::map<std::uint8_t, std::size_t>> out(months.size());
    if (months.empty()) return out;
    const int first = months.front().year * 12 + months.front().month - 1;
    for (const JournalRecord& r : records) {
        if (!isStopEvent(r.SOBYTIE)) continue;
        const auto at = momentOf(r);
        if (!at || (period.from && *at < *period.from) || (period.to && *at > *period.to)) continue;
        const int index = int(r.year) * 12 + int(r.month) - 1 - first;
        if (index >= 0 && std::size_t(index) < out.size()) ++out[std::size_t(index)][r.SOBYTIE];
    }
    return out;
}

std::vector<ResistancePoint> thinnedPoints(const std::vector<ResistancePoint>& points, std::size_t columns) {
    if (columns == 0 || points.size() <= 2 * columns) return points;
    const Seconds from = points.front().at, span = points.back().at - from;
    if (span <= 0) return {points.front(), points.back()};
    std::vector<ResistancePoint> out;
    out.reserve(2 * columns + 2);
    std::size_t i = 0;
    while (i < points.size()) {
        const std::size_t column = std::size_t((points[i].at - from) * Seconds(columns) / (span + 1));
        std::size_t low = i, high = i, j = i;
        for (; j < points.size() && std::size_t((points[j].at - from) * Seconds(columns) / (span + 1)) == column; ++j) {
            if (points[j].kohm < points[low].kohm) low = j;
            if (points[j].kohm > points[high].kohm) high = j;
        }
        out.push_back(points[std::min(low, high)]);
        if (low != high) out.push_back(points[std::max(low, high)]);
        i = j;
    }
    return out;
}

} // namespace vorsan::analytics
