#pragma once
// What the graph and diagram pages draw: the window's journal, or a well's journal from the
// database when the database tab asks for it. The pages share one source, so a well opened on
// one of them stays on the others until the user goes back to a page outside the charts.
#include "charts/graph_rules.h"
#include "journal/journal_record.h"
#include "journal/journal_row.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <utility>
#include <vector>

class CommandSet;
struct WindowState;

// A well's journal as the database tab hands it over.
struct DatabaseJournal {
    vorsan::Journal journal;
    std::vector<vorsan::JournalRow> rows; // built from the journal when left empty
    QString wellCaption;                  // status panel 1, e.g. "куст № 12 скважина № 345"
    QString oilfield;
    std::uint16_t pad = 0;
    std::uint16_t well = 0;
    // The database grid's selection as record positions (counted from 0); top < bottom chooses
    // the diagrams' stretch.
    std::size_t selectionTop = 0;
    std::size_t selectionBottom = 0;
};

class ChartSource : public QObject {
    Q_OBJECT
public:
    explicit ChartSource(WindowState& state, QObject* parent = nullptr);

    // Draw `journal` of a database well from now on (records counted from 0, the latest 1000 in
    // view at first).
    void useDatabase(DatabaseJournal journal);
    // Back to the window's journal.
    void useWindowJournal();
    // The print commands of the chart pages follow the source: a well's journal can be printed
    // while the window holds no journal of its own.
    void setCommands(CommandSet* commands) { commands_ = commands; }
    bool database() const { return database_; }

    std::span<const vorsan::JournalRecord> records() const;
    std::span<const vorsan::JournalRow> rows() const;
    // Shown position of record index i: i + 1 for the window's journal, i for a well's.
    int firstNumber() const { return database_ ? 0 : 1; }
    // Status panel 1 for the pages.
    QString wellCaption() const;
    const DatabaseJournal& databaseJournal() const { return db_; }

    // The time window a page opens on when nothing is saved: the whole journal, or the latest
    // 1000 records of a well. `automatic`: the whole journal.
    struct Opening {
        vorsan::TimeWindow window;
        bool automatic = true;
    };
    std::optional<Opening> openingWindow() const;

    // The saved time window of the graph pages (both ends 0: none).
    vorsan::TimeWindow savedWindow;

    // Where the diagrams' stretch comes from for the window's journal: the journal grid's
    // selection (record positions from 0), set by whoever owns the grid.
    std::function<std::pair<std::size_t, std::size_t>()> windowSelection;
    std::pair<std::size_t, std::size_t> selection() const;

private:
    void updatePrintCommands();

    WindowState& state_;
    CommandSet* commands_ = nullptr;
    bool database_ = false;
    DatabaseJournal db_;
};
