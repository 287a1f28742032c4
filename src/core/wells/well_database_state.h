#pragma once
// The well database as the window and the command line use it: one object that owns the database
// directory and its tables, the well shown with its journal and settings, and every operation on
// them. Each operation on one well takes that well's identity. Nothing here shows anything: each
// operation returns what the caller must tell the user.
#include "common/types.h"
#include "db/table.h"
#include "db/well_database.h"
#include "journal/journal_record.h"
#include "journal/journal_row.h"
#include "journal/journal_text_export.h"
#include "settings/setting_def.h"
#include "wells/well_directory.h"
#include "wells/well_stats.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vorsan::wells {

// What an operation ended with. `message` and `caption` are the box the window shows (empty
// message: nothing to show); `detail` says why in technical terms.
struct Outcome {
    bool ok = true;
    std::string message;
    std::string caption;
    std::string detail;
    std::vector<std::string> notes; // further per-well messages of an archive update

    static Outcome failure(std::string message, std::string caption, std::string detail) {
        return {false, std::move(message), std::move(caption), std::move(detail), {}};
    }
};

inline constexpr const char* kNoSnapshotMoment = "../../.... ..:..:..";

// The rows of the shown well: records in display order, their added flags and texts.
struct DatabaseJournal {
    Journal journal;
    std::vector<bool> added;
    std::vector<JournalRow> rows;
};

// The shown well's settings snapshot.
struct DatabaseSettings {
    bool present = false; // the well has a snapshot row
    ControllerGeneration generation = ControllerGeneration::Gen4;
    SettingsCatalogue catalogue; // of the snapshot's generation, with its values
    std::string momentText = kNoSnapshotMoment;
};

// One row of the settings page: "21  Номинальное напряжение" and the value text.
struct SettingsPageRow {
    std::string name;
    std::string value;
};

// A journal to add, with the settings read with it (catalogue order of its generation).
struct JournalToAdd {
    const Journal* journal = nullptr;
    ControllerGeneration generation = ControllerGeneration::Gen4;
    SettingsSet settings;
};

// A row as the database journal showed it: its position and its record.
struct ShownRow {
    std::size_t position = 0;
    JournalRecord record;
};

using Progress = std::function<void(std::size_t done, std::size_t total)>;

// A well's settings snapshot as the database stores it (the company archive carries it).
struct StoredSnapshot {
    db::Date date; // empty: the snapshot has no moment
    std::string time = "        ";
    std::vector<std::uint16_t> values = std::vector<std::uint16_t>(82, kUnknown16); // U1 ... U82
    bool gen4 = true;
};

class WellDatabase {
public:
    // Opens the database in `dir` (created with empty tables on a first run) for this program
    // alone. `separator` is the user's decimal separator for the texts of the rows and settings.
    static std::unique_ptr<WellDatabase> open(const std::string& dir, char separator, Outcome& outcome);
    ~WellDatabase();
    WellDatabase(const WellDatabase&) = delete;
    WellDatabase& operator=(const WellDatabase&) = delete;

    const std::string& directory() const { return dir_; }
    // The well whose rows and snapshot journal(), settings() and settingsPage() hold: the one the
    // last showing operation named. nullopt before the first and after an archive update. Every
    // operation on one well names it; none acts on this one because it is shown.
    const std::optional<WellId>& shownWell() const { return shown_; }
    const DatabaseJournal& journal() const { return journal_; }
    const DatabaseSettings& settings() const { return settings_; }
    // The settings page: one row per setting of the snapshot's generation.
    const std::vector<SettingsPageRow>& settingsPage() const { return page_; }
    // Texts of values the page could not show (a value outside its list of choices).
    const std::vector<std::string>& settingsPageErrors() const { return pageErrors_; }

    // --- showing and adding ("Нет доступа к данным(table1)." when the well's table cannot open)
    // Browse: the well's ADD flags are cleared and its rows and snapshot read; it is shown.
    Outcome showWell(const WellId& well);
    // Add: the journal's rows are merged into the well (`oilfield` names it; pad and well come
    // from the journal's settings), its settings become the well's snapshot, and the well is shown.
    Outcome addJournal(const std::string& oilfield, const JournalToAdd& journal);
    // Batch add: the same, and the well shown stays as it was (the recorder's load of many
    // journals). `added`, when given, receives the well the rows went to.
    Outcome addJournalQuietly(const std::string& oilfield, const JournalToAdd& journal, WellId* added = nullptr);

    // --- deleting
    // The rows of `well` the user selected as they were shown, then `well` shown again. Each row
    // is found by its record (at its position when it is still there): rows the well gained or
    // lost since it was shown do not shift the selection onto others.
    Outcome deleteRows(const WellId& well, const std::vector<ShownRow>& rows);
    // `well`: its table emptied (the files stay), its snapshot deleted; then shown (empty).
    Outcome deleteWell(const WellId& well);

    // --- the directory
    std::vector<WellId> wells();                 // "KUST_SKV" order
    std::vector<std::string> oilfieldNames();    // "Mest" order
    WellTree tree() { return buildWellTree(wells()); }

    // --- text export of a well's journal (the well is read and shown first unless it is shown)
    Outcome journalText(const WellId& well, std::string_view caption, JournalTextFile& out);
    static std::string offeredTextFileName(const WellId& well); // "Куст12_Ск345", "" for 65535

    // --- well files and archives
    Outcome saveWellFile(const WellId& well, const std::string& path);
    // Merges the file into the well it names (whatever is shown) and shows that well.
    Outcome addWellFile(const std::string& path);
    Outcome createArchive(const std::string& path);
    Outcome updateFromArchive(const std::string& path, const Progress& progress = {});

    // --- run-life figures (reading only: the ADD flags, the shown well and its rows stay as they
    // are; a well without a table reads as empty and none is created)
    // The well's rows in the order the database shows them and its snapshot's settings.
    Outcome readWellForStats(const WellId& well, WellForStats& out);
    // computeWellStats over that well.
    Outcome wellStats(const WellId& well, const analytics::Period& period, analytics::WellStats& out);
    // One line per well of `wells` (a well that cannot be read gets a line with its failure),
    // worst first. A well whose table and settings are as `cache` holds them is not read again.
    Outcome wellStatsTable(const std::vector<WellId>& wells, const analytics::Period& period, WellStatsCache& cache,
                           WellStatsTable& out, const Progress& progress = {});

    // --- the company archive (well_sync.cpp). None of these changes the ADD flags of rows
    // already there or the well shown.
    // The file of the well's table, "" when the database has none.
    std::string tableFile(const WellId& well) const;
    // The well's rows in the order they were written to its table.
    Outcome storedRows(const WellId& well, std::vector<JournalRecord>& out);
    std::optional<StoredSnapshot> storedSnapshot(const WellId& well);
    // Rows from the archive merged into `well` (made when the database lacks it, with a snapshot
    // of unknown values and no moment when it has none): rows it holds already stay as they are,
    // the new ones do not carry ADD. `merged` gets how many were new.
    Outcome mergeArchiveRows(const WellId& well, const std::vector<JournalRecord>& rows, std::size_t& merged);
    // The well's snapshot replaced by the archive's (the well made when the database lacks it).
    Outcome putSnapshot(const WellId& well, const StoredSnapshot& snapshot);

private:
    WellDatabase() = default;
    // Opens the table of `well` (created empty when the database has none). The table stays open
    // for the next operation on the same well: reading a large well again costs more than
    // everything else an operation does.
    Outcome openTable(const WellId& well);
    Outcome addRows(const WellId& well, const JournalToAdd& j);
    // Reads the rows and snapshot of `well`, whose table is open, as the well shown.
    Outcome readShown(const WellId& well);
    // Refuses a well new to the database whose table name another oilfield's well already has.
    Outcome checkTableName(const WellId& well);
    Outcome writeSnapshot(const WellId& id, const db::Date& date, const std::string& time,
                          const std::vector<std::uint16_t>& values, bool gen4);
    bool findSnapshot(const WellId& id);
    // The newest row's moment of the open table: the moment of a snapshot written with it.
    void newestMoment(db::Date& date, std::string& time);
    Outcome mergeInto(db::Table& source); // into the open well table, by "DATt"
    // A well from a file or an archive: merged into the well's table, or installed as its table
    // when the database has none (`cdx` may be empty); the well's table is open afterwards.
    Outcome installOrMerge(const WellId& id, db::Table& source, const std::string& dbf, const std::string& cdx);
    void closeTable();
    void buildSettingsPage();
    void forgetShown();
    // The rows of `well` in shown order into `records` (`scratch` holds them in "DATA" order,
    // `bytes` the table file): the fields the figures use, read from the file; the table open
    // for the next operation serves when it is that well's.
    db::DbStatus readRowsForStats(const WellId& well, const std::string& tablePath, db::WellRows& scratch,
                                  std::vector<std::uint8_t>& bytes, std::vector<JournalRecord>& records);
    // The snapshot row the cursor of snapshots_ stands on as a catalogue with its values.
    SettingsCatalogue snapshotCatalogue();

    std::string dir_;
    int lockFd_ = -1;
    char separator_ = ',';
    db::Table snapshots_, scratch_, well_;
    std::optional<WellId> tableOf_; // the well whose table well_ has open
    std::optional<WellId> shown_;
    DatabaseJournal journal_;
    // The shown well's rows as the table holds them, in "DATA" order, their added flags, and for
    // each shown row the index of its stored row.
    std::vector<JournalRecord> stored_;
    std::vector<bool> storedAdded_;
    std::vector<std::uint32_t> shownOrder_;
    // Record numbers of the rows of the open table whose ADD the last addition set (valid while
    // addedKnown_).
    std::vector<std::uint32_t> addedRecnos_;
    bool addedKnown_ = false;
    db::DbStatus clearAddedFlags();
    std::array<std::uint16_t, 82> snapshotValues_{}; // U1 ... U82 of the shown well's snapshot
    DatabaseSettings settings_;
    std::vector<SettingsPageRow> page_;
    std::vector<std::string> pageErrors_;
};

} // namespace vorsan::wells
