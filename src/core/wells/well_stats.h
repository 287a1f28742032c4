#pragma once
// Run-life figures of the database's wells: one well read as the analytics want it, and the
// table of many wells, whose lines are kept with what they were computed from so that showing
// the table again reads only the wells that changed.
#include "analytics/well_stats.h"
#include "analytics/well_summary.h"
#include "common/types.h"
#include "journal/journal_record.h"
#include "settings/setting_def.h"
#include "wells/well_directory.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace vorsan::wells {

// A database well as the analytics read it.
struct WellForStats {
    // In the order the database shows them. Date, time, SOBYTIE, EXT_ZAP and SOP are always
    // read; the other fields only when the well's table is the one the database has open (else 0).
    std::vector<JournalRecord> records;
    SettingsCatalogue settings;   // of the snapshot's generation with its values
    bool settingsPresent = false; // the well has a snapshot
};

// One line of the table of wells.
struct WellStatsRow {
    WellId well;
    analytics::WellSummary summary;
    ControllerGeneration generation = ControllerGeneration::Gen4; // of the snapshot: the texts of its codes
    std::string failure; // why the well could not be read (its figures are empty); "" when read
};

struct WellStatsTable {
    std::vector<WellStatsRow> rows; // worst first (analytics::runsWorse), ties in the order given
    std::size_t wellsRead = 0;      // wells whose table was read this time
    std::size_t wellsKept = 0;      // wells whose line came from the cache
};

// What a well's line was computed from: its table file as the file system describes it, the
// settings the trend used and the period. A table is rewritten in place by every change (rows
// added or deleted, ADD flags cleared), which moves its modification and change times.
struct WellSource {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    std::int64_t size = -1; // -1: no table file
    std::int64_t modifiedNs = 0;
    std::int64_t changedNs = 0;
    analytics::InsulationSettings settings;
    analytics::Period period;
    bool operator==(const WellSource&) const = default;
};

// The lines of the wells, by table file. Owned by the caller (the window keeps one for as long as
// the database is open); WellDatabase::wellStatsTable fills and consults it.
class WellStatsCache {
public:
    const analytics::WellSummary* find(const std::string& table, const WellSource& source) const;
    void store(const std::string& table, const WellSource& source, const analytics::WellSummary& summary);
    std::size_t size() const { return entries_.size(); }
    void clear() { entries_.clear(); }

private:
    struct Entry {
        WellSource source;
        analytics::WellSummary summary;
    };
    std::unordered_map<std::string, Entry> entries_;
};

} // namespace vorsan::wells
