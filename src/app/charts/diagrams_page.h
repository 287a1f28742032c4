#pragma once
#include "charts/chart_source.h"
#include "charts/diagrams.h"
#include "shared/page.h"

#include <optional>

class QChart;
class QChartView;
class QPieSeries;
class QPrinter;
class QRadioButton;

// Page "Диаграммы": the work/idle or the stop-cause pie of the journal, or of the stretch the
// journal grid's selection marks.
class DiagramsPage : public Page {
    Q_OBJECT
public:
    DiagramsPage(WindowState& state, ChartSource& source, QWidget* parent = nullptr);

    void attach(const PageContext& context) override;
    void pageShown() override;
    void pageHidden() override;

    // Draws a well's journal from the database (`databaseMode`) or the window's journal, and
    // makes the page the active one.
    void showJournal(const vorsan::Journal& journal, const QString& wellCaption, bool databaseMode);
    void showDatabaseJournal(DatabaseJournal journal);

    // Draws the chosen diagram for the stretch (the title stays as it is).
    void redraw();
    // "Печать выбранной диаграммы" into a printer chosen already.
    void print(QPrinter& printer);

    bool causesChosen() const;
    QRadioButton* workIdleChoice() const { return workIdle_; }
    QRadioButton* causesChoice() const { return causes_; }
    QChartView* view() const { return view_; }
    QPieSeries* pie() const { return pie_; }
    QString title() const;
    std::optional<vorsan::Stretch> stretch() const;

private:
    void showDiagram();
    // "за период с … по …" of the selected stretch, or of the whole journal (`whole`).
    QString periodText(bool whole) const;

    ChartSource& source_;
    QRadioButton* workIdle_ = nullptr;
    QRadioButton* causes_ = nullptr;
    QWidget* choices_ = nullptr;
    QChartView* view_ = nullptr;
    QChart* chart_ = nullptr;
    QPieSeries* pie_ = nullptr;
};
