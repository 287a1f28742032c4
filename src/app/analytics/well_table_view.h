#pragma once
// The wells of an oilfield or a pad on page "Анализ", worst first (the shortest mean run between
// stops on top): one line per well with its stops, starts per day, mean run, availability, most
// frequent cause and the days to the insulation setpoint. A click on a line opens its well.
#include "wells/well_stats.h"

#include <QWidget>

#include <vector>

class QLabel;
class QStandardItemModel;
class QTableView;

class WellTableView : public QWidget {
    Q_OBJECT
public:
    enum Column {
        kOilfieldColumn, kPadColumn, kWellColumn, kStopsColumn, kStartsPerDayColumn, kMtbsColumn,
        kAvailabilityColumn, kCauseColumn, kDaysColumn, kColumnCount
    };

    explicit WellTableView(QWidget* parent = nullptr);

    // The table is being computed: `title` and an empty table.
    void showWaiting(const QString& title);
    // `done` of `total` wells read so far.
    void showProgress(std::size_t done, std::size_t total);
    void showTable(const QString& title, const vorsan::wells::WellStatsTable& table);
    // The table could not be computed.
    void showFailure(const QString& title, const QString& why);

    QTableView* table() const { return table_; }
    QStandardItemModel* model() const { return model_; }
    QLabel* title() const { return title_; }
    // The well of line `row` as shown.
    const vorsan::wells::WellId& wellAt(int row) const { return wells_[std::size_t(row)]; }

    Q_SIGNAL void wellOpened(const vorsan::wells::WellId& well);

private:
    QLabel* title_ = nullptr;
    QLabel* state_ = nullptr;
    QTableView* table_ = nullptr;
    QStandardItemModel* model_ = nullptr;
    std::vector<vorsan::wells::WellId> wells_;
};
