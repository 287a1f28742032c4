#include "company/company_sync.h"

#include "company/row_text.h"
#include "company/sync_steps.h"
#include "db/well_database.h"

#include <sys/stat.h>

namespace vorsan::company {

std::string SyncReport::summaryLine() const {
    const auto half = [](const SyncCounts& c) {
        return std::to_string(c.rows) + " rows and " + std::to_string(c.snapshots) + " snapshots of " +
               std::to_string(c.wells) + " wells";
    };
    return "pushed " + half(pushed) + "; pulled " + half(pulled);
}

ServerStatus SyncRun::saveState() {
    if (auto st = saveSyncState(database.directory(), state); !st)
        return ServerStatus::fail(ServerFault::LocalDatabase, st.detail);
    return {};
}

WellKey keyOf(const wells::WellId& well) {
    return {well.oilfield, well.pad, well.well};
}

void fileStamp(const std::string& path, std::uint64_t& size, std::int64_t& time) {
    struct stat st {};
    size = 0;
    time = 0;
    if (path.empty() || ::stat(path.c_str(), &st) != 0) return;
    size = std::uint64_t(st.st_size);
    time = std::int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

std::uint64_t foldRows(std::uint64_t hash, const std::vector<JournalRecord>& rows, std::size_t from,
                       std::size_t to) {
    for (std::size_t i = from; i < to; ++i)
        hash = (hash ^ rowHash(rows[i])) * 0x100000001b3ull;
    return hash;
}

std::string snapshotMoment(const wells::StoredSnapshot& s) {
    int h = 0, m = 0, sec = 0;
    if (s.date.empty() || !db::parseTimeText(s.time, h, m, sec)) return {};
    JournalRecord r;
    r.year = std::uint16_t(s.date.year);
    r.month = std::uint8_t(s.date.month);
    r.day = std::uint8_t(s.date.day);
    r.hour = std::uint8_t(h);
    r.minute = std::uint8_t(m);
    r.second = std::uint8_t(sec);
    const auto text = momentText(r);
    if (!text) return {};
    std::string digits;
    for (char c : *text)
        if (c >= '0' && c <= '9') digits += c;
    return digits;
}

std::optional<std::string> snapshotTimestamp(const wells::StoredSnapshot& s) {
    const std::string d = snapshotMoment(s);
    if (d.empty()) return std::nullopt;
    return d.substr(0, 4) + "-" + d.substr(4, 2) + "-" + d.substr(6, 2) + " " + d.substr(8, 2) + ":" +
           d.substr(10, 2) + ":" + d.substr(12, 2);
}

std::uint64_t snapshotHash(const std::optional<wells::StoredSnapshot>& s) {
    if (!s) return 0;
    std::uint64_t h = kEmptyFold;
    const auto mix = [&h](std::uint64_t v) { h = (h ^ v) * 0x100000001b3ull; };
    for (char c : snapshotMoment(*s))
        mix(std::uint64_t(c));
    mix(s->gen4 ? 4 : 3);
    for (std::uint16_t v : s->values)
        mix(v);
    return h;
}

SyncReport syncWithArchive(wells::WellDatabase& database, PgSession& session, const SyncOptions& options,
                           SyncObserver* observer) {
    SyncRun run{database, session, options, observer, loadSyncState(database.directory()), {}, {}, {}};
    PgResult id;
    // The archive's id ties what this database remembers to this server's numbers.
    run.report.status = session.exec("SELECT id FROM vorsan.archive", &id);
    if (run.report.status && id.rows() != 1)
        run.report.status = ServerStatus::fail(ServerFault::NoArchive, "vorsan.archive holds no id");
    if (!run.report.status) return run.report;
    if (run.state.archive != id.value(0, 0))
        run.state = SyncState{std::string(id.value(0, 0)), 0, 0, {}, {}, {}};
    if (options.push) run.report.status = pushChanges(run);
    if (run.report.status && options.pull) run.report.status = pullChanges(run);
    run.report.pushed.wells = run.pushedWells.size();
    run.report.pulled.wells = run.pulledWells.size();
    return run.report;
}

} // namespace vorsan::company
