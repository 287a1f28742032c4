#pragma once
// The well database as the window and the command line use it: one object that owns the database
// directory and its tables, the current well, the database journal and the database settings,
// with every operation on them. Nothing here shows anything: each operation returns what the
// caller must tell the user.
#include "common/types.h"
#include "db/table.h"
#include "journal/journal_record.h"
#include "journal/journal_row.h"
#include "journal/journal_text_export.h"
#include "settings/setting_def.h"
#include "wells/well_directory.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
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

// The rows of the current well as shown: records in display order, their added flags and texts.
struct DatabaseJournal {
    Journal journal;
    std::vector<bool> added;
    std::vector<JournalRow> rows;
};

// The current well's settings snapshot.
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

using Progress = std::function<void(std::size_t done, std::size_t total)>;

class WellDatabase {
public:
    // Opens the database in `dir` (created with empty tables on a first run) for this program
    // alone. `separator` is the user's decimal separator for the texts of the rows and settings.
    static std::unique_ptr<WellDatabase> open(const std::string& dir, char separator, Outcome& outcome);
    ~WellDatabase();
    WellDatabase(const WellDatabase&) = delete;
    WellDatabase& operator=(const WellDatabase&) = delete;

    const std::string& directory() const { return dir_; }
    const WellId& currentWell() const { return current_; }
    const std::string& currentBaseName() const { return baseName_; }
    const DatabaseJournal& journal() const { return journal_; }
    const DatabaseSettings& settings() const { return settings_; }
    // The settings page: one row per setting of the snapshot's generation.
    const std::vector<SettingsPageRow>& settingsPage() const { return page_; }
    // Texts of values the page could not show (a value outside its list of choices).
    const std::vector<std::string>& settingsPageErrors() const { return pageErrors_; }

    // --- showing and adding ("Нет доступа к данным(table1)." when the well's table cannot open)
    // Browse: the well becomes current, its ADD flags are cleared and its rows and snapshot read.
    Outcome showWell(const WellId& well);
    // Add: the journal's rows are merged into the well (`oilfield` names it; pad and well come
    // from the journal's settings), its settings become the well's snapshot, and the well is shown.
    Outcome addJournal(const std::string& oilfield, const JournalToAdd& journal);
    // Batch add: the same without reading the well back (the recorder's load of many journals).
    Outcome addJournalQuietly(const std::string& oilfield, const JournalToAdd& journal);

    // --- deleting
    // The given rows of the database journal (indices into journal().journal), then shown again.
    Outcome deleteRows(const std::vector<std::size_t>& rows);
    // The current well: its table emptied, its snapshot deleted; then shown (empty).
    Outcome deleteCurrentWell();

    // --- the directory
    std::vector<WellId> wells();                 // "KUST_SKV" order
    std::vector<std::string> oilfieldNames();    // "Mest" order
    WellTree tree() { return buildWellTree(wells()); }

    // --- text export of the database journal
    JournalTextFile journalText(std::string_view caption) const;
    std::string offeredTextFileName() const; // "Куст12_Ск345", "" without a current well

    // --- well files and archives
    Outcome saveWellFile(const std::string& path);
    Outcome addWellFile(const std::string& path);
    Outcome createArchive(const std::string& path);
    Outcome updateFromArchive(const std::string& path, const Progress& progress = {});

private:
    WellDatabase() = default;
    Outcome openCurrentTable();
    Outcome addRows(const JournalToAdd& j);
    Outcome readCurrent();
    Outcome writeSnapshot(const WellId& id, const db::Date& date, const std::string& time,
                          const std::vector<std::uint16_t>& values, bool gen4);
    bool findSnapshot(const WellId& id);
    Outcome mergeInto(db::Table& source); // into the current well's table, by "DATt"
    void buildSettingsPage();

    std::string dir_;
    int lockFd_ = -1;
    char separator_ = ',';
    db::Table snapshots_, scratch_, well_;
    WellId current_{"Новое", kNoNumber, kNoNumber};
    std::string baseName_;
    DatabaseJournal journal_;
    // The well's rows as the table holds them, in "DATA" order (the keys of deletion), their
    // added flags, and for each shown row the index of its stored row.
    std::vector<JournalRecord> stored_;
    std::vector<bool> storedAdded_;
    std::vector<std::uint32_t> shownOrder_;
    // Record numbers of the rows whose ADD the last addition set (valid while addedKnown_).
    std::vector<std::uint32_t> addedRecnos_;
    bool addedKnown_ = false;
    db::DbStatus clearAddedFlags();
    std::array<std::uint16_t, 82> snapshotValues_{}; // U1 ... U82 of the current well's snapshot
    DatabaseSettings settings_;
    std::vector<SettingsPageRow> page_;
    std::vector<std::string> pageErrors_;
};

} // namespace vorsan::wells
