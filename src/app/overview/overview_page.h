#pragma once
// Page "Обзор линии": every station of the line at once. "Найти все станции" scans the line (with
// "Полный поиск (500 мс)" at the fixed wait of the old search, for lines with slow stations); the
// table shows one row per station found, refreshed in turn; the event list says when a station
// stopped, went silent or came back; "Записывать в файл" appends every answer to a CSV file.
// A double-click on a row makes that station the current one. The page only shows and asks: the
// line work is the overview's (LineOverview), which the window wires to it.
#include "overview/overview_model.h"
#include "shared/page.h"

#include <QString>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTableView;
class QTimer;

class OverviewPage : public Page {
    Q_OBJECT
public:
    explicit OverviewPage(WindowState& state, QWidget* parent = nullptr);

    OverviewModel* model() const { return model_; }
    QTableView* table() const { return table_; }
    QPushButton* scanButton() const { return scan_; }
    QCheckBox* fullSearchBox() const { return full_; }
    QCheckBox* recordBox() const { return record_; }
    QListWidget* events() const { return events_; }
    QLabel* summary() const { return summary_; }

    // A line of the event list: "18:40:01  куст 12, скважина 3, адрес 5: Стоп, недогрузка".
    void addEvent(vorsan::WallTime at, const vorsan::StationRow& row, const QString& what);
    // The line under the buttons: what the last scan found (or a failure), then the round time.
    void setSummary(const QString& text);
    void setRoundText(const QString& text);
    // The file being written, or none.
    void setRecordingFile(const QString& path);

    void pageShown() override;
    void pageHidden() override;

    // "Найти все станции" pressed (full: "Полный поиск (500 мс)" is checked).
    Q_SIGNAL void scanRequested(bool full);
    // A row was double-clicked.
    Q_SIGNAL void stationChosen(std::uint8_t address);
    // "Записывать в файл" checked or unchecked by the user.
    Q_SIGNAL void recordingToggled(bool on);

private:
    OverviewModel* model_ = nullptr;
    QTableView* table_ = nullptr;
    QPushButton* scan_ = nullptr;
    QCheckBox* full_ = nullptr;
    QCheckBox* record_ = nullptr;
    QLabel* file_ = nullptr;
    QLabel* summary_ = nullptr;
    QString scanText_, roundText_;
    QListWidget* events_ = nullptr;
    QTimer* ages_ = nullptr; // moves the ages of silent stations on while the page is shown
};
