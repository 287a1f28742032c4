// The pull: the snapshots, then the rows, the server numbered after what this database has
// seen, merged well by well.
#include "company/row_text.h"
#include "company/sync_steps.h"
#include "db/well_database.h"

#include <algorithm>
#include <map>

namespace vorsan::company {

namespace {

using WellMap = std::map<long long, wells::WellId>;

ServerStatus readWells(SyncRun& run, WellMap& out) {
    PgResult r;
    if (auto st = run.session.exec("SELECT id, oilfield, pad, well FROM vorsan.wells", &r); !st) return st;
    out.clear();
    for (int i = 0; i < r.rows(); ++i)
        out[r.number(i, 0)] = {std::string(r.value(i, 1)), std::uint16_t(r.number(i, 2)),
                               std::uint16_t(r.number(i, 3))};
    return {};
}

bool wanted(const SyncRun& run, const wells::WellId& w) {
    const auto& f = run.options.fields;
    return f.empty() || std::find(f.begin(), f.end(), w.oilfield) != f.end();
}

// Where a pull of the wanted oilfields starts, and where it is recorded when done.
long long startOf(const SyncRun& run, long long all, const std::map<std::string, long long>& fields) {
    if (run.options.fields.empty()) return all;
    long long start = -1;
    for (const std::string& f : run.options.fields) {
        const auto at = fields.find(f);
        const long long p = std::max(all, at == fields.end() ? 0 : at->second);
        start = start < 0 ? p : std::min(start, p);
    }
    return start;
}

void recordEnd(const SyncRun& run, long long end, long long& all, std::map<std::string, long long>& fields) {
    if (run.options.fields.empty()) {
        all = std::max(all, end);
        std::erase_if(fields, [&](const auto& f) { return f.second <= all; });
        return;
    }
    for (const std::string& f : run.options.fields)
        fields[f] = std::max(fields[f], end);
}

wells::StoredSnapshot serverSnapshot(const PgResult& r, int i, bool& ok) {
    wells::StoredSnapshot s;
    const std::string_view m = r.value(i, 1); // YYYYMMDDHH24MISS or NULL
    if (!r.isNull(i, 1) && m.size() == 14) {
        const auto num = [&](std::size_t at, std::size_t n) {
            return std::stoi(std::string(m.substr(at, n)));
        };
        s.date = {num(0, 4), num(4, 2), num(6, 2)};
        s.time = db::timeText(num(8, 2), num(10, 2), num(12, 2));
    }
    s.gen4 = r.number(i, 2) == 4;
    const auto values = parseSettingsArray(r.value(i, 3));
    ok = values.has_value();
    if (values) s.values = *values;
    return s;
}

// The server's snapshot replaces the local one when it is newer, or of the same moment and
// different (the server's first of equals wins everywhere).
bool serverWins(const std::optional<wells::StoredSnapshot>& local, const wells::StoredSnapshot& theirs) {
    if (!local) return true;
    const std::string a = snapshotMoment(*local), b = snapshotMoment(theirs);
    return b > a || (b == a && snapshotHash(local) != snapshotHash(theirs));
}

ServerStatus pullSnapshots(SyncRun& run, const WellMap& wellsById) {
    const long long start = startOf(run, run.state.snapshotsPulled, run.state.fieldSnapshots);
    PgResult r;
    ServerStatus st = run.session.execParams(
        "SELECT c.well_id, to_char(c.moment, 'YYYYMMDDHH24MISS'), c.generation, c.settings, "
        "(SELECT coalesce(max(seq), 0) FROM vorsan.snapshots) FROM vorsan.current_snapshots c "
        "WHERE c.well_id IN (SELECT well_id FROM vorsan.snapshots WHERE seq > $1::bigint)",
        {std::to_string(start)}, &r);
    if (!st) return st;
    long long end = start;
    for (int i = 0; i < r.rows(); ++i) {
        end = std::max(end, r.number(i, 4));
        const auto at = wellsById.find(r.number(i, 0));
        if (at == wellsById.end() || !wanted(run, at->second)) continue;
        bool ok = false;
        const wells::StoredSnapshot theirs = serverSnapshot(r, i, ok);
        if (!ok || !serverWins(run.database.storedSnapshot(at->second), theirs)) continue;
        if (auto o = run.database.putSnapshot(at->second, theirs); !o.ok) {
            run.report.notes.push_back(at->second.oilfield + ", куст " + std::to_string(at->second.pad) +
                                       ", скважина " + std::to_string(at->second.well) + ": " + o.message);
            continue;
        }
        ++run.report.pulled.snapshots;
        run.pulledWells.insert(keyOf(at->second));
        // The local snapshot is now the server's: nothing of it to push.
        run.state.wells.try_emplace(keyOf(at->second), PushedWell{0, kEmptyFold, 0, 0, 0})
            .first->second.snapshotHash = snapshotHash(theirs);
    }
    if (r.rows() == 0) {
        PgResult m;
        if (auto s = run.session.exec("SELECT coalesce(max(seq), 0) FROM vorsan.snapshots", &m); !s) return s;
        end = std::max(end, m.number(0, 0));
    }
    recordEnd(run, end, run.state.snapshotsPulled, run.state.fieldSnapshots);
    return run.saveState();
}

// Merges one well's pulled rows; a well whose table the state knew whole stays known whole.
ServerStatus mergeWell(SyncRun& run, const wells::WellId& id, const std::vector<JournalRecord>& rows) {
    const WellKey key = keyOf(id);
    PushedWell now{0, kEmptyFold, 0, 0, 0};
    fileStamp(run.database.tableFile(id), now.fileSize, now.fileTime);
    const auto known = run.state.wells.find(key);
    const bool whole = (known != run.state.wells.end() && known->second.fileSize == now.fileSize &&
                        known->second.fileTime == now.fileTime) ||
                       now.fileSize == 0;
    std::size_t merged = 0;
    if (auto o = run.database.mergeArchiveRows(id, rows, merged); !o.ok) {
        run.report.notes.push_back(id.oilfield + ", куст " + std::to_string(id.pad) + ", скважина " +
                                   std::to_string(id.well) + ": " + o.message);
        return {};
    }
    run.report.pulled.rows += merged;
    if (merged) run.pulledWells.insert(key);
    if (!whole) return {};
    std::vector<JournalRecord> stored;
    if (auto o = run.database.storedRows(id, stored); !o.ok)
        return ServerStatus::fail(ServerFault::LocalDatabase, o.message + " " + o.detail);
    PushedWell& mark = run.state.wells.try_emplace(key, now).first->second;
    fileStamp(run.database.tableFile(id), mark.fileSize, mark.fileTime);
    mark.rows = stored.size();
    mark.prefixHash = foldRows(kEmptyFold, stored, 0, stored.size());
    return {};
}

std::string rowQuery(const SyncRun& run, const WellMap& wellsById, long long after) {
    std::string q = "COPY (SELECT seq, well_id, to_char(moment, 'YYYYMMDDHH24MISS'), " +
                    std::string(kRowColumns) + " FROM vorsan.journal_rows WHERE seq > " +
                    std::to_string(after);
    if (!run.options.fields.empty()) {
        // Only numbers are written into the statement; the names were matched here.
        std::string ids;
        for (const auto& [id, w] : wellsById)
            if (wanted(run, w)) ids.append(ids.empty() ? "" : ",").append(std::to_string(id));
        q += " AND well_id = ANY ('{" + ids + "}'::bigint[])";
    }
    return q + " ORDER BY seq LIMIT " + std::to_string(std::max<std::size_t>(1, run.options.batchRows)) +
           ") TO STDOUT";
}

// A well the database lacks though it pulled rows of it before (deleted here): it comes back
// whole, all its rows up to `upTo` and its current snapshot, not only what is new of it.
ServerStatus wholeWell(SyncRun& run, long long wellId, long long upTo, std::vector<JournalRecord>& rows) {
    rows.clear();
    bool damaged = false;
    PulledRow row;
    ServerStatus st = run.session.copyOut(
        "COPY (SELECT seq, well_id, to_char(moment, 'YYYYMMDDHH24MISS'), " + std::string(kRowColumns) +
            " FROM vorsan.journal_rows WHERE well_id = " + std::to_string(wellId) +
            " AND seq <= " + std::to_string(upTo) + " ORDER BY seq) TO STDOUT",
        [&](std::string_view line) {
            if (parsePulledRow(line, row))
                rows.push_back(row.record);
            else
                damaged = true;
        });
    if (st && damaged)
        st = ServerStatus::fail(ServerFault::ServerError, "a journal row the program cannot read");
    return st;
}

ServerStatus currentSnapshot(SyncRun& run, long long wellId, const wells::WellId& id) {
    PgResult r;
    ServerStatus st = run.session.execParams("SELECT well_id, to_char(moment, 'YYYYMMDDHH24MISS'), "
                                             "generation, settings FROM vorsan.current_snapshots "
                                             "WHERE well_id = $1::bigint",
                                             {std::to_string(wellId)}, &r);
    if (!st || r.rows() == 0) return st;
    bool ok = false;
    const wells::StoredSnapshot theirs = serverSnapshot(r, 0, ok);
    if (ok && run.database.putSnapshot(id, theirs).ok)
        run.state.wells.try_emplace(keyOf(id), PushedWell{0, kEmptyFold, 0, 0, 0})
            .first->second.snapshotHash = snapshotHash(theirs);
    return {};
}

ServerStatus pullRows(SyncRun& run, WellMap& wellsById, std::set<WellKey>& here) {
    const long long start = startOf(run, run.state.rowsPulled, run.state.fieldRows);
    long long at = start;
    for (std::size_t batch = 0;; ++batch) {
        if (run.cancelled())
            return ServerStatus::fail(ServerFault::Cancelled, "cancelled before a pull batch");
        std::map<long long, std::vector<JournalRecord>> byWell;
        std::size_t got = 0;
        bool damaged = false;
        PulledRow row;
        ServerStatus st = run.session.copyOut(rowQuery(run, wellsById, at), [&](std::string_view line) {
            if (!parsePulledRow(line, row)) {
                damaged = true;
                return;
            }
            ++got;
            at = std::max(at, row.seq);
            byWell[row.wellId].push_back(row.record);
        });
        if (st && damaged)
            st = ServerStatus::fail(ServerFault::ServerError, "a journal row the program cannot read");
        if (!st) return st;
        for (auto& [wellId, rows] : byWell) {
            if (!wellsById.count(wellId))
                if (auto s = readWells(run, wellsById); !s) return s; // a well pushed since
            const auto w = wellsById.find(wellId);
            if (w == wellsById.end()) continue;
            const bool back = start > 0 && !here.count(keyOf(w->second));
            if (back)
                if (auto s = wholeWell(run, wellId, at, rows); !s) return s;
            if (auto s = mergeWell(run, w->second, rows); !s) return s;
            if (!back) continue;
            if (auto s = currentSnapshot(run, wellId, w->second); !s) return s;
            here.insert(keyOf(w->second)); // its later rows are only what is new
        }
        recordEnd(run, at, run.state.rowsPulled, run.state.fieldRows);
        if (auto s = run.saveState(); !s) return s;
        run.progress("Получение с сервера", batch + 1, 0);
        if (got < run.options.batchRows) return {};
    }
}

} // namespace

ServerStatus pullChanges(SyncRun& run) {
    WellMap wellsById;
    if (auto st = readWells(run, wellsById); !st) return st;
    std::set<WellKey> here; // the wells of the database before the pull
    for (const wells::WellId& w : run.database.wells())
        here.insert(keyOf(w));
    if (auto st = pullSnapshots(run, wellsById); !st) return st;
    return pullRows(run, wellsById, here);
}

} // namespace vorsan::company
