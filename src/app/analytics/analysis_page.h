#pragma once
// Page "Анализ": the run-life figures of the journal the window shows, or of the database well
// shown last when the database tab handed one over: the summary, the table of runs and the stops
// of every month as bars stacked by cause. The figures are computed off the window's thread.
#include "analytics/well_stats.h"
#include "shared/page.h"

#include <QString>

#include <cstdint>
#include <map>
#include <memory>
#include <vector>

class DataSource;
class QBarCategoryAxis;
class QChart;
class QChartView;
class QLabel;
class QStandardItemModel;
class QTableView;
class QValueAxis;

// What the page draws of one journal, as the worker computed it.
struct AnalysisFigures {
    vorsan::analytics::WellStats stats;
    // Stop events of each month of stats.months, by code.
    std::vector<std::map<std::uint8_t, std::size_t>> monthStops;
    std::vector<QString> runCauses; // the cause text of every run of stats.runs
    QString well;                   // status panel 1: the journal's pad and well
};

class AnalysisPage : public Page {
    Q_OBJECT
public:
    // Columns of the run table.
    enum RunColumn { kBeginColumn, kEndColumn, kDurationColumn, kCauseColumn };
    // The summary's lines, in the order shown.
    enum Figure {
        kRecords, kWork, kIdle, kAvailability, kStops, kStarts, kMtbs, kStartsPerDay, kLongestRun,
        kMedianRun, kDaysToSetpoint, kFigureCount
    };

    explicit AnalysisPage(WindowState& state, QWidget* parent = nullptr);

    void attach(const PageContext& context) override;
    void pageShown() override;

    // The figures shown (null before the first computation ended).
    const AnalysisFigures* figures() const { return figures_.get(); }
    QString figureText(Figure f) const;
    QTableView* runTable() const { return runs_; }
    QStandardItemModel* runModel() const { return runModel_; }
    QChart* monthChart() const { return chart_; }
    // Counts the computations delivered, so that a test can wait for the next one.
    int shownCount() const { return shown_; }

private:
    void compute();
    void show(std::shared_ptr<const AnalysisFigures> figures, std::uint64_t request);

    DataSource* source_ = nullptr;
    std::vector<QLabel*> values_;
    QTableView* runs_ = nullptr;
    QStandardItemModel* runModel_ = nullptr;
    QChartView* view_ = nullptr;
    QChart* chart_ = nullptr;
    std::shared_ptr<const AnalysisFigures> figures_;
    std::uint64_t request_ = 0; // only the latest computation is shown
    int shown_ = 0;
};
