#include "charts/chart_source.h"

#include "journal/journal_rows.h"
#include "shared/commands.h"
#include "settings/catalogue.h"
#include "shared/loaded_data.h"
#include "shared/window_state.h"

namespace {

void putTwo(std::string& s, int v) {
    s += static_cast<char>('0' + v / 10 % 10);
    s += static_cast<char>('0' + v % 10);
}

// Date, time and event text of a record, as the journal rows write them (a well's table holds
// generation 4 journals).
vorsan::JournalRow chartRow(const vorsan::JournalRecord& r, const vorsan::SettingsCatalogue& catalogue,
                            char separator) {
    vorsan::JournalRow row;
    putTwo(row.dateText, r.day);
    row.dateText += '.';
    putTwo(row.dateText, r.month);
    row.dateText += '.';
    row.dateText += std::to_string(r.year);
    putTwo(row.timeText, r.hour);
    row.timeText += ':';
    putTwo(row.timeText, r.minute);
    row.timeText += ':';
    putTwo(row.timeText, r.second);
    row.eventText = r.SOBYTIE == vorsan::kCodeSettingChange
                        ? vorsan::settingChangeText(r, catalogue, separator)
                        : vorsan::eventCodeText(r.SOBYTIE, vorsan::ControllerGeneration::Gen4);
    return row;
}

} // namespace

ChartSource::ChartSource(WindowState& state, QObject* parent) : QObject(parent), state_(state) {}

void ChartSource::useDatabase(DatabaseJournal journal) {
    db_ = std::move(journal);
    if (db_.rows.size() != db_.journal.records.size()) {
        // The charts read only the date, time and event texts of the rows: a well of 200,000
        // records would wait half a second for the measurement texts nobody looks at here.
        const auto catalogue = gen4CatalogueFor(state_.catalogue);
        const char separator = decimalSeparator();
        db_.rows.clear();
        db_.rows.reserve(db_.journal.records.size());
        for (const auto& r : db_.journal.records) db_.rows.push_back(chartRow(r, catalogue, separator));
    }
    database_ = true;
    savedWindow = {};
    updatePrintCommands();
}

void ChartSource::updatePrintCommands() {
    if (!commands_) return;
    const bool printable = database_ || state_.journalLoaded;
    commands_->table().set({vorsan::Command::PrintGraphs, vorsan::Command::PrintAllGraphs,
                            vorsan::Command::PrintDiagram},
                           printable);
}

void ChartSource::useWindowJournal() {
    if (!database_) return;
    database_ = false;
    db_ = {};
    savedWindow = {};
    updatePrintCommands();
}

std::span<const vorsan::JournalRecord> ChartSource::records() const {
    return database_ ? std::span<const vorsan::JournalRecord>(db_.journal.records)
                     : std::span<const vorsan::JournalRecord>(state_.journal.records);
}

std::span<const vorsan::JournalRow> ChartSource::rows() const {
    return database_ ? std::span<const vorsan::JournalRow>(db_.rows)
                     : std::span<const vorsan::JournalRow>(state_.journalRows);
}

QString ChartSource::wellCaption() const {
    return database_ ? db_.wellCaption : padWellStatus(state_.catalogue);
}

std::optional<ChartSource::Opening> ChartSource::openingWindow() const {
    const auto range = vorsan::journalTimeRange(records());
    if (!range) return std::nullopt;
    if (!database_) return Opening{*range, true};
    const auto latest = vorsan::databaseOpeningWindow(records());
    if (!latest || *latest == *range) return Opening{*range, true};
    return Opening{*latest, false};
}

std::pair<std::size_t, std::size_t> ChartSource::selection() const {
    if (database_) return {db_.selectionTop, db_.selectionBottom};
    return windowSelection ? windowSelection() : std::pair<std::size_t, std::size_t>{0, 0};
}
