#pragma once
// Which commands of the window are enabled. This is the one place that decides it: menus, tool
// bar and pages only show what the table says, and the link, journal and database code change it
// through the named transitions below.
#include <array>
#include <cstddef>
#include <functional>
#include <initializer_list>

namespace vorsan {

enum class Command {
    // "Файл"
    OpenJournal,
    SaveJournal,
    SaveJournalText,
    ReadJournal,
    PrintJournal,
    ExportExcel,
    Exit,
    // port menu
    Port1,
    Port2,
    Port3,
    Port4,
    // "Настройки"
    ClearChronology,
    Parameters,
    // "Уставки"
    LoadSettingsFile,
    ReadSettings,
    SaveSettingsFile,
    WriteSettings,
    PrintSettings,
    // "База данных"
    AddWellFromFile,
    SaveWellToFile,
    DeleteWell,
    FindWell,
    RestoreDatabase,
    ArchiveDatabase,
    OpenDatabase,
    SyncWithServer, // the company archive
    // device search
    SearchPrevious,
    SearchDevice,
    SearchNext,
    // journal views
    PrintGraphs,
    PrintDiagram,
    ShowDiagrams,
    DeleteRow,
    PrintAllGraphs, // the three-chart page's print command (reached through the shared print button)
    // the database tab's own commands: the shared print, export and text-export items point at
    // them while the tab is shown
    PrintDatabase,
    PrintDatabaseSettings,
    ExportDatabase,
    SaveDatabaseText,
    ShowDatabaseDiagrams,
    DeleteDatabaseRows,
    // the page "Анализ": the one-page report of the journal or well it shows
    PrintWellReport,
    // "Справка"
    Help,
    About,
};

inline constexpr std::size_t kCommandCount = static_cast<std::size_t>(Command::About) + 1;

// What the probe of the line found (each probe tick re-establishes it).
enum class LineState { Gen3Station, Gen4Station, Recorder, Nothing };

// Commands that need a station on the line.
inline constexpr std::array kStationCommands = {Command::ReadJournal, Command::ReadSettings,
                                                Command::WriteSettings, Command::ClearChronology};
// Commands that need a loaded journal.
inline constexpr std::array kJournalCommands = {
    Command::SaveJournal,  Command::SaveJournalText, Command::PrintJournal, Command::PrintGraphs,
    Command::PrintDiagram, Command::ExportExcel,     Command::ShowDiagrams, Command::DeleteRow,
    Command::PrintAllGraphs};
// Searches for the station below and above the current address.
inline constexpr std::array kNeighbourSearchCommands = {Command::SearchPrevious, Command::SearchNext};
// Commands on the well selected in the database tree.
inline constexpr std::array kWellCommands = {Command::SaveWellToFile, Command::DeleteWell};
// Commands on the rows of the well shown in the database tab (a well with at least one row).
inline constexpr std::array kDatabaseJournalCommands = {
    Command::PrintDatabase,        Command::PrintDatabaseSettings, Command::ExportDatabase,
    Command::SaveDatabaseText,     Command::ShowDatabaseDiagrams,  Command::DeleteDatabaseRows,
    Command::PrintGraphs,          Command::PrintDiagram};

class CommandTable {
public:
    // Called for every command whose state changes.
    using Listener = std::function<void(Command, bool enabled)>;

    CommandTable(); // the states at start

    bool enabled(Command c) const { return enabled_[index(c)]; }
    void set(Command c, bool on);
    template <std::size_t N> void set(const std::array<Command, N>& commands, bool on) {
        for (auto c : commands)
            set(c, on);
    }
    void set(std::initializer_list<Command> commands, bool on) {
        for (auto c : commands)
            set(c, on);
    }

    void setListener(Listener listener) { listener_ = std::move(listener); }

    // A journal was read from a station, downloaded or opened from a file.
    void journalLoaded() { set(kJournalCommands, true); }

    // The probe found `state` on the line.
    void lineState(LineState state);

    // A well node of the database tree is selected (true) or no longer (false).
    void wellSelected(bool selected) { set(kWellCommands, selected); }

    // The database tab showed a well with rows: its print, export and diagram commands become
    // available (they stay so until the program ends, as the journal commands do).
    void databaseRowsShown() { set(kDatabaseJournalCommands, true); }

private:
    static std::size_t index(Command c) { return static_cast<std::size_t>(c); }

    std::array<bool, kCommandCount> enabled_{};
    Listener listener_;
};

} // namespace vorsan
