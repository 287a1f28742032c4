#include "charts/diagrams.h"

#include "charts/journal_series.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace vorsan {
namespace {

constexpr StopCause kStopCauses[] = {
    {0, " высокое напряжение", 0x000000},
    {1, ": низкое напряжение", 0x800080},
    {2, ": контактный манометр", 0x800000},
    {3, ": недогрузка", 0x008080},
    {4, ": давление", 0xFFFFFF},
    {5, ": температура", 0x00FFFF},
    {6, ": дисбаланс токов", 0x808000},
    {7, ": дисбаланс напряжений", 0x808080},
    {8, ": низкое сопротивление изоляции", 0x000080},
    {9, ": короткое замыкание", 0xFF0000},
    {10, ": перегрузка", 0xFF00FF},
    {11, ": открыта дверь", 0xFFFF00},
    {15, ": оператор", 0x008000},
    {31, ": программа", 0x0000FF},
    {140, ": отключение напряжения", 0xAF5000},
};

std::string grouped(long long v, std::string_view group) {
    const bool negative = v < 0;
    const std::string digits = std::to_string(negative ? -v : v);
    std::string out = negative ? "-" : "";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += group;
        out += digits[i];
    }
    return out;
}

} // namespace

std::span<const StopCause> stopCauses() {
    return kStopCauses;
}

bool selectionIsStretch(std::size_t selectionTop, std::size_t selectionBottom) {
    return selectionTop < selectionBottom;
}

std::optional<Stretch> diagramStretch(std::size_t count, std::size_t selectionTop, std::size_t selectionBottom) {
    if (count == 0) return std::nullopt;
    if (selectionIsStretch(selectionTop, selectionBottom) && selectionTop < count)
        return Stretch{selectionTop, std::min(selectionBottom, count - 1)};
    return Stretch{0, count - 1};
}

WorkIdleTimes workIdleTimes(std::span<const JournalRecord> records, Stretch stretch) {
    WorkIdleTimes t;
    if (records.empty()) return t;
    const std::size_t last = std::min(stretch.last, records.size() - 1);
    if (stretch.first > last) return t;

    std::optional<double> firstTime;
    std::optional<double> lastTime;
    std::size_t q = stretch.first;
    double qTime = 0;
    for (std::size_t p = stretch.first; p <= last; ++p) {
        const auto time = recordDayCount(records[p]);
        if (!time) continue;
        if (!firstTime) {
            // The span before the stretch's first event starts at its first real date.
            firstTime = time;
            q = p;
            qTime = *time;
        }
        lastTime = time;
        const std::uint8_t code = records[p].SOBYTIE;
        const bool isLast = p == last;
        if (isStartEvent(code) || (isLast && !isStartEvent(code) && isStopEvent(records[q].SOBYTIE))) {
            t.idle += *time - qTime;
            q = p;
            qTime = *time;
        }
        if (isStopEvent(code) || (isLast && !isStopEvent(code) && isStartEvent(records[q].SOBYTIE))) {
            t.work += *time - qTime;
            q = p;
            qTime = *time;
        }
    }
    if (t.work == 0 && t.idle == 0 && firstTime) t.work = *lastTime - *firstTime;
    return t;
}

std::string durationLabel(std::string_view prefix, double days, std::string_view groupSeparator) {
    // Cut toward zero once; the parts are then exact integer divisions of the same count.
    const auto seconds = static_cast<long long>(std::trunc(days * kSecondsPerDay + 1));
    constexpr long long kDay = 86400;
    const long long d = seconds / kDay;
    const long long h = seconds % kDay / 3600;
    const long long m = seconds % 3600 / 60;
    return std::string(prefix) + grouped(d, groupSeparator) + " сут." + std::to_string(h) + " ч." +
           std::to_string(m) + " мин.";
}

std::vector<PieSlice> workIdleDiagram(std::span<const JournalRecord> records, Stretch stretch,
                                      std::string_view groupSeparator) {
    const auto t = workIdleTimes(records, stretch);
    return {
        {t.work, durationLabel("РАБОТА: ", t.work, groupSeparator), kWorkColour},
        {t.idle, durationLabel("ПРОСТОЙ: ", t.idle, groupSeparator), kIdleSliceColour},
    };
}

std::vector<PieSlice> stopCauseDiagram(std::span<const JournalRecord> records, Stretch stretch) {
    std::array<int, 256> counts{};
    const std::size_t last = records.empty() ? 0 : std::min(stretch.last, records.size() - 1);
    for (std::size_t p = stretch.first; !records.empty() && p <= last; ++p) ++counts[records[p].SOBYTIE];
    std::vector<PieSlice> slices;
    for (const auto& cause : kStopCauses) {
        const int n = counts[cause.code];
        if (n > 0) slices.push_back({static_cast<double>(n), std::to_string(n) + cause.suffix, cause.colour});
    }
    return slices;
}

std::vector<int> slicePercents(std::span<const PieSlice> slices) {
    std::vector<int> percents(slices.size(), 0);
    double total = 0;
    for (const auto& s : slices)
        if (s.value > 0) total += s.value;
    if (!(total > 0) || !std::isfinite(total)) return percents;

    struct Rest {
        double lost;
        std::size_t slice;
    };
    std::vector<Rest> rests;
    int given = 0;
    for (std::size_t i = 0; i < slices.size(); ++i) {
        if (!(slices[i].value > 0)) continue;
        const double exact = slices[i].value * 100 / total;
        const double whole = std::floor(exact);
        percents[i] = static_cast<int>(whole);
        given += percents[i];
        rests.push_back({exact - whole, i});
    }
    std::stable_sort(rests.begin(), rests.end(), [](const Rest& a, const Rest& b) { return a.lost > b.lost; });
    for (std::size_t k = 0; given < 100 && k < rests.size(); ++k, ++given) ++percents[rests[k].slice];
    return percents;
}

std::string periodLine(const JournalRow& first, const JournalRow& last) {
    return "за период с " + first.dateText + " " + first.timeText + " по " + last.dateText + " " + last.timeText;
}

} // namespace vorsan
