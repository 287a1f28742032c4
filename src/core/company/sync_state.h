#pragma once
// What a local database remembers of its syncs with one company archive, in the file
// "sync.state" of the database directory (replaced whole, so a sync killed at any moment leaves
// the old or the new file): the server's numbers it has pulled through and, per well, how much
// of its table is known to be on the server. Forgetting all of it costs one longer sync, never a
// row: the server and the local merge both ignore rows they already hold.
#include "db/db_status.h"

#include <cstdint>
#include <map>
#include <string>
#include <tuple>

namespace vorsan::company {

inline constexpr const char* kSyncStateFile = "sync.state";

// The well's table as it was when its rows were last known to be on the server.
struct PushedWell {
    std::uint64_t rows = 0;         // the first `rows` rows of the table, in the order written...
    std::uint64_t prefixHash = 0;   // ...whose identities fold to this
    std::uint64_t fileSize = 0;     // the table file's size and modification time then: a table
    std::int64_t fileTime = 0;      // that still has them is not read again
    std::uint64_t snapshotHash = 0; // the snapshot then on the server or taken from it
};

using WellKey = std::tuple<std::string, std::uint16_t, std::uint16_t>; // oilfield, pad, well

struct SyncState {
    std::string archive;                           // the server's archive id the rest is about
    long long rowsPulled = 0, snapshotsPulled = 0; // every oilfield pulled through these numbers
    std::map<std::string, long long> fieldRows;    // oilfields pulled alone (--field) further
    std::map<std::string, long long> fieldSnapshots;
    std::map<WellKey, PushedWell> wells;
};

// The state of the database in `dir`; an empty one when there is no file or it cannot be read.
SyncState loadSyncState(const std::string& dir);
db::DbStatus saveSyncState(const std::string& dir, const SyncState& state);

std::string syncStateText(const SyncState& state);
SyncState parseSyncState(const std::string& text);

} // namespace vorsan::company
