#pragma once
// Page "Анализ": the run-life figures of the journal the window shows, or of the database well
// shown last when the database tab handed one over: the summary, the table of runs, the stops of
// every month as bars stacked by cause and the insulation resistance with its trend and setpoint;
// "Печать отчёта по скважине" prints them on one page. A click on an oilfield or pad node of the
// database tree shows instead the table of its wells, worst first, each line opening its well.
// Everything is computed off the window's thread.
#include "report/well_report.h"
#include "shared/page.h"
#include "wells/well_database_state.h"
#include "wells/well_stats.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class DataSource;
class InsulationChart;
class QChart;
class QChartView;
class QLabel;
class QPrinter;
class QStackedWidget;
class QStandardItemModel;
class QTableView;
class WellTableView;

// What the page draws of one journal, as the worker computed it.
struct AnalysisFigures {
    vorsan::WellReport report; // stats, stops per month by cause, resistance, cause texts of the runs
    QString well;              // status panel 1: the journal's pad and well
};

class AnalysisPage : public Page {
    Q_OBJECT
public:
    // Columns of the run table.
    enum RunColumn { kBeginColumn, kEndColumn, kDurationColumn, kCauseColumn };
    // The summary's lines, in the order shown (that of vorsan::WellFigure).
    enum Figure {
        kRecords, kWork, kIdle, kAvailability, kStops, kStarts, kMtbs, kStartsPerDay, kLongestRun,
        kMedianRun, kDaysToSetpoint, kFigureCount
    };

    // Runs an operation on the well database off the window's thread, after those before it, and
    // calls `done` on the window's thread (the window binds it to the database's queue).
    using DatabaseRunner = std::function<void(std::function<vorsan::wells::Outcome(vorsan::wells::WellDatabase&)>,
                                              std::function<void(const vorsan::wells::Outcome&)>)>;

    explicit AnalysisPage(WindowState& state, QWidget* parent = nullptr);

    void attach(const PageContext& context) override;
    void pageShown() override;
    void pageHidden() override;

    void setDatabaseRunner(DatabaseRunner runner) { runner_ = std::move(runner); }
    // The table of the wells of `oilfield` (of its pad `pad` only, when given), worst first. The
    // figures of every well are kept with what they came from: showing it again reads only the
    // wells that changed.
    void showWells(const QString& oilfield, std::optional<std::uint16_t> pad);
    bool showingWells() const;

    // Prints the report of the figures shown into `printer` (the command runs the print dialog).
    void printReport(QPrinter& printer);

    // The figures shown (null before the first computation ended).
    const AnalysisFigures* figures() const { return figures_.get(); }
    QString figureText(Figure f) const;
    QTableView* runTable() const { return runs_; }
    QStandardItemModel* runModel() const { return runModel_; }
    QChart* monthChart() const { return chart_; }
    InsulationChart* insulationChart() const { return insulation_; }
    WellTableView* wellTable() const { return wells_; }
    // Counts the computations delivered, so that a test can wait for the next one.
    int shownCount() const { return shown_; }
    int tablesShown() const { return tablesShown_; }

    // A line of the well table was clicked: the window shows that well (then this page its figures).
    Q_SIGNAL void wellOpened(const vorsan::wells::WellId& well);

private:
    void compute();
    void show(std::shared_ptr<const AnalysisFigures> figures, std::uint64_t request);
    void showSummary(const vorsan::analytics::WellStats& s);
    void showRuns();
    void showMonths();

    DataSource* source_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    std::vector<QLabel*> values_;
    QTableView* runs_ = nullptr;
    QStandardItemModel* runModel_ = nullptr;
    QChartView* view_ = nullptr;
    QChart* chart_ = nullptr;
    InsulationChart* insulation_ = nullptr;
    WellTableView* wells_ = nullptr;
    DatabaseRunner runner_;
    std::shared_ptr<vorsan::wells::WellStatsCache> cache_ = std::make_shared<vorsan::wells::WellStatsCache>();
    std::shared_ptr<const AnalysisFigures> figures_;
    std::uint64_t request_ = 0; // only the latest computation is shown
    std::uint64_t tableRequest_ = 0;
    int shown_ = 0;
    int tablesShown_ = 0;
};
