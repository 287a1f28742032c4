#pragma once
// Page "Анализ": the run-life figures of the journal the window shows, or of the database well
// shown last when the database tab handed one over: the summary, the table of runs, the stops of
// every month as bars stacked by cause and the insulation resistance with its trend and setpoint;
// "Печать отчёта по скважине" prints them on one page. Everything is computed off the window's
// thread.
#include "report/well_report.h"
#include "shared/page.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <vector>

class DataSource;
class InsulationChart;
class QChart;
class QChartView;
class QLabel;
class QPrinter;
class QStandardItemModel;
class QTableView;

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

    explicit AnalysisPage(WindowState& state, QWidget* parent = nullptr);

    void attach(const PageContext& context) override;
    void pageShown() override;

    // Prints the report of the figures shown into `printer` (the command runs the print dialog).
    void printReport(QPrinter& printer);

    // The figures shown (null before the first computation ended).
    const AnalysisFigures* figures() const { return figures_.get(); }
    QString figureText(Figure f) const;
    QTableView* runTable() const { return runs_; }
    QStandardItemModel* runModel() const { return runModel_; }
    QChart* monthChart() const { return chart_; }
    InsulationChart* insulationChart() const { return insulation_; }
    // Counts the computations delivered, so that a test can wait for the next one.
    int shownCount() const { return shown_; }

private:
    void compute();
    void show(std::shared_ptr<const AnalysisFigures> figures, std::uint64_t request);
    void showSummary(const vorsan::analytics::WellStats& s);
    void showRuns();
    void showMonths();

    DataSource* source_ = nullptr;
    std::vector<QLabel*> values_;
    QTableView* runs_ = nullptr;
    QStandardItemModel* runModel_ = nullptr;
    QChartView* view_ = nullptr;
    QChart* chart_ = nullptr;
    InsulationChart* insulation_ = nullptr;
    std::shared_ptr<const AnalysisFigures> figures_;
    std::uint64_t request_ = 0; // only the latest computation is shown
    int shown_ = 0;
};
