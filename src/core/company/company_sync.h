#pragma once
// Syncing the local well database with the company archive on a PostgreSQL server: every row
// and settings snapshot the server lacks is pushed, then every row and snapshot the database
// lacks is pulled and merged well by well, each well in one change. Rows are a set that only
// grows (a row is its well and every value of its record); of two snapshots of a well the one
// with the newer moment wins on both sides. Both sides number what they hold, so a sync with
// nothing new costs a few round trips.
#include "company/pg_session.h"
#include "wells/well_database_state.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vorsan::company {

struct SyncOptions {
    bool push = true;
    bool pull = true;
    std::vector<std::string> fields; // pull only these oilfields (all when empty)
    std::size_t batchRows = 50000;   // rows of one transaction on the server
};

struct SyncCounts {
    std::size_t rows = 0, snapshots = 0, wells = 0;
};

struct SyncReport {
    ServerStatus status;
    SyncCounts pushed, pulled;
    std::vector<std::string> notes; // wells the local database refused, one line each
    // "pushed R rows and S snapshots of W wells; pulled R rows and S snapshots of W wells"
    std::string summaryLine() const;
};

// What the caller sees of a sync under way. Called on the sync's thread.
class SyncObserver {
public:
    virtual ~SyncObserver() = default;
    // `stage` is a Russian text for a progress window; done of total batches or wells.
    virtual void progress(std::string_view stage, std::size_t done, std::size_t total) {
        (void)stage, (void)done, (void)total;
    }
    // Asked between batches: true stops the sync there (what is done stays done).
    virtual bool cancelled() { return false; }
};

// Runs one sync over a connected session. The database is this program's alone while it runs.
SyncReport syncWithArchive(wells::WellDatabase& database, PgSession& session, const SyncOptions& options,
                           SyncObserver* observer = nullptr);

} // namespace vorsan::company
