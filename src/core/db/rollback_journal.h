#pragma once
// The rollback journal beside a table ("<table>-journal"): before a change overwrites bytes of the
// table or its index in place, those bytes are saved here and synced, so a crash at any moment
// leaves the old or the new table whole (the next open puts the saved bytes back).
#include "db/db_status.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vorsan::db {

// Whether the first bytes of a table's rollback journal ("<table>-journal") say it holds a change
// that was not finished (a journal cleared by its commit, or of another kind, does not).
bool journalHoldsUnfinishedChange(const std::uint8_t* firstBytes, std::size_t n);

std::string journalPathFor(const std::string& tablePath);

// Bytes a change puts at `at` of a file (or, in a list of old bytes, the bytes found there).
struct StoredSpan {
    std::uint64_t at;
    const std::uint8_t* p;
    std::size_t n;
};

// One change to a table and its index: the spans to write and the sizes the files get.
struct TableChange {
    std::vector<StoredSpan> dbf; // written into the table file
    std::uint64_t dbfSize = 0;   // the table file's size after the change
    std::vector<StoredSpan> cdx; // written into the index file
    std::uint64_t cdxSize = 0;   // the index file's size after the change
    // The bytes `cdx` overwrites within the old index file, and its tail when it shrinks (the
    // index is held in memory, so its old bytes are given; those of the table are read).
    std::vector<StoredSpan> cdxOld;
};

// The files a change goes to, as they stand before it.
struct TableFiles {
    int dbfFd = -1;
    const std::string& path;    // the table
    const std::string& cdxPath; // its index
    std::uint64_t dbfSize = 0;  // the table file's size now
    std::uint64_t cdxSize = 0;  // the index file's size now
    bool hasIndex = false;      // a table without tags has no index to write (and gets no empty one)
};

class RollbackJournal {
public:
    RollbackJournal() = default;
    ~RollbackJournal() { close(false); }
    RollbackJournal(const RollbackJournal&) = delete;
    RollbackJournal& operator=(const RollbackJournal&) = delete;
    RollbackJournal(RollbackJournal&& o) noexcept;
    RollbackJournal& operator=(RollbackJournal&& o) noexcept;

    // Puts back what an interrupted change had saved in the journal of the table at `path` (whose
    // file is open, locked, as dbfFd), then removes the journal. Nothing to do without one.
    static DbStatus rollBack(int dbfFd, const std::string& path, const std::string& cdxPath);

    // Stores the change in place through the journal: saves the bytes about to be overwritten,
    // syncs them, writes and syncs both files, then clears the journal. On a failure the old
    // bytes are put back. The journal's file stays (cleared) until close.
    DbStatus store(const TableFiles& files, const TableChange& change);

    // Closes the journal's file, removing it when `remove` (it is cleared between changes).
    void close(bool remove);

private:
    DbStatus record(const TableFiles& files, const TableChange& change, bool cdxExists);
    DbStatus persist(const std::string& tablePath);
    bool writeFiles(const TableFiles& files, const TableChange& change, bool cdxExists) const;

    int fd_ = -1;      // kept between changes while the table is open
    std::string path_; // of the journal, while fd_ is open
    std::vector<std::uint8_t> bytes_;
};

} // namespace vorsan::db
