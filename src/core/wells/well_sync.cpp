// The well database's side of syncs with the company archive: rows read in the order written,
// rows and snapshots from the archive merged in.
#include "db/file_io.h"
#include "db/well_database.h"
#include "text/cp1251.h"
#include "wells/well_database_state.h"

#include <algorithm>
#include <cmath>
#include <tuple>

namespace vorsan::wells {

namespace {

// The order of the "DATt" key: the moment and every value (currents by their stored tenths).
auto identity(const JournalRecord& r) {
    return std::make_tuple(r.year, r.month, r.day, r.hour, r.minute, r.second, r.SOBYTIE, r.EXT_ZAP,
                           r.NUM_UST, r.OLD_ZN, r.NEW_ZN, r.UAB, r.UBC, r.UCA, std::llround(r.IA * 10),
                           std::llround(r.IB * 10), std::llround(r.IC * 10), r.ZAGR, r.SOP, r.P, r.T, r.COS_);
}

bool identityLess(const JournalRecord& a, const JournalRecord& b) {
    return identity(a) < identity(b);
}

} // namespace

std::string WellDatabase::tableFile(const WellId& well) const {
    return db::findIgnoringCase(dir_,
                                db::wellBaseName(well.oilfield, well.pad, well.well) + db::kTableExtension);
}

Outcome WellDatabase::storedRows(const WellId& well, std::vector<JournalRecord>& out) {
    out.clear();
    if (auto o = openTable(well); !o.ok) return o;
    db::WellRows rows;
    const db::DbStatus st = db::readWellRows(well_, rows, "");
    well_.setTag("DATA");
    if (!st) return Outcome::failure("Нет доступа к данным(table1).", "Внимание...", st.detail);
    out = std::move(rows.records);
    return {};
}

std::optional<StoredSnapshot> WellDatabase::storedSnapshot(const WellId& well) {
    if (!findSnapshot(well)) return std::nullopt;
    StoredSnapshot s;
    s.date = snapshots_.getDate(db::kSnapData);
    s.time = snapshots_.getString(db::kSnapTime);
    s.gen4 = snapshots_.getLogical(db::kSnapNewFormat);
    for (int i = 0; i < db::kSnapshotValues; ++i)
        s.values[std::size_t(i)] = db::snapshotValue(snapshots_.getString(db::kSnapU1 + i));
    return s;
}

Outcome WellDatabase::mergeArchiveRows(const WellId& well, const std::vector<JournalRecord>& rows,
                                       std::size_t& merged) {
    merged = 0;
    const OilfieldName name = checkOilfieldName(well.oilfield);
    if (!name.ok || name.name != well.oilfield)
        return Outcome::failure(name.message, "Внимание", "oilfield name refused");
    if (auto o = checkTableName(well); !o.ok) return o;
    const bool known = findSnapshot(well);
    if (auto o = openTable(well); !o.ok) return o;
    // Only rows the well lacks are written: a row it has keeps its fields and its ADD flag.
    db::WellRows have;
    db::DbStatus st = well_.count() ? db::readWellRows(well_, have, "") : db::DbStatus{};
    if (!st) return Outcome::failure("Нет доступа к данным(table1).", "Внимание...", st.detail);
    std::sort(have.records.begin(), have.records.end(), identityLess);
    std::vector<std::vector<db::FieldValue>> fresh;
    std::vector<db::FieldValue> values;
    for (const JournalRecord& r : rows) {
        if (std::binary_search(have.records.begin(), have.records.end(), r, identityLess)) continue;
        if (!db::wellRowValues(r, well.pad, well.well, values)) continue;
        values[db::kWellAdd] = false;
        fresh.push_back(values);
    }
    if (!fresh.empty()) {
        st = well_.setTag("DATt");
        if (st) st = well_.mergeRows(fresh);
    }
    well_.setTag("DATA");
    if (!st) return Outcome::failure("Ошибка записи в базу данных.", "Внимание...", st.detail);
    merged = fresh.size();
    if (shown_ == well) forgetShown(); // the rows shown are no longer all the well's
    if (known) return {};
    const StoredSnapshot unknown;
    return writeSnapshot(well, unknown.date, unknown.time, unknown.values, unknown.gen4);
}

Outcome WellDatabase::putSnapshot(const WellId& well, const StoredSnapshot& s) {
    const OilfieldName name = checkOilfieldName(well.oilfield);
    if (!name.ok || name.name != well.oilfield)
        return Outcome::failure(name.message, "Внимание", "oilfield name refused");
    if (auto o = checkTableName(well); !o.ok) return o;
    if (shown_ == well) forgetShown(); // its settings page shows the old snapshot
    return writeSnapshot(well, s.date, s.time, s.values, s.gen4);
}

} // namespace vorsan::wells
