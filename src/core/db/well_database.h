#pragma once
// The files of the well database: the layouts of a well's table ("temp.DBF" has the same) and of
// the settings snapshots ("ustavki.DBF"), their index tags, the name of a well's table, the TIME
// text, and the start-up opening of the two fixed tables.
#include "db/table.h"
#include "journal/journal_record.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorsan::db {

inline constexpr const char* kSettingsTableFile = "ustavki.DBF";
inline constexpr const char* kScratchTableFile = "temp.DBF";
inline constexpr const char* kTableExtension = ".DBF";

// Field positions of the WellTable layout.
enum WellField : int {
    kWellKust,
    kWellSkv,
    kWellData,
    kWellTime,
    kWellUab,
    kWellUbc,
    kWellUca,
    kWellIa,
    kWellIb,
    kWellIc,
    kWellZagr,
    kWellSop,
    kWellP,
    kWellT,
    kWellCos,
    kWellSobytie,
    kWellAdd,
    kWellNumUst,
    kWellOldZn,
    kWellNewZn,
    kWellExtZap,
    kWellFieldCount
};

// Field positions of the SettingsSnapshot layout: U1 ... U82 follow TIME.
enum SnapshotField : int {
    kSnapMesto,
    kSnapKust,
    kSnapSkv,
    kSnapData,
    kSnapTime,
    kSnapU1,
    kSnapNewFormat = kSnapU1 + 82,
    kSnapFieldCount
};
inline constexpr int kSnapshotValues = 82;
inline constexpr int kMestoLength = 30;

const TableLayout& wellTableLayout();
const TableLayout& settingsSnapshotLayout();

// Russian letters to Latin text, each letter by its place in the alphabet; anything else copied.
std::string transliterate(std::string_view utf8);
// transliterate(oilfield) + "K" + pad + "C" + well: "Новое", 12, 345 -> "novoeK12C345". Path
// separators and control characters become "_", as does an oilfield part of dots only.
std::string wellBaseName(std::string_view oilfieldUtf8, std::uint16_t pad, std::uint16_t well);

// "HH/MM/SS", always 8 characters.
std::string timeText(int hour, int minute, int second);
// Characters 1-2, 4-5 and 7-8 as numbers; false when they are not digits.
bool parseTimeText(std::string_view text, int& hour, int& minute, int& second);

// The file of `name` in `dir` whatever the letter case on disk, else the path to create it under.
std::string databaseFile(const std::string& dir, const std::string& name);

// Opens one table of the database exclusively, with the tags its layout needs.
DbStatus openDatabaseTable(Table& table, const std::string& dir, const std::string& name,
                           const TableLayout& layout);
// Whether the table's fields have the layout's names (ignoring case), types and widths, in order;
// the detail names the first that differs.
DbStatus checkFieldLayout(const Table& table, const TableLayout& layout);
// The layout of the database whose field names the table has, or nullptr.
const TableLayout* layoutByFieldNames(const std::vector<FieldDef>& fields);
// Removes the "<table>.DBF.tmp" and "<table>.CDX.tmp" a copy killed half-way leaves in `dir`.
// Only for the one program that holds the database.
void removeInterruptedCopies(const std::string& dir);

// Creates an empty table of the layout unless a table of that name (in any letter case) exists.
DbStatus createDatabaseTable(const std::string& dir, const std::string& name, const TableLayout& layout);

// The database directory with empty "ustavki.DBF" and "temp.DBF" (tables that exist are kept).
DbStatus initDatabase(const std::string& dir);

enum class StartupFailure { None, Settings, Scratch };
struct StartupResult {
    StartupFailure failure = StartupFailure::None;
    bool created = false; // the directory did not exist and was made with empty tables
    DbStatus status;      // why the named table could not be opened
    // The message the window shows ("Нет доступа к данным(ustavki)." or "...(temp)."), empty on success.
    std::string message() const;
};

// Start-up: opens "ustavki.DBF" into `settings` and "temp.DBF" into `scratch`. A directory that
// does not exist at all is a first run: it is created with empty tables first.
StartupResult openStartupTables(const std::string& dir, Table& settings, Table& scratch);

// Opens the well's table, creating it empty first when the database has none of that name
// (an existing table is never replaced).
DbStatus openWellTable(Table& well, const std::string& dir, const std::string& baseName);

// The values of one WellTable row for a journal record (ADD true). BadValue when the record's
// day, month and year are not a calendar date.
DbStatus wellRowValues(const JournalRecord& r, std::uint16_t pad, std::uint16_t well,
                       std::vector<FieldValue>& out);

// A well's rows in "DATA" order (or the order of `tag`, "" for the order they were written) as
// journal records with their added flags.
struct WellRows {
    std::vector<JournalRecord> records;
    std::vector<bool> added;
};
DbStatus readWellRows(Table& wellTable, WellRows& out, std::string_view tag = "DATA");

// A snapshot's U1 ... U82 text as the raw value: a plain decimal number, 65535 for anything else.
std::uint16_t snapshotValue(std::string_view text);

// An integer column read into an unsigned 16-bit field: -1 written by older programs is 65535.
std::uint16_t toUnsigned16(double v);

} // namespace vorsan::db
