// The push: the rows and snapshots of every well that changed since the server last had them,
// in batches of one transaction each.
#include "company/row_text.h"
#include "company/sync_steps.h"

#include <deque>

namespace vorsan::company {

namespace {

// Pushes run one at a time on the server, so the numbers of the rows of one push are all
// visible before any number of the next is taken: a laptop that has pulled through N misses
// nothing below N.
constexpr const char* kPushLock = "SELECT pg_advisory_xact_lock(7363527001)";

constexpr const char* kStaging =
    "CREATE TEMP TABLE IF NOT EXISTS sync_rows (oilfield text, pad integer, well integer, moment timestamp, "
    "sobytie smallint, ext_zap smallint, num_ust integer, old_zn integer, new_zn integer, uab integer, "
    "ubc integer, uca integer, ia numeric(6,1), ib numeric(6,1), ic numeric(6,1), zagr integer, sop integer, "
    "p integer, t integer, cos_ integer) ON COMMIT DELETE ROWS";

constexpr const char* kNumbers = "SELECT coalesce((SELECT max(seq) FROM vorsan.journal_rows), 0), "
                                 "coalesce((SELECT max(seq) FROM vorsan.snapshots), 0)";

constexpr const char* kAddWell =
    "INSERT INTO vorsan.wells (oilfield, pad, well) VALUES ($1, $2, $3) ON CONFLICT DO NOTHING";

const std::string kAddRows =
    std::string("WITH added AS (INSERT INTO vorsan.journal_rows (well_id, moment, ") + kRowColumns +
    ") SELECT w.id, r.moment, " + kRowColumns +
    " FROM sync_rows r JOIN vorsan.wells w USING (oilfield, pad, well) "
    "ON CONFLICT DO NOTHING RETURNING well_id) "
    "SELECT w.oilfield, w.pad, w.well, count(*) FROM added JOIN vorsan.wells w "
    "ON w.id = added.well_id GROUP BY w.oilfield, w.pad, w.well";

// A snapshot goes in unless the server has one of the well at least as new.
constexpr const char* kAddSnapshot =
    "INSERT INTO vorsan.snapshots (well_id, moment, generation, settings) "
    "SELECT w.id, $4::timestamp, $5::smallint, $6::integer[] FROM vorsan.wells w "
    "WHERE w.oilfield = $1 AND w.pad = $2 AND w.well = $3 AND NOT EXISTS (SELECT 1 FROM vorsan.snapshots s "
    "WHERE s.well_id = w.id AND coalesce(s.moment, '-infinity') >= coalesce($4::timestamp, '-infinity'))";

// A well whose table or snapshot changed since the server last had them.
struct ChangedWell {
    wells::WellId id;
    std::vector<JournalRecord> rows;
    std::size_t from = 0;                          // rows before it are on the server
    std::optional<wells::StoredSnapshot> snapshot; // to push, when it changed
    PushedWell mark;                               // what the state says once it is all on the server
};

// A part of a well's rows in one batch; the last part carries the snapshot.
struct Segment {
    ChangedWell* well;
    std::size_t from, to;
    bool last;
};

std::string number(long long v) {
    return std::to_string(v);
}

ServerStatus sendBatch(SyncRun& run, const std::vector<Segment>& batch) {
    PgSession& s = run.session;
    PgResult before, after, added;
    ServerStatus st = s.exec("BEGIN");
    if (st) st = s.exec(kPushLock);
    if (st) st = s.exec(kNumbers, &before);
    if (st) st = s.exec(kStaging);
    std::string lines;
    for (const Segment& g : batch) {
        const wells::WellId& w = g.well->id;
        if (st && g.from == g.well->from)
            st = s.execParams(kAddWell, {w.oilfield, number(w.pad), number(w.well)});
        for (std::size_t i = g.from; i < g.to; ++i)
            appendRowLine(lines, w, g.well->rows[i]); // a row without a calendar moment stays local
    }
    if (st && !lines.empty()) st = s.copyIn("COPY sync_rows FROM STDIN", lines);
    if (st && !lines.empty()) st = s.exec(kAddRows, &added);
    for (int i = 0; st && i < added.rows(); ++i) {
        run.report.pushed.rows += std::size_t(added.number(i, 3));
        run.pushedWells.insert({std::string(added.value(i, 0)), std::uint16_t(added.number(i, 1)),
                                std::uint16_t(added.number(i, 2))});
    }
    for (const Segment& g : batch) {
        if (!st || !g.last || !g.well->snapshot) continue;
        const wells::WellId& w = g.well->id;
        const wells::StoredSnapshot& sn = *g.well->snapshot;
        PgResult r;
        st = s.execParams(kAddSnapshot,
                          {w.oilfield, number(w.pad), number(w.well), snapshotTimestamp(sn),
                           sn.gen4 ? "4" : "3", settingsArray(sn.values)},
                          &r);
        if (st && r.affected() > 0) {
            ++run.report.pushed.snapshots;
            run.pushedWells.insert(keyOf(w));
        }
    }
    if (st) st = s.exec(kNumbers, &after);
    if (st) st = s.exec("COMMIT");
    if (!st) {
        s.exec("ROLLBACK");
        return st;
    }
    // Nothing came from elsewhere since the last pull: what the server numbered in between is ours.
    if (run.state.rowsPulled == before.number(0, 0)) run.state.rowsPulled = after.number(0, 0);
    if (run.state.snapshotsPulled == before.number(0, 1)) run.state.snapshotsPulled = after.number(0, 1);
    for (const Segment& g : batch)
        if (g.last) run.state.wells[keyOf(g.well->id)] = g.well->mark;
    return run.saveState();
}

// Fills `w` when its table or snapshot changed since the state's mark; false when nothing did.
bool findChanges(SyncRun& run, const wells::WellId& id, ChangedWell& w, ServerStatus& st) {
    w.id = id;
    const auto known = run.state.wells.find(keyOf(id));
    const PushedWell* mark = known == run.state.wells.end() ? nullptr : &known->second;
    const auto snapshot = run.database.storedSnapshot(id);
    w.mark = mark ? *mark : PushedWell{0, kEmptyFold, 0, 0, 0};
    fileStamp(run.database.tableFile(id), w.mark.fileSize, w.mark.fileTime);
    w.mark.snapshotHash = snapshotHash(snapshot);
    const bool sameTable = mark && mark->fileSize == w.mark.fileSize && mark->fileTime == w.mark.fileTime;
    const bool sameSnapshot = mark && mark->snapshotHash == w.mark.snapshotHash;
    if (sameTable && sameSnapshot) return false;
    if (!sameSnapshot) w.snapshot = snapshot;
    if (!sameTable) {
        if (auto o = run.database.storedRows(id, w.rows); !o.ok) {
            st = ServerStatus::fail(ServerFault::LocalDatabase, o.message + " " + o.detail);
            return false;
        }
        // The table opened may have been made just now: its stamp is taken again.
        fileStamp(run.database.tableFile(id), w.mark.fileSize, w.mark.fileTime);
        const std::size_t n = w.rows.size();
        // Rows are appended after those already there: when the rows the server had are still the
        // first ones, only those after them go; otherwise all go, and the server keeps what it lacks.
        if (mark && mark->rows <= n &&
            foldRows(kEmptyFold, w.rows, 0, std::size_t(mark->rows)) == mark->prefixHash)
            w.from = std::size_t(mark->rows);
        w.mark.rows = n;
        w.mark.prefixHash = foldRows(kEmptyFold, w.rows, 0, n);
    }
    return true;
}

} // namespace

ServerStatus pushChanges(SyncRun& run) {
    const std::vector<wells::WellId> all = run.database.wells();
    const std::size_t capacity = std::max<std::size_t>(1, run.options.batchRows);
    std::deque<ChangedWell> held; // the wells of the batch being filled
    std::vector<Segment> batch;
    std::size_t batchRows = 0, done = 0;
    const auto send = [&]() -> ServerStatus {
        if (batch.empty()) return {};
        if (run.cancelled())
            return ServerStatus::fail(ServerFault::Cancelled, "cancelled before a push batch");
        ServerStatus st = sendBatch(run, batch);
        while (!held.empty() && (held.size() > 1 || batch.back().last))
            held.pop_front(); // every well but one whose rows go on in the next batch
        batch.clear();
        batchRows = 0;
        run.progress("Отправка на сервер", done, all.size());
        return st;
    };
    for (const wells::WellId& id : all) {
        ++done;
        ChangedWell w;
        ServerStatus st;
        if (!findChanges(run, id, w, st)) {
            if (!st) return st;
            continue;
        }
        held.push_back(std::move(w));
        ChangedWell& h = held.back();
        // A batch that ends with the well's last rows lets the well go: `h` is not used after.
        const std::size_t n = h.rows.size();
        std::size_t at = h.from;
        do {
            const std::size_t take = std::min(n - at, capacity - batchRows);
            batch.push_back({&h, at, at + take, at + take == n});
            at += take;
            batchRows += take;
            if (batchRows >= capacity)
                if (auto s = send(); !s) return s;
        } while (at < n);
    }
    return send();
}

} // namespace vorsan::company
