#include "db/table.h"

#include "db/file_io.h"
#include "db/little_endian.h"
#include "db/rollback_journal.h"
#include "db/row_coding.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace vorsan::db {

namespace {

// The structural index: the table's base name with ".CDX" (".cdx" beside a lower-case ".dbf"),
// or whatever spelling of that name already exists.
std::string indexPathFor(const std::string& path) {
    const std::string dir = directoryOf(path), name = fileNameOf(path);
    const auto dot = name.find_last_of('.');
    const std::string base = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string ext = dot == std::string::npos ? "" : name.substr(dot + 1);
    const bool lower =
        !ext.empty() && std::all_of(ext.begin(), ext.end(), [](char c) { return c >= 'a' && c <= 'z'; });
    const std::string found = findIgnoringCase(dir, base + ".cdx");
    return found.empty() ? joinPath(dir, base + (lower ? ".cdx" : ".CDX")) : found;
}

} // namespace

Table::~Table() {
    if (isOpen()) close();
}

Table::Table(Table&& o) noexcept {
    *this = std::move(o);
}

Table& Table::operator=(Table&& o) noexcept {
    if (this == &o) return *this;
    if (isOpen()) close();
    path_ = std::move(o.path_);
    cdxPath_ = std::move(o.cdxPath_);
    fd_ = std::exchange(o.fd_, -1);
    readOnly_ = o.readOnly_;
    header_ = std::move(o.header_);
    rows_ = std::move(o.rows_);
    rowCount_ = o.rowCount_;
    index_ = std::move(o.index_);
    current_ = o.current_;
    dirty_ = o.dirty_;
    indexDirty_ = o.indexDirty_;
    indexRebuilt_ = o.indexRebuilt_;
    indexProblems_ = std::move(o.indexProblems_);
    changed_ = std::move(o.changed_);
    view_ = std::move(o.view_);
    viewValid_ = o.viewValid_;
    pos_ = o.pos_;
    follow_ = o.follow_;
    keepPosition_ = o.keepPosition_;
    diskRows_ = o.diskRows_;
    diskSize_ = o.diskSize_;
    rewriteFrom_ = o.rewriteFrom_;
    touchedRows_ = std::move(o.touchedRows_);
    journal_ = std::move(o.journal_);
    o.reset();
    return *this;
}

void Table::reset() {
    path_.clear();
    cdxPath_.clear();
    fd_ = -1;
    readOnly_ = false;
    header_ = DbfHeader{};
    rows_.clear();
    rowCount_ = 0;
    index_.clear();
    current_ = -1;
    dirty_ = indexDirty_ = indexRebuilt_ = false;
    indexProblems_.clear();
    changed_.clear();
    view_.clear();
    viewValid_ = false;
    pos_ = 0;
    follow_ = 0;
    keepPosition_ = false;
    diskRows_ = 0;
    diskSize_ = 0;
    rewriteFrom_ = std::numeric_limits<std::uint32_t>::max();
    touchedRows_.clear();
}

// ---- create, open, close ----------------------------------------------------------------------

DbStatus Table::create(const std::string& path, const TableLayout& layout, bool replace) {
    if (!replace && fileExists(path)) return DbStatus::fail(DbError::Exists, path + " already exists");
    DbfHeader h;
    const std::uint8_t flags = layout.tags.empty() ? 0 : kFlagStructuralCdx;
    if (auto st = buildDbfHeader(layout.fields, kVersionFoxBase, flags, kCodePageWin1251, h); !st) return st;
    TableIndex probe; // checks the tag expressions before anything is written
    for (const TagDef& t : layout.tags)
        if (auto st = probe.add(t, h); !st) return st;
    stampDbfHeader(h, todayDate());
    const std::uint8_t eof = kEndOfFile;
    // The index is written first: a table file never exists without its index beside it.
    const std::string cdx = indexPathFor(path);
    if (!layout.tags.empty()) {
        std::vector<std::uint8_t> bytes;
        if (auto st = probe.build(bytes); !st) return st;
        if (auto st = replaceFile(cdx, {bytes}); !st) return st;
    } else if (fileExists(cdx)) {
        ::unlink(cdx.c_str());
    }
    ::unlink(journalPathFor(path).c_str());
    return replaceFile(path, {h.raw, std::span<const std::uint8_t>(&eof, 1)});
}

// Locks the table, then makes sure the name still leads to the locked file: a writer renames a new
// file over the old one, and a lock won on the old one would guard nothing.
DbStatus Table::lockFile(const std::string& path) {
    for (int attempt = 0;; ++attempt) {
        const int fd = ::open(path.c_str(), (readOnly_ ? O_RDONLY : O_RDWR) | O_CLOEXEC);
        if (fd < 0)
            return errno == ENOENT
                       ? DbStatus::fail(DbError::NotFound, path + " does not exist")
                       : DbStatus::fail(DbError::Io, "cannot open " + path + ": " + std::strerror(errno));
        if (::flock(fd, (readOnly_ ? LOCK_SH : LOCK_EX) | LOCK_NB) != 0) {
            ::close(fd);
            return DbStatus::fail(DbError::Locked, path + " is in use by another program or window");
        }
        struct stat a = {};
        struct stat b = {};
        if (::fstat(fd, &a) == 0 && ::stat(path.c_str(), &b) == 0 && a.st_ino == b.st_ino &&
            a.st_dev == b.st_dev) {
            fd_ = fd;
            return {};
        }
        ::close(fd);
        if (attempt == 5) return DbStatus::fail(DbError::Locked, path + " keeps being replaced");
    }
}

// The header and all rows of the locked file.
DbStatus Table::readRows() {
    struct stat st {};
    ::fstat(fd_, &st);
    const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
    std::vector<std::uint8_t> head(32);
    if (size < 32 || !readAt(fd_, head.data(), 32, 0))
        return DbStatus::fail(DbError::BadHeader, path_ + ": file shorter than a table header");
    const std::size_t headerLength = le16(&head[8]);
    head.resize(std::max<std::size_t>(32, std::min<std::uint64_t>(headerLength, size)));
    if (!readAt(fd_, head.data(), head.size(), 0)) return DbStatus::fail(DbError::Io, "cannot read " + path_);
    if (auto s = parseDbfHeader(head, size, header_); !s)
        return DbStatus::fail(s.error, path_ + ": " + s.detail);
    rowCount_ = header_.recordCount;
    rows_.resize(std::size_t(rowCount_) * header_.recordLength);
    if (!readAt(fd_, rows_.data(), rows_.size(), header_.headerLength))
        return DbStatus::fail(DbError::Io, "cannot read the rows of " + path_);
    diskRows_ = rowCount_;
    diskSize_ = size;
    return {};
}

DbStatus Table::open(const std::string& path, OpenMode mode, const std::vector<TagDef>& expectedTags) {
    if (isOpen()) close();
    reset();
    readOnly_ = mode != OpenMode::Exclusive;
    const bool foreign = mode == OpenMode::Foreign;
    // A reader that finds an interrupted change rolls it back first when no one else has the
    // table open, so it never reads a half-written table. A table from elsewhere is never
    // written to: a journal beside it is not ours to apply.
    if (readOnly_ && !foreign && fileExists(journalPathFor(path))) {
        const int wfd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (wfd >= 0) {
            if (::flock(wfd, LOCK_EX | LOCK_NB) == 0)
                RollbackJournal::rollBack(wfd, path, indexPathFor(path));
            ::close(wfd);
        }
    }
    if (auto st = lockFile(path); !st) return st;
    path_ = path;
    const auto fail = [&](DbStatus st) {
        ::close(fd_);
        reset();
        return st;
    };
    cdxPath_ = indexPathFor(path);
    if (!readOnly_) {
        if (auto st = RollbackJournal::rollBack(fd_, path_, cdxPath_); !st) return fail(st);
    } else if (!foreign && fileExists(journalPathFor(path_))) {
        indexProblems_.push_back("an interrupted change waits to be rolled back by a writer");
    }
    if (auto st = readRows(); !st) return fail(st);
    if (!readOnly_) {
        ::unlink(replacementPath(path_).c_str()); // left by a write that was interrupted
        ::unlink(replacementPath(cdxPath_).c_str());
    }
    // The index: its tag definitions, checked entry by entry against the rows.
    const IndexOpening opening{path, cdxPath_, header_, expectedTags, readOnly_, rowsView()};
    if (auto st = index_.load(opening, indexProblems_); !st) return fail(st);
    indexDirty_ = !indexProblems_.empty();
    if (indexDirty_ && !readOnly_ && !index_.empty()) {
        if (auto s = index_.write(cdxPath_); !s) return fail(s);
        indexRebuilt_ = true;
    }
    indexDirty_ = false;
    first();
    return {};
}

DbStatus Table::close() {
    if (!isOpen()) return {};
    DbStatus st = flush();
    journal_.close(true); // cleared, or already closed by a failed change
    ::close(fd_);
    reset();
    return st;
}

// ---- tags and orders --------------------------------------------------------------------------

std::vector<TagDef> Table::tags() const {
    return index_.definitions();
}

void Table::invalidate() const {
    if (viewValid_ && pos_ < view_.size()) follow_ = view_[pos_] + 1;
    viewValid_ = false;
}

void Table::noteRowChanged(std::uint32_t r) {
    dirty_ = true;
    if (r < diskRows_) touchedRows_.push_back(r);
}

void Table::markChanged(std::uint32_t r) {
    invalidate();
    changed_.push_back(r);
}

// Rows edited or appended since the last call get their keys recomputed; those whose key moved
// leave the order and are merged back in at their new place.
void Table::settleOrders() const {
    if (changed_.empty()) return;
    std::sort(changed_.begin(), changed_.end());
    changed_.erase(std::unique(changed_.begin(), changed_.end()), changed_.end());
    index_.settle(changed_, rowsView(), diskRows_);
    changed_.clear();
}

void Table::settle() const {
    settleOrders();
    if (!viewValid_) rebuildView();
}

void Table::rebuildView() const {
    view_.clear();
    if (current_ < 0) {
        for (std::uint32_t r = 0; r < rowCount_; ++r)
            if (row(r)[0] != kRowDeleted) view_.push_back(r);
    } else {
        const IndexTag& t = index_.tags()[static_cast<std::size_t>(current_)];
        const std::size_t len = static_cast<std::size_t>(t.expr.length());
        const std::uint8_t* lastKey = nullptr;
        for (std::uint32_t r : t.order) {
            if (row(r)[0] == kRowDeleted) continue;
            if (t.def.unique && lastKey && std::memcmp(lastKey, t.key(r), len) == 0) continue;
            view_.push_back(r);
            lastKey = t.key(r);
        }
    }
    if (keepPosition_) {
        pos_ = std::min(pos_, view_.size());
    } else if (follow_ != 0) {
        const auto it = std::find(view_.begin(), view_.end(), follow_ - 1);
        pos_ = static_cast<std::size_t>(it - view_.begin());
    } else {
        pos_ = std::min(pos_, view_.size());
    }
    keepPosition_ = false;
    follow_ = 0;
    viewValid_ = true;
}

// ---- navigation -------------------------------------------------------------------------------

DbStatus Table::setTag(std::string_view name) {
    if (!isOpen()) return DbStatus::fail(DbError::NotOpen, "table not open");
    int idx = -1;
    if (!name.empty()) {
        idx = index_.find(name);
        if (idx < 0)
            return DbStatus::fail(DbError::NoSuchTag, "no tag " + std::string(name) + " in " + path_);
    }
    if (idx != current_) {
        invalidate();
        current_ = idx;
    }
    return {};
}

std::string Table::currentTag() const {
    return current_ < 0 ? std::string() : index_.tags()[std::size_t(current_)].def.name;
}

void Table::first() {
    settle();
    pos_ = 0;
}
void Table::next() {
    settle();
    if (pos_ < view_.size()) ++pos_;
}
void Table::last() {
    settle();
    pos_ = view_.empty() ? 0 : view_.size() - 1;
}
bool Table::eof() const {
    settle();
    return pos_ >= view_.size();
}
std::size_t Table::count() const {
    settle();
    return view_.size();
}
std::uint32_t Table::recno() const {
    settle();
    return pos_ < view_.size() ? view_[pos_] + 1 : 0;
}
bool Table::goToRecno(std::uint32_t recno) {
    settle();
    const auto it = std::find(view_.begin(), view_.end(), recno - 1);
    if (it == view_.end()) return false;
    pos_ = static_cast<std::size_t>(it - view_.begin());
    return true;
}

const std::uint8_t* Table::currentRow() const {
    settle();
    return pos_ < view_.size() ? row(view_[pos_]) : nullptr;
}

int Table::fieldIndex(std::string_view name) const {
    for (std::size_t i = 0; i < header_.fields.size(); ++i)
        if (sameName(header_.fields[i].name, name)) return static_cast<int>(i);
    return -1;
}

// ---- field access -----------------------------------------------------------------------------

std::string Table::getString(int field) const {
    const std::uint8_t* r = currentRow();
    if (!r || field < 0 || std::size_t(field) >= header_.fields.size()) return {};
    const auto f = static_cast<std::size_t>(field);
    return std::string(trimRight(std::string_view(reinterpret_cast<const char*>(r + header_.offsets[f]),
                                                  static_cast<std::size_t>(header_.fields[f].length))));
}

double Table::getNumber(int field) const {
    const std::uint8_t* r = currentRow();
    if (!r || field < 0 || std::size_t(field) >= header_.fields.size()) return 0;
    const auto f = static_cast<std::size_t>(field);
    const std::uint8_t* p = r + header_.offsets[f];
    if (header_.fields[f].type == 'I' && header_.fields[f].length == 4)
        return static_cast<std::int32_t>(le32(p));
    return parseNumericText(std::string_view(reinterpret_cast<const char*>(p),
                                             static_cast<std::size_t>(header_.fields[f].length)))
        .value_or(0);
}

Date Table::getDate(int field) const {
    const std::uint8_t* r = currentRow();
    if (!r || field < 0 || std::size_t(field) >= header_.fields.size()) return {};
    const auto f = static_cast<std::size_t>(field);
    return parseDateText(std::string_view(reinterpret_cast<const char*>(r + header_.offsets[f]),
                                          static_cast<std::size_t>(header_.fields[f].length)))
        .value_or(Date{});
}

bool Table::getLogical(int field) const {
    const std::uint8_t* r = currentRow();
    if (!r || field < 0 || std::size_t(field) >= header_.fields.size()) return false;
    const std::uint8_t c = r[header_.offsets[static_cast<std::size_t>(field)]];
    return c == 'T' || c == 't' || c == 'Y' || c == 'y';
}

std::string Table::displayText(int field) const {
    const std::uint8_t* r = currentRow();
    if (!r || field < 0 || std::size_t(field) >= header_.fields.size()) return {};
    const auto f = static_cast<std::size_t>(field);
    return fieldDisplayText(header_.fields[f], r + header_.offsets[f]);
}

bool Table::isDeleted() const {
    const std::uint8_t* r = currentRow();
    return r && r[0] == kRowDeleted;
}

DbStatus Table::setField(int field, const FieldValue& value) {
    if (!isOpen()) return DbStatus::fail(DbError::NotOpen, "table not open");
    if (readOnly_) return DbStatus::fail(DbError::ReadOnly, path_ + " is open read-only");
    settle();
    if (pos_ >= view_.size()) return DbStatus::fail(DbError::NoCurrentRow, "no current row");
    const std::uint32_t r = view_[pos_];
    std::vector<std::uint8_t> copy(row(r), row(r) + header_.recordLength);
    if (auto st = encodeField(header_, field, value, copy.data()); !st) return st;
    if (std::memcmp(copy.data(), row(r), copy.size()) == 0) return {};
    std::memcpy(row(r), copy.data(), copy.size());
    noteRowChanged(r);
    if (index_.usesField(field)) markChanged(r);
    return {};
}

// Writes one field's value into the rows `each` hands to its writer; rows that already hold it
// are left alone, so only real changes reach the file and the index.
template <class EachRow> DbStatus Table::writeField(int field, const FieldValue& value, EachRow each) {
    if (!isOpen()) return DbStatus::fail(DbError::NotOpen, "table not open");
    if (readOnly_) return DbStatus::fail(DbError::ReadOnly, path_ + " is open read-only");
    std::vector<std::uint8_t> probe(header_.recordLength, ' ');
    if (auto st = encodeField(header_, field, value, probe.data()); !st) return st;
    const std::size_t at = header_.offsets[static_cast<std::size_t>(field)];
    const auto len = static_cast<std::size_t>(header_.fields[static_cast<std::size_t>(field)].length);
    const bool keyed = index_.usesField(field);
    each([&](std::uint32_t r) {
        std::uint8_t* p = row(r);
        if (std::memcmp(p + at, probe.data() + at, len) == 0) return;
        std::memcpy(p + at, probe.data() + at, len);
        noteRowChanged(r);
        if (keyed) markChanged(r);
    });
    return {};
}

DbStatus Table::setFieldOf(const std::vector<std::uint32_t>& recnos, int field, const FieldValue& value) {
    for (std::uint32_t recno : recnos) // every row checked before any is changed
        if (isOpen() && (recno < 1 || recno > rowCount_))
            return DbStatus::fail(DbError::NoCurrentRow, "no row " + std::to_string(recno));
    return writeField(field, value, [&](auto write) {
        for (std::uint32_t recno : recnos)
            write(recno - 1);
    });
}

DbStatus Table::appendRow(const std::vector<FieldValue>& values) {
    if (!isOpen()) return DbStatus::fail(DbError::NotOpen, "table not open");
    if (readOnly_) return DbStatus::fail(DbError::ReadOnly, path_ + " is open read-only");
    std::vector<std::uint8_t> bytes;
    if (auto st = encodeRow(header_, values, bytes); !st) return st;
    rows_.insert(rows_.end(), bytes.begin(), bytes.end());
    markChanged(rowCount_++);
    follow_ = rowCount_;
    dirty_ = true;
    return {};
}

DbStatus Table::appendRows(const std::vector<std::vector<FieldValue>>& rows) {
    if (!isOpen()) return DbStatus::fail(DbError::NotOpen, "table not open");
    if (readOnly_) return DbStatus::fail(DbError::ReadOnly, path_ + " is open read-only");
    std::vector<std::uint8_t> all, bytes;
    for (const auto& values : rows) { // every row checked before any is added
        if (auto st = encodeRow(header_, values, bytes); !st) return st;
        all.insert(all.end(), bytes.begin(), bytes.end());
    }
    rows_.insert(rows_.end(), all.begin(), all.end());
    for (std::size_t i = 0; i < rows.size(); ++i)
        markChanged(rowCount_++);
    if (!rows.empty()) follow_ = rowCount_, dirty_ = true;
    return flush();
}

DbStatus Table::fillField(int field, const FieldValue& value) {
    return writeField(field, value, [&](auto write) {
        for (std::uint32_t r = 0; r < rowCount_; ++r)
            if (row(r)[0] != kRowDeleted) write(r);
    });
}

DbStatus Table::deleteCurrent() {
    if (!isOpen()) return DbStatus::fail(DbError::NotOpen, "table not open");
    if (readOnly_) return DbStatus::fail(DbError::ReadOnly, path_ + " is open read-only");
    settle();
    if (pos_ >= view_.size()) return DbStatus::fail(DbError::NoCurrentRow, "no current row");
    row(view_[pos_])[0] = kRowDeleted;
    noteRowChanged(view_[pos_]);
    viewValid_ = false;
    keepPosition_ = true;
    return {};
}

// ---- storing ----------------------------------------------------------------------------------

// The table file's part of a change: its header, the runs of stored rows that changed, the rows
// from the first that moved (pack, empty) or was appended on, and the end-of-file mark.
void Table::rowSpans(std::vector<StoredSpan>& dbf, std::vector<std::uint8_t>& tail) {
    const std::size_t rl = header_.recordLength;
    const std::uint64_t base = header_.headerLength;
    header_.recordCount = rowCount_;
    // The structural-index flag says whether an index goes with the table.
    header_.raw[28] =
        index_.empty() ? header_.raw[28] & ~kFlagStructuralCdx : header_.raw[28] | kFlagStructuralCdx;
    stampDbfHeader(header_, todayDate());
    dbf.push_back({0, header_.raw.data(), header_.raw.size()});
    const std::uint32_t moved = std::min({diskRows_, rewriteFrom_, rowCount_});
    std::sort(touchedRows_.begin(), touchedRows_.end());
    touchedRows_.erase(std::unique(touchedRows_.begin(), touchedRows_.end()), touchedRows_.end());
    for (std::size_t i = 0; i < touchedRows_.size();) {
        std::size_t j = i + 1;
        while (j < touchedRows_.size() && touchedRows_[j] == touchedRows_[j - 1] + 1)
            ++j;
        const std::uint32_t from = touchedRows_[i], to = std::min(touchedRows_[j - 1] + 1, moved);
        if (from < to) dbf.push_back({base + from * rl, row(from), std::size_t(to - from) * rl});
        i = j;
    }
    if (moved < rowCount_)
        dbf.push_back({base + moved * rl, row(moved), std::size_t(rowCount_ - moved) * rl});
    tail.push_back(kEndOfFile);
    dbf.push_back({base + std::uint64_t(rowCount_) * rl, tail.data(), 1});
}

// A change is stored in place, costing what it changes: the parts of the table and index files
// about to be overwritten are first saved in a rollback journal beside the table, which is synced
// before either file is touched and cleared once both are synced. A crash in between leaves the
// journal, and the next open puts the saved bytes back, so the files are always the old or the
// new table whole.
DbStatus Table::flush() {
    if (!isOpen()) return DbStatus::fail(DbError::NotOpen, "table not open");
    if (readOnly_ || (!dirty_ && !indexDirty_)) return {};
    settleOrders();
    TableChange change;
    std::vector<std::uint8_t> tail;
    if (dirty_) rowSpans(change.dbf, tail);
    // The index: the changed keys put into its blocks in place; written anew when the rows moved
    // (pack, empty), a tag was redefined, or the edit finds the image not as expected.
    const bool whole = indexDirty_ || rewriteFrom_ != std::numeric_limits<std::uint32_t>::max();
    bool edited = false;
    if (auto st = index_.prepareStore(whole, rowsView(), diskRows_, change, edited); !st) return st;
    change.dbfSize =
        dirty_ ? header_.headerLength + std::uint64_t(rowCount_) * header_.recordLength + 1 : diskSize_;
    // An edit grows the image in place: the journal records the grown size, whose new blocks
    // nothing refers to yet.
    const TableFiles files{fd_, path_, cdxPath_, diskSize_, index_.imageSize(), !index_.empty()};
    if (auto st = journal_.store(files, change); !st) {
        index_.notStored(edited);
        if (edited) indexDirty_ = true; // the notes of the changes are gone: the next flush writes it anew
        return st;
    }
    index_.stored(edited);
    diskRows_ = rowCount_;
    diskSize_ = change.dbfSize;
    rewriteFrom_ = std::numeric_limits<std::uint32_t>::max();
    touchedRows_.clear();
    dirty_ = indexDirty_ = false;
    return {};
}

DbStatus Table::redefineTag(const TagDef& def) {
    if (!isOpen()) return DbStatus::fail(DbError::NotOpen, "table not open");
    if (readOnly_) return DbStatus::fail(DbError::ReadOnly, path_ + " is open read-only");
    settleOrders();
    if (auto st = index_.redefine(def, header_, rowsView()); !st) return st;
    invalidate();
    indexDirty_ = true;
    return flush();
}

DbStatus Table::rebuildIndex() {
    if (!isOpen()) return DbStatus::fail(DbError::NotOpen, "table not open");
    if (readOnly_) return DbStatus::fail(DbError::ReadOnly, path_ + " is open read-only");
    settleOrders();
    index_.rekey(rowsView());
    invalidate();
    indexDirty_ = true;
    return flush();
}

} // namespace vorsan::db
