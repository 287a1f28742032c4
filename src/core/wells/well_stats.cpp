// The run-life figures of database wells: reading a well without touching it, and the table of
// many wells with its cache.
#include "wells/well_stats.h"

#include "db/dbf_format.h"
#include "db/well_database.h"
#include "journal/journal_order.h"
#include "settings/catalogue.h"
#include "text/cp1251.h"
#include "wells/well_database_state.h"

#include <algorithm>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <tuple>

namespace vorsan::wells {

const analytics::WellSummary* WellStatsCache::find(const std::string& table, const WellSource& source) const {
    const auto it = entries_.find(table);
    return it != entries_.end() && it->second.source == source ? &it->second.summary : nullptr;
}

void WellStatsCache::store(const std::string& table, const WellSource& source, const analytics::WellSummary& summary) {
    entries_[table] = {source, summary};
}

namespace {

// MESTO as the snapshot table holds it: Windows-1251, at most 30 characters, no trailing blanks.
std::string mestoKey(const std::string& oilfield) {
    std::string b = utf8ToCp1251(oilfield).bytes;
    if (b.size() > static_cast<std::size_t>(db::kMestoLength)) b.resize(db::kMestoLength);
    return std::string(db::trimRight(b));
}

std::string tableFileOf(const std::string& dir, const WellId& well) {
    return db::databaseFile(dir, db::wellBaseName(well.oilfield, well.pad, well.well) + db::kTableExtension);
}

// The file system's description of the table; size -1 when there is no file.
WellSource sourceOf(const std::string& table) {
    WellSource s;
    struct stat st {};
    if (::stat(table.c_str(), &st) != 0) return s;
    s.device = st.st_dev;
    s.inode = st.st_ino;
    s.size = st.st_size;
    s.modifiedNs = std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    s.changedNs = std::int64_t(st.st_ctim.tv_sec) * 1000000000 + st.st_ctim.tv_nsec;
    return s;
}

} // namespace

SettingsCatalogue WellDatabase::snapshotCatalogue() {
    const ControllerGeneration gen =
        snapshots_.getLogical(db::kSnapNewFormat) ? ControllerGeneration::Gen4 : ControllerGeneration::Gen3;
    SettingsCatalogue c = buildCatalogue(gen);
    for (std::size_t i = 0; i < c.size() && i < std::size_t(db::kSnapshotValues); ++i)
        c.entries[i].value = db::snapshotValue(snapshots_.getString(db::kSnapU1 + int(i)));
    applyVariantFromValue(c);
    return c;
}

db::DbStatus WellDatabase::readRowsForStats(const WellId& well, const std::string& tablePath, db::WellRows& scratch,
                                            std::vector<JournalRecord>& records) {
    records.clear();
    scratch.records.clear();
    if (well_.isOpen() && tableOf_ == well) {
        // Open here, so a second opening would be refused; its rows are those on disk (every
        // operation flushes before it returns).
        if (auto st = db::readWellRows(well_, scratch); !st) return st;
    } else if (std::filesystem::exists(tablePath)) {
        db::Table t;
        if (auto st = t.open(tablePath, db::OpenMode::ReadOnly, db::wellTableLayout().tags); !st) return st;
        if (auto st = db::readWellRows(t, scratch); !st) return st;
    }
    const std::vector<std::uint32_t> order = sameMomentOrder(scratch.records);
    records.resize(order.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        records[i] = scratch.records[order[i]];
    return {};
}

Outcome WellDatabase::readWellForStats(const WellId& well, WellForStats& out) {
    db::WellRows scratch;
    if (auto st = readRowsForStats(well, tableFileOf(dir_, well), scratch, out.records); !st)
        return Outcome::failure("Нет доступа к данным(table1).", "Внимание...", st.detail);
    out.settingsPresent = findSnapshot(well);
    out.settings = out.settingsPresent ? snapshotCatalogue() : buildCatalogue(ControllerGeneration::Gen4);
    return {};
}

Outcome WellDatabase::wellStats(const WellId& well, const analytics::Period& period, analytics::WellStats& out) {
    WellForStats w;
    if (auto o = readWellForStats(well, w); !o.ok) return o;
    out = analytics::computeWellStats(w.records, analytics::insulationSettingsOf(w.settings), period);
    return {};
}

Outcome WellDatabase::wellStatsTable(const std::vector<WellId>& wells, const analytics::Period& period,
                                     WellStatsCache& cache, WellStatsTable& out, const Progress& progress) {
    out = {};
    // The settings of every well from one pass over the snapshots.
    struct Snapshot {
        analytics::InsulationSettings insulation;
        ControllerGeneration generation;
    };
    std::map<std::tuple<std::string, std::uint16_t, std::uint16_t>, Snapshot> settings;
    snapshots_.setTag("KUST_SKV");
    for (snapshots_.first(); !snapshots_.eof(); snapshots_.next()) {
        const SettingsCatalogue c = snapshotCatalogue();
        settings.emplace(std::tuple(snapshots_.getString(db::kSnapMesto),
                                    db::toUnsigned16(snapshots_.getNumber(db::kSnapKust)),
                                    db::toUnsigned16(snapshots_.getNumber(db::kSnapSkv))),
                         Snapshot{analytics::insulationSettingsOf(c), c.generation});
    }

    db::WellRows scratch;
    std::vector<JournalRecord> records;
    out.rows.reserve(wells.size());
    for (std::size_t i = 0; i < wells.size(); ++i) {
        if (progress) progress(i, wells.size());
        const WellId& well = wells[i];
        WellStatsRow& row = out.rows.emplace_back();
        row.well = well;
        const std::string table = tableFileOf(dir_, well);
        // Taken before reading: a change while the rows are read makes the next table read again.
        WellSource source = sourceOf(table);
        const auto s = settings.find(std::tuple(mestoKey(well.oilfield), well.pad, well.well));
        if (s != settings.end()) {
            source.settings = s->second.insulation;
            row.generation = s->second.generation;
        }
        source.period = period;
        if (const analytics::WellSummary* kept = cache.find(table, source)) {
            row.summary = *kept;
            ++out.wellsKept;
            continue;
        }
        ++out.wellsRead;
        if (auto st = readRowsForStats(well, table, scratch, records); !st) {
            row.failure = st.detail;
            continue;
        }
        row.summary = analytics::summaryOf(analytics::computeWellStats(records, source.settings, period));
        cache.store(table, source, row.summary);
    }
    if (progress) progress(wells.size(), wells.size());
    std::stable_sort(out.rows.begin(), out.rows.end(), [](const WellStatsRow& a, const WellStatsRow& b) {
        return analytics::runsWorse(a.summary, b.summary);
    });
    return {};
}

} // namespace vorsan::wells
