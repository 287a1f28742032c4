#pragma once
// The one-page report of a well's run life, as data: the well and the period, the summary beside
// the stops by cause, the stops of every month as bars stacked by cause, the five longest and the
// last five runs, and the insulation resistance with its trend and the protection's setpoint. The
// page "Анализ" shows the same figures; the window prints this page and the command line writes it
// as a PDF, both through the text reports' renderer.
#include "analytics/well_stats.h"
#include "common/types.h"
#include "journal/journal_record.h"
#include "report/page_layout.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

namespace vorsan {

inline constexpr int kWellReportFontSize = 10;
inline constexpr const char* kWellReportTitle = "Отчёт о работе скважины";

// The summary's figures, in the order the page and the report show them.
enum class WellFigure {
    records, work, idle, availability, stops, starts, mtbs, startsPerDay, longestRun, medianRun,
    daysToSetpoint
};
inline constexpr std::size_t kWellFigureCount = 11;
inline constexpr const char* kWellFigureNames[kWellFigureCount] = {
    "Записей",
    "Время работы",
    "Время простоя",
    "Коэффициент эксплуатации",
    "Отключений",
    "Пусков",
    "Средняя наработка между отключениями",
    "Пусков в сутки",
    "Самый долгий пуск",
    "Медиана пуска",
    "Суток до уставки сопротивления изоляции",
};

// The cause of a run still going at the last record.
inline constexpr const char* kOpenRunText = "в работе";
// Stop codes outside the diagrams' cause table share one colour (light grey) and one name.
inline constexpr std::uint32_t kOtherCauseColour = 0xC0C0C0;
inline constexpr const char* kOtherCausesText = "прочие";
// Points kept of the resistance curve: twice this many at most (see thinnedPoints).
inline constexpr std::size_t kResistanceColumns = 800;

// Everything the report and the page draw of one well's journal.
struct WellReport {
    std::string caption;  // title line 1: the window's caption
    std::string wellLine; // databaseWellLine or journalWellLine
    ControllerGeneration generation = ControllerGeneration::Gen4; // the texts of the stop codes
    analytics::InsulationSettings insulation;
    analytics::WellStats stats;
    std::vector<std::map<std::uint8_t, std::size_t>> monthStops; // per month of stats.months, by code
    std::vector<analytics::ResistancePoint> resistance;          // over the period, thinned
    std::vector<std::string> runCauses;                          // per run of stats.runs
};

// The figures of `records` (in the order given) over `period`.
WellReport makeWellReport(std::span<const JournalRecord> records, const analytics::InsulationSettings& insulation,
                          const analytics::Period& period, ControllerGeneration generation);

// "20.08.2026 06:00:00", as the journal shows a moment.
std::string reportMomentText(analytics::Seconds t);

// The value of every figure, in WellFigure order: numbers with `separator`, "—" when there is none.
std::vector<std::string> wellFigureValues(const analytics::WellStats& stats, char separator);

// "за период с 20.08.2026 06:00:00 по 05.09.2026 12:00:00"; "записей нет" without records.
std::string wellPeriodLine(const analytics::WellStats& stats);

// The trend in one line: the slope over the last 30 days, the setpoint and the days to it, or why
// there is no trend.
std::string trendLine(const analytics::WellStats& stats, const analytics::InsulationSettings& insulation,
                      char separator);

// One line of the stops by cause: the cause's name, colour and count, in the order of the
// diagrams' cause table, then the other codes by code.
struct CauseCount {
    std::uint8_t code = 0;
    std::string name;
    std::uint32_t colour = kOtherCauseColour;
    std::size_t count = 0;
    bool tabled = false; // a cause of the diagrams' table (else it joins "прочие" in the bars)
};
std::vector<CauseCount> causeCounts(const std::map<std::uint8_t, std::size_t>& stopsByCause,
                                    ControllerGeneration generation);

// The name of a tabled cause as a legend shows it: "высокое напряжение", "недогрузка".
std::string causeLegendName(const char* suffix);
// The short name of a stop code: the legend's name of a tabled cause, else the event's text (or
// "код N" for a code without one).
std::string causeName(std::uint8_t code, ControllerGeneration generation);

// Indices into stats.runs: the `n` longest closed runs (longest first, the earlier of equal ones
// first) and the last `n` runs (in journal order, the open one last).
std::vector<std::size_t> longestRuns(const analytics::WellStats& stats, std::size_t n);
std::vector<std::size_t> lastRuns(const analytics::WellStats& stats, std::size_t n);

// A scale of 0 … top in steps of `step` for a drawing of values up to `most`: at most five
// steps of 1, 2 or 5 times a power of ten; top is at least `most` and at least one step.
struct Scale {
    double top = 1;
    double step = 1;
};
Scale niceScale(double most);

// The report on one portrait page, measured with the font of kWellReportFontSize.
ReportDocument layoutWellReport(const WellReport& report, const PrintMetrics& metrics, char separator);

} // namespace vorsan
