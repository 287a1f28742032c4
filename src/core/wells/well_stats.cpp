// The run-life figures of database wells: reading a well without touching it, and the table of
// many wells with its cache.
#include "wells/well_stats.h"

#include "db/dbf_format.h"
#include "db/file_io.h"
#include "db/well_database.h"
#include "journal/journal_order.h"
#include "settings/catalogue.h"
#include "text/cp1251.h"
#include "wells/well_database_state.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <map>
#include <strings.h>
#include <sys/stat.h>
#include <tuple>

namespace vorsan::wells {

const analytics::WellSummary* WellStatsCache::find(const std::string& table, const WellSource& source) const {
    const auto it = entries_.find(table);
    return it != entries_.end() && it->second.source == source ? &it->second.summary : nullptr;
}

void WellStatsCache::store(const std::string& table, const WellSource& source,
                           const analytics::WellSummary& summary) {
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

// An integer column as readWellRows reads it: plain digits directly, anything else through the
// engine's number text.
std::uint16_t unsigned16(const char* p, std::size_t n) {
    std::size_t i = 0;
    while (i < n && p[i] == ' ')
        ++i;
    std::uint32_t v = 0;
    const std::size_t from = i;
    while (i < n && i - from < 9 && p[i] >= '0' && p[i] <= '9')
        v = v * 10 + std::uint32_t(p[i++] - '0');
    if (i == n && i > from) return static_cast<std::uint16_t>(v & 0xFFFF);
    return db::toUnsigned16(db::parseNumericText(std::string_view(p, n)).value_or(0));
}

// The fields the figures and the same-moment order use (date, time, event code, cause,
// resistance) of a well's table in "DATA" order (DTOS(DATA)+TIME, equal keys by row number),
// straight from the file. Opening the table would compute and check every key of its index, and
// the long "DATt" key of every row costs more than all the figures. Other fields stay 0.
db::DbStatus readStatsRows(const std::string& path, std::vector<std::uint8_t>& bytes,
                           std::vector<JournalRecord>& out) {
    out.clear();
    if (auto st = db::readWholeFile(path, bytes); !st) return st;
    db::DbfHeader h;
    if (auto st = db::parseDbfHeader(bytes, bytes.size(), h); !st) return st;
    const auto field = [&](const char* name, int& at, int& len) {
        for (std::size_t i = 0; i < h.fields.size(); ++i)
            if (strcasecmp(h.fields[i].name.c_str(), name) == 0) {
                at = int(h.offsets[i]);
                len = h.fields[i].length;
                return true;
            }
        return false;
    };
    int dataAt = 0, dataLen = 0, timeAt = 0, timeLen = 0, codeAt = 0, codeLen = 0, causeAt = 0, causeLen = 0,
        sopAt = 0, sopLen = 0;
    if (!field("DATA", dataAt, dataLen) || !field("TIME", timeAt, timeLen) ||
        !field("SOBYTIE", codeAt, codeLen) || !field("EXT_ZAP", causeAt, causeLen) ||
        !field("SOP", sopAt, sopLen) || dataLen != 8)
        return db::DbStatus::fail(db::DbError::BadValue, path + " is not a well table");
    const std::size_t n = h.recordCount, width = h.recordLength;
    const std::uint8_t* rows = bytes.data() + h.headerLength;
    const std::size_t keyTime = std::size_t(std::min(timeLen, 8));
    struct Key {
        std::array<char, 16> text;
        std::uint32_t row;
    };
    std::vector<Key> keys;
    keys.reserve(n);
    for (std::size_t r = 0; r < n; ++r) {
        const char* row = reinterpret_cast<const char*>(rows + r * width);
        if (row[0] == '*') continue; // deleted
        Key k{};
        k.text.fill(' ');
        std::memcpy(k.text.data(), row + dataAt, 8);
        std::memcpy(k.text.data() + 8, row + timeAt, keyTime);
        k.row = std::uint32_t(r);
        keys.push_back(k);
    }
    std::stable_sort(keys.begin(), keys.end(), [](const Key& a, const Key& b) {
        return std::memcmp(a.text.data(), b.text.data(), a.text.size()) < 0;
    });
    out.resize(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const char* row = reinterpret_cast<const char*>(rows + std::size_t(keys[i].row) * width);
        JournalRecord& rec = out[i];
        const char* d = row + dataAt;
        int ymd = 0;
        bool digits = true;
        for (int k = 0; digits && k < 8; ++k) {
            digits = d[k] >= '0' && d[k] <= '9';
            ymd = ymd * 10 + (d[k] - '0');
        }
        if (digits) {
            rec.year = static_cast<std::uint16_t>(ymd / 10000);
            rec.month = static_cast<std::uint8_t>(ymd / 100 % 100);
            rec.day = static_cast<std::uint8_t>(ymd % 100);
        } else {
            const db::Date date = db::parseDateText(std::string_view(d, 8)).value_or(db::Date{});
            rec.year = static_cast<std::uint16_t>(date.year);
            rec.month = static_cast<std::uint8_t>(date.month);
            rec.day = static_cast<std::uint8_t>(date.day);
        }
        int hh = 0, mm = 0, ss = 0;
        db::parseTimeText(std::string_view(row + timeAt, std::size_t(timeLen)), hh, mm, ss);
        rec.hour = static_cast<std::uint8_t>(hh);
        rec.minute = static_cast<std::uint8_t>(mm);
        rec.second = static_cast<std::uint8_t>(ss);
        rec.SOBYTIE = static_cast<std::uint8_t>(unsigned16(row + codeAt, std::size_t(codeLen)));
        rec.EXT_ZAP = static_cast<std::uint8_t>(unsigned16(row + causeAt, std::size_t(causeLen)));
        rec.SOP = unsigned16(row + sopAt, std::size_t(sopLen));
    }
    return {};
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

db::DbStatus WellDatabase::readRowsForStats(const WellId& well, const std::string& tablePath,
                                            db::WellRows& scratch, std::vector<std::uint8_t>& bytes,
                                            std::vector<JournalRecord>& records) {
    records.clear();
    scratch.records.clear();
    if (well_.isOpen() && tableOf_ == well) {
        // Open here, so a second opening would be refused; its rows are those on disk (every
        // operation flushes before it returns).
        if (auto st = db::readWellRows(well_, scratch); !st) return st;
    } else if (std::filesystem::exists(tablePath + "-journal")) {
        // A change may have been cut short: the engine puts the saved bytes back before reading.
        db::Table t;
        if (auto st = t.open(tablePath, db::OpenMode::ReadOnly, db::wellTableLayout().tags); !st) return st;
        if (auto st = db::readWellRows(t, scratch); !st) return st;
    } else if (std::filesystem::exists(tablePath)) {
        if (auto st = readStatsRows(tablePath, bytes, scratch.records); !st) return st;
    }
    const std::vector<std::uint32_t> order = sameMomentOrder(scratch.records);
    records.resize(order.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        records[i] = scratch.records[order[i]];
    return {};
}

Outcome WellDatabase::readWellForStats(const WellId& well, WellForStats& out) {
    db::WellRows scratch;
    std::vector<std::uint8_t> bytes;
    if (auto st = readRowsForStats(well, tableFileOf(dir_, well), scratch, bytes, out.records); !st)
        return Outcome::failure("Нет доступа к данным(table1).", "Внимание...", st.detail);
    out.settingsPresent = findSnapshot(well);
    out.settings = out.settingsPresent ? snapshotCatalogue() : buildCatalogue(ControllerGeneration::Gen4);
    return {};
}

Outcome WellDatabase::wellStats(const WellId& well, const analytics::Period& period,
                                analytics::WellStats& out) {
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
    std::vector<std::uint8_t> bytes;
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
        if (auto st = readRowsForStats(well, table, scratch, bytes, records); !st) {
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
