#include "db/rollback_journal.h"

#include "db/file_io.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vorsan::db {

namespace {

// The journal: magic, its own length (the file may be longer: it is kept between changes and only
// rewritten from the start), the sizes of the table and index files before the change, whether
// the index existed, then records of (file 0 table / 1 index, offset, length, old bytes), and a
// checksum of everything before it. A change commits by clearing the magic.
constexpr char kJournalMagic[8] = {'V', 'R', 'S', 'N', 'R', 'B', 'J', '2'};
// The first layout, without the length (the whole file was the journal).
constexpr char kJournalMagicV1[8] = {'V', 'R', 'S', 'N', 'R', 'B', 'J', '1'};

std::uint32_t fnv1a(const std::uint8_t* p, std::size_t n) {
    std::uint32_t h = 2166136261u;
    for (std::size_t i = 0; i < n; ++i)
        h = (h ^ p[i]) * 16777619u;
    return h;
}

void putLe(std::vector<std::uint8_t>& out, std::uint64_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

std::uint64_t getLe(const std::uint8_t* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i)
        v = (v << 8) | p[i];
    return v;
}

// Checks a valid journal (checksum good, `j` cut to its length, records from `head`) against the
// files it is to be applied to, before anything is read or truncated. Every record saves old
// bytes of its file, so it starts within the file as it stands now (a change only grows a file
// past them or cuts a tail that a record saved); a record beyond, of the index when there was
// none, or of a file other than 0 and 1, is not of these files, and the journal is refused. The
// sizes to go back to are cut to what the files and the saved bytes cover: a file never grows by
// a rollback (an index edit records its grown size, whose new blocks nothing refers to yet).
DbStatus checkJournalSizes(const std::vector<std::uint8_t>& j, std::size_t head, int dbfFd,
                           const std::string& cdxPath, bool cdxExisted, std::uint64_t& dbfSize,
                           std::uint64_t& cdxSize) {
    struct stat st {};
    if (::fstat(dbfFd, &st) != 0) return DbStatus::fail(DbError::Io, "cannot read the table's size");
    std::uint64_t now[2] = {static_cast<std::uint64_t>(st.st_size), 0};
    if (::stat(cdxPath.c_str(), &st) == 0) now[1] = static_cast<std::uint64_t>(st.st_size);
    std::uint64_t end[2] = {0, 0};
    for (std::size_t at = head; at + 13 <= j.size() - 4;) {
        const int file = j[at];
        const std::uint64_t off = getLe(&j[at + 1], 8);
        const std::uint64_t n = getLe(&j[at + 9], 4);
        if (at + 13 + n > j.size() - 4) break;
        if (file > 1 || (file == 1 && !cdxExisted))
            return DbStatus::fail(DbError::BadHeader,
                                  "the rollback journal names a file it cannot have saved");
        if (off > now[file])
            return DbStatus::fail(DbError::BadHeader,
                                  std::string("the rollback journal saved bytes of the ") +
                                      (file == 0 ? "table" : "index") + " at " + std::to_string(off) +
                                      ", beyond its " + std::to_string(now[file]) + " bytes");
        end[file] = std::max(end[file], off + n);
        at += 13 + static_cast<std::size_t>(n);
    }
    dbfSize = std::min(dbfSize, std::max(now[0], end[0]));
    cdxSize = std::min(cdxSize, std::max(now[1], end[1]));
    return {};
}

// Whether `j` (the journal file's bytes) holds a complete change; cuts it to its length and gives
// where its records start and where the sizes of the files are. A journal that is incomplete (its
// checksum fails) was being written when the change stopped, before either file was touched.
bool validJournal(std::vector<std::uint8_t>& j, std::size_t& head, std::size_t& sizes) {
    head = 8 + 8 + 8 + 8 + 1;
    sizes = 16;
    bool valid = false;
    if (j.size() >= head + 4 && std::memcmp(j.data(), kJournalMagic, 8) == 0) {
        const std::uint64_t length = getLe(&j[8], 8);
        valid = length >= head + 4 && length <= j.size();
        if (valid) j.resize(static_cast<std::size_t>(length));
    } else if (j.size() >= 8 + 8 + 8 + 1 + 4 && std::memcmp(j.data(), kJournalMagicV1, 8) == 0) {
        head = 8 + 8 + 8 + 1;
        sizes = 8;
        valid = true;
    }
    return valid && fnv1a(j.data(), j.size() - 4) == getLe(&j[j.size() - 4], 4);
}

// Writes the saved bytes of a valid journal back into both files and cuts them to their sizes.
DbStatus applyJournal(const std::vector<std::uint8_t>& j, std::size_t head, std::size_t sizes, int dbfFd,
                      const std::string& path, const std::string& cdxPath) {
    std::uint64_t dbfSize = getLe(&j[sizes], 8), cdxSize = getLe(&j[sizes + 8], 8);
    const bool cdxExisted = j[sizes + 16] != 0;
    // A journal's sizes are only believed when they fit the files it belongs to: a journal
    // of some other table (or a forged one) must not make a file grow or be written at random.
    if (auto st = checkJournalSizes(j, head, dbfFd, cdxPath, cdxExisted, dbfSize, cdxSize); !st)
        return DbStatus::fail(st.error, path + ": " + st.detail);
    const int cdxFd = ::open(cdxPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (cdxFd < 0) return DbStatus::fail(DbError::Io, "cannot open " + cdxPath + " to roll back");
    bool ok = true;
    for (std::size_t at = head; ok && at + 13 <= j.size() - 4;) {
        const int file = j[at];
        const std::uint64_t off = getLe(&j[at + 1], 8);
        const std::size_t n = static_cast<std::size_t>(getLe(&j[at + 9], 4));
        if (at + 13 + n > j.size() - 4) break;
        ok = writeAt(file == 0 ? dbfFd : cdxFd, &j[at + 13], n, static_cast<off_t>(off));
        at += 13 + n;
    }
    ok = ok && ::ftruncate(dbfFd, static_cast<off_t>(dbfSize)) == 0 &&
         ::ftruncate(cdxFd, static_cast<off_t>(cdxSize)) == 0 && ::fsync(dbfFd) == 0 && ::fsync(cdxFd) == 0;
    ::close(cdxFd);
    if (!ok) return DbStatus::fail(DbError::Io, "cannot roll back the unfinished change of " + path);
    if (!cdxExisted) ::unlink(cdxPath.c_str());
    return {};
}

} // namespace

bool journalHoldsUnfinishedChange(const std::uint8_t* p, std::size_t n) {
    return n >= 8 && (std::memcmp(p, kJournalMagic, 8) == 0 || std::memcmp(p, kJournalMagicV1, 8) == 0);
}

std::string journalPathFor(const std::string& path) {
    return path + "-journal";
}

RollbackJournal::RollbackJournal(RollbackJournal&& o) noexcept
    : fd_(std::exchange(o.fd_, -1)), path_(std::move(o.path_)), bytes_(std::move(o.bytes_)) {}

RollbackJournal& RollbackJournal::operator=(RollbackJournal&& o) noexcept {
    if (this == &o) return *this;
    close(false);
    fd_ = std::exchange(o.fd_, -1);
    path_ = std::move(o.path_);
    bytes_ = std::move(o.bytes_);
    return *this;
}

// A journal that is incomplete (its checksum fails) was being written when the change stopped,
// before either file was touched: it is only removed.
DbStatus RollbackJournal::rollBack(int dbfFd, const std::string& path, const std::string& cdxPath) {
    const std::string jp = journalPathFor(path);
    if (!fileExists(jp)) return {};
    std::vector<std::uint8_t> j;
    if (auto st = readWholeFile(jp, j); !st) return st;
    std::size_t head = 0, sizes = 0;
    if (validJournal(j, head, sizes))
        if (auto st = applyJournal(j, head, sizes, dbfFd, path, cdxPath); !st) return st;
    ::unlink(jp.c_str());
    syncDirectory(directoryOf(path));
    return {};
}

void RollbackJournal::close(bool remove) {
    if (fd_ < 0) return;
    ::close(fd_);
    fd_ = -1;
    if (remove) ::unlink(path_.c_str());
}

// Builds the journal of the change: the sizes before it and the bytes it overwrites.
DbStatus RollbackJournal::record(const TableFiles& files, const TableChange& change, bool cdxExists) {
    std::vector<std::uint8_t>& j = bytes_;
    j.assign(kJournalMagic, kJournalMagic + 8);
    putLe(j, 0, 8); // length, patched below
    putLe(j, files.dbfSize, 8);
    putLe(j, cdxExists ? files.cdxSize : 0, 8);
    j.push_back(cdxExists ? 1 : 0);
    // A file that shrinks loses its tail: that is saved too.
    std::vector<StoredSpan> saveDbf = change.dbf;
    if (change.dbfSize < files.dbfSize)
        saveDbf.push_back(
            {change.dbfSize, nullptr, static_cast<std::size_t>(files.dbfSize - change.dbfSize)});
    for (const StoredSpan& s : saveDbf) {
        if (s.at >= files.dbfSize) continue;
        const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(s.n, files.dbfSize - s.at));
        j.push_back(0);
        putLe(j, s.at, 8);
        putLe(j, n, 4);
        const std::size_t from = j.size();
        j.resize(from + n);
        if (!readAt(files.dbfFd, &j[from], n, static_cast<off_t>(s.at)))
            return DbStatus::fail(DbError::Io, "cannot read " + files.path);
    }
    if (cdxExists)
        for (const StoredSpan& s : change.cdxOld) {
            if (s.at >= files.cdxSize) continue;
            const std::size_t n =
                static_cast<std::size_t>(std::min<std::uint64_t>(s.n, files.cdxSize - s.at));
            j.push_back(1);
            putLe(j, s.at, 8);
            putLe(j, n, 4);
            j.insert(j.end(), s.p, s.p + n);
        }
    const std::uint64_t length = j.size() + 4;
    for (int i = 0; i < 8; ++i)
        j[8 + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(length >> (8 * i));
    putLe(j, fnv1a(j.data(), j.size()), 4);
    return {};
}

// Writes the journal and syncs it. The journal file stays while the table is open: only the first
// change makes it, and only then must its directory entry be synced.
DbStatus RollbackJournal::persist(const std::string& tablePath) {
    const std::string jp = journalPathFor(tablePath);
    const bool fresh = fd_ < 0;
    if (fresh) {
        fd_ = ::open(jp.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd_ < 0) return DbStatus::fail(DbError::Io, "cannot create " + jp + ": " + std::strerror(errno));
        path_ = jp;
    }
    struct stat st {};
    ::fstat(fd_, &st);
    // A journal grown large by one big change is cut back when the changes are small again.
    const bool shrink = st.st_size > (1 << 20) && std::uint64_t(st.st_size) > 4 * bytes_.size();
    const bool ok = writeAt(fd_, bytes_.data(), bytes_.size(), 0) &&
                    (!shrink || ::ftruncate(fd_, static_cast<off_t>(bytes_.size())) == 0) &&
                    ::fdatasync(fd_) == 0;
    if (!ok) {
        // Neither file was touched: the journal undoes nothing and goes.
        const std::string why = std::strerror(errno);
        close(true);
        return DbStatus::fail(DbError::Io, "cannot write " + jp + ": " + why);
    }
    if (fresh) syncDirectory(directoryOf(tablePath));
    return {};
}

bool RollbackJournal::writeFiles(const TableFiles& files, const TableChange& change, bool cdxExists) const {
    bool ok = true;
    for (const StoredSpan& s : change.dbf)
        ok = ok && writeAt(files.dbfFd, s.p, s.n, static_cast<off_t>(s.at));
    if (ok && change.dbfSize < files.dbfSize)
        ok = ::ftruncate(files.dbfFd, static_cast<off_t>(change.dbfSize)) == 0;
    if (ok && (!change.dbf.empty() || change.dbfSize != files.dbfSize)) ok = ::fdatasync(files.dbfFd) == 0;
    if (ok && files.hasIndex && (!change.cdx.empty() || change.cdxSize != files.cdxSize || !cdxExists)) {
        const int cfd = ::open(files.cdxPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        ok = cfd >= 0;
        for (const StoredSpan& s : change.cdx)
            ok = ok && writeAt(cfd, s.p, s.n, static_cast<off_t>(s.at));
        if (ok && change.cdxSize < files.cdxSize)
            ok = ::ftruncate(cfd, static_cast<off_t>(change.cdxSize)) == 0;
        ok = ok && ::fdatasync(cfd) == 0;
        if (cfd >= 0) ::close(cfd);
    }
    return ok;
}

DbStatus RollbackJournal::store(const TableFiles& files, const TableChange& change) {
    if (change.dbf.empty() && change.cdx.empty() && change.dbfSize == files.dbfSize &&
        change.cdxSize == files.cdxSize)
        return {};
    const bool cdxExists = fileExists(files.cdxPath);
    if (auto st = record(files, change, cdxExists); !st) return st;
    if (auto st = persist(files.path); !st) return st;
    if (!writeFiles(files, change, cdxExists)) {
        const std::string why = std::strerror(errno);
        // The journal puts the old bytes back (and is removed once it did; else the next open
        // tries again).
        rollBack(files.dbfFd, files.path, files.cdxPath);
        close(false);
        return DbStatus::fail(DbError::Io, "cannot write " + files.path + ": " + why);
    }
    // Committed: the journal no longer describes a change to undo. The cleared magic is synced
    // before the change counts as done: a crash that lost the clearing would have the next open
    // undo a change the user was told was stored.
    // One large change (a pack) does not keep its journal's memory for the table's lifetime.
    if (bytes_.capacity() > (std::size_t(8) << 20)) {
        bytes_.clear();
        bytes_.shrink_to_fit();
    }
    static const std::uint8_t kCleared[8] = {};
    if (!writeAt(fd_, kCleared, 8, 0) || ::fdatasync(fd_) != 0) {
        rollBack(files.dbfFd, files.path, files.cdxPath);
        close(false);
        return DbStatus::fail(DbError::Io, "cannot clear " + journalPathFor(files.path));
    }
    return {};
}

} // namespace vorsan::db
