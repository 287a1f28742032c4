#pragma once
// What the graph pages draw and how their time window moves: the series of each quantity, the
// axis titles, zoom and scrolling limits, the opening window of a database journal and the stop
// list printed with a graph. Time values are day counts (charts/journal_series.h).
#include "charts/journal_series.h"
#include "journal/journal_row.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vorsan {

// The quantity buttons of the one-graph page, in their order on the panel.
enum class Quantity { voltage, current, load, pressure, temperature, pressureTemperature, resistance };

// Phase boxes: "Uab, B"/"Ia, A", "Ubc, B"/"Ib, A", "Uca, B"/"Ic, A".
using PhaseBoxes = std::array<bool, 3>;

// Texts of the quantity buttons and of the phase boxes.
const char* quantityButtonText(Quantity q);
const char* phaseBoxText(Quantity q, int box); // current names while "I, A" is chosen, else voltage names

// The phase boxes take part only for voltages and currents; for the others they are disabled.
constexpr bool quantityUsesPhases(Quantity q) {
    return q == Quantity::voltage || q == Quantity::current;
}

struct SeriesPlan {
    Channel channel = Channel::Uab;
    std::uint32_t colour = 0;
};

// What each of the chart's three series draws (nothing: the series stays empty). Voltages and
// currents: one series per checked box in the series colours. Load, pressure, temperature and
// resistance: one black series in the place of the first checked box. Pressure with temperature:
// the first two boxes become checked (`boxes` is changed), pressure in series 0 and temperature
// in series 1 in the first two series colours.
std::array<std::optional<SeriesPlan>, 3> oneGraphSeries(Quantity q, PhaseBoxes& boxes);

// Value axis title of the one-graph page: "Напряжение,Uab ,Ubc ", "Ток,Ia ", "Загрузка" ...;
// empty for resistance.
std::string oneGraphAxisTitle(Quantity q, const PhaseBoxes& boxes);

// Value axis titles of the three-chart page: "напряжение, Uab, Uca", "ток, Ia", "загрузка".
std::string voltageChartTitle(const PhaseBoxes& boxes);
std::string currentChartTitle(const PhaseBoxes& boxes);
std::string loadChartTitle();

// The box a click wants to uncheck stays checked when it is the last checked one.
bool mayUncheck(const PhaseBoxes& boxes, int box);

// ---- time window -------------------------------------------------------------------------

struct TimeWindow {
    double min = 0;
    double max = 0;
    double width() const { return max - min; }
    // The saved window of a page: both ends 0 means none.
    bool isSet() const { return min != 0 && max != 0; }
    bool operator==(const TimeWindow&) const = default;
};

// First to last drawable record (dates that are not real are passed over); nothing when no record
// has a real date.
std::optional<TimeWindow> journalTimeRange(std::span<const JournalRecord> records);

// The zoom buttons: (+) magnifies to 115 % about the centre, (−) to 85 %.
inline constexpr double kZoomInFactor = 1.15;
inline constexpr double kZoomOutFactor = 0.85;
TimeWindow zoomAboutCentre(TimeWindow w, double factor);

// (+) stays usable while the window is wider than about 2.3 seconds; (−) while the window does
// not yet cover more than the whole data.
inline constexpr double kNarrowestWindowDays = 2.715e-5;
bool canZoomIn(TimeWindow w);
bool canZoomOut(TimeWindow w, TimeWindow data);

// Horizontal scroll bar, 0..100: its position for a window, and the window its position asks for
// keeping the width of `w`.
int scrollPosition(TimeWindow w, TimeWindow data);
TimeWindow windowAtScroll(TimeWindow w, TimeWindow data, int position);

// "Страница слева"/"Страница справа": the window moved by its own width, and whether the button
// stays enabled afterwards (not when the data's end has been passed).
struct PageMove {
    TimeWindow window;
    bool stillEnabled = true;
};
PageMove pageLeft(TimeWindow w, TimeWindow data);
PageMove pageRight(TimeWindow w, TimeWindow data);

// A database journal opens on its latest records: from the record 1000 places before the last
// (or the first) to the last one.
inline constexpr std::size_t kDatabaseOpeningRecords = 1000;
std::optional<TimeWindow> databaseOpeningWindow(std::span<const JournalRecord> records);

// ---- printing ----------------------------------------------------------------------------

// "Причина останова: 05.03.2024 14:07:09 - Стоп : недогрузка" for every stop event whose point
// lies inside the window (ends included), in journal order. `rows` are the display rows of the
// same records (same index).
std::vector<std::string> stopLinesInWindow(std::span<const JournalRecord> records,
                                           std::span<const JournalRow> rows, TimeWindow window);

// Up to this many stop lines go into the printed graph's title; more are printed as a list.
inline constexpr std::size_t kStopLinesInTitle = 3;
inline constexpr const char* kStopListHeading = "Причины останова за период, выведенный на график:";

// Second title line of a printed graph of a database well:
// "<axis title> месторождение: <oilfield> куст: <pad> скважина: <well>".
std::string databaseGraphLine(const std::string& axisTitle, const std::string& oilfield, std::uint16_t pad,
                              std::uint16_t well);

} // namespace vorsan
