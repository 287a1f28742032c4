#pragma once
// A sheet of parameter graphs: the chart area on the left and a control panel on the right with
// the page's own controls, the zoom buttons, the button that switches to the other sheet and the
// "Останов" key of the red idle stretches. The minus and plus keys press the zoom buttons of the
// sheet in use (see MainWindow::handleGraphKey).
#include "charts/chart_source.h"
#include "shell/command_table.h"
#include "shared/page.h"

class JournalChart;
class QLabel;
class QPrinter;
class QPushButton;
class QScrollBar;
class QVBoxLayout;

class GraphSheet : public Page {
    Q_OBJECT
public:
    GraphSheet(WindowState& state, ChartSource& source, const QString& switchCaption, QWidget* parent = nullptr);

    QPushButton* zoomInButton() const { return zoomIn_; }
    QPushButton* zoomOutButton() const { return zoomOut_; }
    QPushButton* switchButton() const { return switch_; }

    // Presses the zoom button if it is enabled; returns whether it was pressed.
    bool pressZoomIn();
    bool pressZoomOut();

    // Draws a well's journal from the database (`databaseMode`) or the window's journal, and
    // makes the sheet the active page. `wellCaption` goes to status panel 1 for a well.
    void showJournal(const vorsan::Journal& journal, const QString& wellCaption, bool databaseMode);
    void showDatabaseJournal(DatabaseJournal journal);

    // Draws the journal again as the page does when it is shown.
    virtual void redraw() = 0;
    // The print command of the sheet, into a printer chosen already.
    virtual void print(QPrinter& printer) = 0;
    // The three-chart sheet (true) or the one-chart sheet.
    virtual bool allGraphs() const = 0;

    ChartSource& source() { return source_; }
    const ChartSource& source() const { return source_; }

    void pageShown() override;
    void pageHidden() override;

protected:
    QWidget* chartArea() const { return chartArea_; }
    QVBoxLayout* controlPanel() const { return panel_; } // page controls go above the zoom buttons
    QVBoxLayout* lowerPanel() const { return lower_; }   // and further ones below them

    // Status panels emptied, panel 1 with the well; the shared print button at `print`.
    void announce(int printCommand);
    // The two title lines of a printed chart: caption and well, for `axisTitle`.
    QStringList printTitleLines(const QString& axisTitle) const;
    // Sets the value scroll bar from the chart's value axis, keeping an earlier position (the
    // axis then ends at the bar's maximum less that position).
    static void applyValueScroll(QScrollBar* bar, JournalChart* chart);
    // The value axis follows the bar: it ends at the bar's maximum less the position.
    static void followValueScroll(QScrollBar* bar, JournalChart* chart);
    // The print command runs the print dialog and then print().
    void bindPrintCommand(vorsan::Command command);
    // The chart's click box: date and time under the pointer and the record's event text.
    void connectClickTexts(JournalChart* chart);

private:
    void activate();

    ChartSource& source_;
    QWidget* chartArea_ = nullptr;
    QVBoxLayout* panel_ = nullptr;
    QVBoxLayout* lower_ = nullptr;
    QPushButton* zoomIn_ = nullptr;
    QPushButton* zoomOut_ = nullptr;
    QPushButton* switch_ = nullptr;
    QLabel* stopKey_ = nullptr;
};
