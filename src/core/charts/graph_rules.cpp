#include "charts/graph_rules.h"

#include <algorithm>
#include <cmath>

namespace vorsan {
namespace {

constexpr const char* kVoltageBoxes[3] = {"Uab, B", "Ubc, B", "Uca, B"};
constexpr const char* kCurrentBoxes[3] = {"Ia, A", "Ib, A", "Ic, A"};
constexpr const char* kVoltageNames[3] = {"Uab", "Ubc", "Uca"};
constexpr const char* kCurrentNames[3] = {"Ia", "Ib", "Ic"};

std::string trimmed(std::string_view s) {
    const auto first = s.find_first_not_of(' ');
    if (first == std::string_view::npos) return {};
    const auto last = s.find_last_not_of(' ');
    return std::string(s.substr(first, last - first + 1));
}

int firstChecked(const PhaseBoxes& boxes) {
    for (int k = 0; k < 3; ++k)
        if (boxes[static_cast<std::size_t>(k)]) return k;
    return -1;
}

} // namespace

const char* quantityButtonText(Quantity q) {
    switch (q) {
    case Quantity::voltage: return "U, B";
    case Quantity::current: return "I, A";
    case Quantity::load: return "Загр.,%";
    case Quantity::pressure: return "Давл.";
    case Quantity::temperature: return "Темп.";
    case Quantity::pressureTemperature: return "Дав/Темп";
    case Quantity::resistance: return "R, кОм";
    }
    return "";
}

const char* phaseBoxText(Quantity q, int box) {
    const auto k = static_cast<std::size_t>(std::clamp(box, 0, 2));
    return q == Quantity::current ? kCurrentBoxes[k] : kVoltageBoxes[k];
}

std::array<std::optional<SeriesPlan>, 3> oneGraphSeries(Quantity q, PhaseBoxes& boxes) {
    std::array<std::optional<SeriesPlan>, 3> plan;
    const auto single = [&](Channel c) {
        const int k = firstChecked(boxes);
        if (k >= 0) plan[static_cast<std::size_t>(k)] = SeriesPlan{c, kSingleSeriesColour};
    };
    switch (q) {
    case Quantity::voltage:
    case Quantity::current: {
        const int base = q == Quantity::voltage ? 11 : 21;
        for (std::size_t k = 0; k < 3; ++k)
            if (boxes[k]) plan[k] = SeriesPlan{static_cast<Channel>(base + static_cast<int>(k)), kSeriesColours[k]};
        break;
    }
    case Quantity::load: single(Channel::Load); break;
    case Quantity::pressure: single(Channel::Pressure); break;
    case Quantity::temperature: single(Channel::Temperature); break;
    case Quantity::resistance: single(Channel::Resistance); break;
    case Quantity::pressureTemperature:
        boxes[0] = boxes[1] = true;
        plan[0] = SeriesPlan{Channel::Pressure, kSeriesColours[0]};
        plan[1] = SeriesPlan{Channel::Temperature, kSeriesColours[1]};
        break;
    }
    return plan;
}

std::string oneGraphAxisTitle(Quantity q, const PhaseBoxes& boxes) {
    std::string title;
    switch (q) {
    case Quantity::voltage: title = "Напряжение"; break;
    case Quantity::current: title = "Ток"; break;
    case Quantity::load: return "Загрузка";
    case Quantity::pressure: return "Давление";
    case Quantity::temperature: return "Температура";
    case Quantity::pressureTemperature: return "Давление / Температура";
    case Quantity::resistance: return "";
    }
    const auto& names = q == Quantity::voltage ? kVoltageNames : kCurrentNames;
    for (std::size_t k = 0; k < 3; ++k)
        if (boxes[k]) title += std::string(",") + names[k] + " ";
    return title;
}

static std::string chartTitle(const char* base, const char* const (&names)[3], const PhaseBoxes& boxes) {
    std::string title = base;
    for (std::size_t k = 0; k < 3; ++k)
        if (boxes[k]) title += std::string(", ") + names[k];
    return title;
}

std::string voltageChartTitle(const PhaseBoxes& boxes) {
    return chartTitle("напряжение", kVoltageNames, boxes);
}

std::string currentChartTitle(const PhaseBoxes& boxes) {
    return chartTitle("ток", kCurrentNames, boxes);
}

std::string loadChartTitle() {
    return "загрузка";
}

bool mayUncheck(const PhaseBoxes& boxes, int box) {
    return std::count(boxes.begin(), boxes.end(), true) > 1 || !boxes[static_cast<std::size_t>(std::clamp(box, 0, 2))];
}

std::optional<TimeWindow> journalTimeRange(std::span<const JournalRecord> records) {
    std::optional<double> first;
    std::optional<double> last;
    for (const auto& r : records) {
        if (const auto x = recordDayCount(r)) {
            first = *x;
            break;
        }
    }
    for (auto it = records.rbegin(); it != records.rend(); ++it) {
        if (const auto x = recordDayCount(*it)) {
            last = *x;
            break;
        }
    }
    if (!first || !last) return std::nullopt;
    return TimeWindow{*first, *last};
}

TimeWindow zoomAboutCentre(TimeWindow w, double factor) {
    const double centre = (w.min + w.max) / 2;
    const double half = w.width() / factor / 2;
    return {centre - half, centre + half};
}

bool canZoomIn(TimeWindow w) {
    return w.width() > kNarrowestWindowDays;
}

bool canZoomOut(TimeWindow w, TimeWindow data) {
    return w.width() <= data.width();
}

int scrollPosition(TimeWindow w, TimeWindow data) {
    if (data.width() <= 0) return 0;
    const long p = std::lround((w.min - data.min) * 100 / data.width());
    return static_cast<int>(std::clamp(p, 0L, 100L));
}

TimeWindow windowAtScroll(TimeWindow w, TimeWindow data, int position) {
    const double width = w.width();
    const double max = data.min + data.width() / 100 * position + width / 2;
    return {max - width, max};
}

PageMove pageLeft(TimeWindow w, TimeWindow data) {
    const TimeWindow moved{w.min - w.width(), w.min};
    return {moved, !(data.min > moved.min)};
}

PageMove pageRight(TimeWindow w, TimeWindow data) {
    const TimeWindow moved{w.max, w.max + w.width()};
    return {moved, !(data.max < moved.max)};
}

std::optional<TimeWindow> databaseOpeningWindow(std::span<const JournalRecord> records) {
    if (records.empty()) return std::nullopt;
    const std::size_t from = records.size() > kDatabaseOpeningRecords + 1
                                 ? records.size() - 1 - kDatabaseOpeningRecords
                                 : 0;
    return journalTimeRange(records.subspan(from));
}

std::vector<std::string> stopLinesInWindow(std::span<const JournalRecord> records,
                                           std::span<const JournalRow> rows, TimeWindow window) {
    std::vector<std::string> lines;
    const std::size_t n = std::min(records.size(), rows.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (!isStopEvent(records[i].SOBYTIE)) continue;
        const auto x = recordDayCount(records[i]);
        if (!x || *x < window.min || *x > window.max) continue;
        lines.push_back("Причина останова: " + trimmed(rows[i].dateText) + " " + trimmed(rows[i].timeText) +
                        " - " + trimmed(rows[i].eventText));
    }
    return lines;
}

std::string databaseGraphLine(const std::string& axisTitle, const std::string& oilfield, std::uint16_t pad,
                              std::uint16_t well) {
    return axisTitle + " месторождение: " + oilfield + " куст: " + std::to_string(pad) +
           " скважина: " + std::to_string(well);
}

} // namespace vorsan
