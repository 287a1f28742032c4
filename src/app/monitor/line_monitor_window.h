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
class QAction;
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
    void showCounters();

    LinkWorker& worker_;
    QAction* showAction_ = nullptr;
    LineMonitorModel* model_ = nullptr;
    QTableView* view_ = nullptr;
    QTableWidget* counters_ = nullptr;
    QPushButton* pause_ = nullptr;
    QLabel* status_ = nullptr;
    QTimer timer_;
    std::shared_ptr<vorsan::MonitorTap> tap_;
    vorsan::DecodeContext context_;
    vorsan::LineCounters counters_data_;
    std::size_t hiddenWhilePaused_ = 0;
    qint64 longestDrainMicros_ = 0;
};
