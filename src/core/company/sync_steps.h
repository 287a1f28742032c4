#pragma once
// The two halves of a sync and what they share (company_sync.cpp, sync_push.cpp, sync_pull.cpp).
#include "company/company_sync.h"
#include "company/sync_state.h"

#include <optional>
#include <set>
#include <string>
#include <vector>

namespace vorsan::company {

struct SyncRun {
    wells::WellDatabase& database;
    PgSession& session;
    const SyncOptions& options;
    SyncObserver* observer;
    SyncState state;
    SyncReport report;
    std::set<WellKey> pushedWells, pulledWells;

    bool cancelled() const { return observer && observer->cancelled(); }
    void progress(std::string_view stage, std::size_t done, std::size_t total) const {
        if (observer) observer->progress(stage, done, total);
    }
    ServerStatus saveState();
};

ServerStatus pushChanges(SyncRun& run);
ServerStatus pullChanges(SyncRun& run);

WellKey keyOf(const wells::WellId& well);
// The table file's size and modification time (0, 0 when there is none).
void fileStamp(const std::string& path, std::uint64_t& size, std::int64_t& time);
std::uint64_t snapshotHash(const std::optional<wells::StoredSnapshot>& s);
// The identities of rows [from, to) folded onto `hash`.
std::uint64_t foldRows(std::uint64_t hash, const std::vector<JournalRecord>& rows, std::size_t from,
                       std::size_t to);
inline constexpr std::uint64_t kEmptyFold = 0xcbf29ce484222325ull;
// The snapshot's moment as YYYYMMDDHHMMSS, "" when it has none (older than every moment).
std::string snapshotMoment(const wells::StoredSnapshot& s);
// The same moment as the server's timestamp text, nullopt for none.
std::optional<std::string> snapshotTimestamp(const wells::StoredSnapshot& s);

} // namespace vorsan::company
