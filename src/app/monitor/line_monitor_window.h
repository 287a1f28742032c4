#pragma once
// "Монитор линии": every request and reply on the serial line as it happens (time, direction,
// station, bytes in hex, the reply's state, what the request meant or how long the reply took),
// counters per station, and pause, clear and save as text.
//
// While the window is shown a MonitorTap watches the link thread's link; a timer takes what it
// gathered ten times a second. Hidden, the tap is taken off the link, which then pays nothing.
// The list keeps the latest kMaxRows rows.
#include "link/line_monitor.h"

#include <QAbstractTableModel>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <memory>

class LinkWorker;
class MonitorFilter;
class QAction;
class QComboBox;
class QLabel;
class QPushButton;
class QTableView;
class QTableWidget;

class LineMonitorModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kMaxRows = 20000;
    enum Column { Time, Direction, Station, Meaning, State, Bytes, ColumnCount };

    struct Row {
        QString cells[ColumnCount];
        bool bad = false;  // a failed reply: shown in red
        bool note = false; // a line of its own (open, close, low latency): shown grey
        bool probe = false; // the probe's request for a device usually absent, and its silence: grey
        int station = 0;    // the counters' key of the exchange (notes: none)
    };

    explicit LineMonitorModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}
    // Appends rows, dropping the oldest beyond kMaxRows.
    void append(std::vector<Row> rows);
    void clear();
    const std::deque<Row>& rows() const { return rows_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::deque<Row> rows_;
};

class LineMonitorWindow : public QWidget {
    Q_OBJECT
public:
    LineMonitorWindow(LinkWorker& worker, QWidget* parent);

    // The menu item "Монитор линии" that shows the window.
    QAction* showAction() const { return showAction_; }
    LineMonitorModel* model() const { return model_; }
    // Which rows the list shows: "Все обмены", "Проба линии", "Команды", or one station's.
    QComboBox* filter() const { return filterBox_; }
    // Rows gathered while the list was paused (bounded like the list), shown on resume.
    std::size_t heldRows() const { return held_.size(); }
    QTableView* view() const { return view_; }
    QTableWidget* counters() const { return counters_; }
    const vorsan::LineCounters& stationCounters() const { return counters_data_; }
    // The longest one drain() has taken on the window thread, in microseconds.
    qint64 longestDrainMicros() const { return longestDrainMicros_; }
    bool tapped() const { return tap_ != nullptr; }

    // Takes what the tap gathered (the timer does this).
    void drain();
    // The list and the counters as text.
    QString text() const;
    // Saves text() to a file; false with a message box when it cannot be written.
    bool saveTo(const QString& path);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void save();
    void clearAll();
    void buildTables();
    void showCounters();
    void addFilterEntry(int station);
    void resume();
    void followRange();
    static LineMonitorModel::Row noteRow(const vorsan::LineEvent& e);
    LineMonitorModel::Row pauseGapRow() const;
    static void exchangeRows(const vorsan::LineEvent& e, const vorsan::ExchangeView& v, char separator,
                             std::vector<LineMonitorModel::Row>& rows);

    LinkWorker& worker_;
    QAction* showAction_ = nullptr;
    LineMonitorModel* model_ = nullptr;
    MonitorFilter* filterModel_ = nullptr;
    QComboBox* filterBox_ = nullptr;
    QTableView* view_ = nullptr;
    QTableWidget* counters_ = nullptr;
    QPushButton* pause_ = nullptr;
    QLabel* status_ = nullptr;
    QTimer timer_;
    std::shared_ptr<vorsan::MonitorTap> tap_;
    vorsan::DecodeContext context_;
    vorsan::LineCounters counters_data_;
    std::vector<LineMonitorModel::Row> held_; // while paused
    std::size_t heldDropped_ = 0;             // exchanges dropped from held_ (it was full)
    bool following_ = true;                   // the list keeps its last row in view
    bool scrolling_ = false;                  // the window itself moves the list
    qint64 longestDrainMicros_ = 0;
};
