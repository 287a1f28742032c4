#pragma once
// The run-life table of the wells of an oilfield or a pad, worst first (the shortest mean run
// between stops on top): one line per well with its stops, starts per day, mean run,
// availability, most frequent cause and the days to the insulation setpoint. The database tab
// shows it for an oilfield or pad node clicked in its tree; a click on a line opens its well.
// The figures are computed by the database's own queue, off the window's thread, and every
// well's line is kept with what it came from, so the table shown again reads only the wells
// that changed.
#include "wells/well_database_state.h"
#include "wells/well_stats.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
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

    // Runs an operation on the well database off the window's thread, after those before it, and
    // calls `done` on the window's thread (the window binds it to the database's queue).
    using DatabaseRunner = std::function<void(std::function<vorsan::wells::Outcome(vorsan::wells::WellDatabase&)>,
                                              std::function<void(const vorsan::wells::Outcome&)>)>;

    explicit WellTableView(QWidget* parent = nullptr);

    void setDatabaseRunner(DatabaseRunner runner) { runner_ = std::move(runner); }
    // Computes and shows the table of the wells of `oilfield` (of its pad `pad` only, when given).
    void showWells(const QString& oilfield, std::optional<std::uint16_t> pad);
    // Counts the tables shown, so that a test can wait for the next one.
    int tablesShown() const { return tablesShown_; }

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
    QLabel* state() const { return state_; }
    // The well of line `row` as shown (in the order the user sorted it to).
    const vorsan::wells::WellId& wellAt(int row) const;

    Q_SIGNAL void wellOpened(const vorsan::wells::WellId& well);

private:
    void takeModel(QStandardItemModel* model);

    QLabel* title_ = nullptr;
    QLabel* state_ = nullptr;
    QTableView* table_ = nullptr;
    QStandardItemModel* model_ = nullptr;
    std::vector<vorsan::wells::WellId> wells_;
    DatabaseRunner runner_;
    std::shared_ptr<vorsan::wells::WellStatsCache> cache_ = std::make_shared<vorsan::wells::WellStatsCache>();
    std::uint64_t request_ = 0; // only the latest table is shown
    int tablesShown_ = 0;
};
