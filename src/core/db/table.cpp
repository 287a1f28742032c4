#include "db/table.h"

#include "db/cdx_format.h"
#include "db/file_io.h"
#include "db/little_endian.h"
#include "db/rollback_journal.h"
#include "db/row_coding.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <strings.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <utility>

namespace vorsan::db {

namespace {

bool sameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && ::strncasecmp(a.data(), b.data(), a.size()) == 0;
}

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
    tags_ = std::move(o.tags_);
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
    cdxImage_ = std::move(o.cdxImage_);
    indexSpare_ = std::move(o.indexSpare_);
    cdxEditor_ = std::move(o.cdxEditor_);
    cdxEditedFrom_ = o.cdxEditedFrom_;
    cdxTouched_ = std::move(o.cdxTouched_);
    cdxTouchedFlag_ = std::move(o.cdxTouchedFlag_);
    cdxSavedAt_ = std::move(o.cdxSavedAt_);
    cdxSavedBytes_ = std::move(o.cdxSavedBytes_);
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
    tags_.clear();
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
    cdxImage_.clear();
    indexSpare_.clear();
    cdxEditor_.reset();
    cdxEditedFrom_ = 0;
    cdxTouched_.clear();
    cdxTouchedFlag_.clear();
    cdxSavedAt_.clear();
    cdxSavedBytes_.clear();
}

// ---- create, open, close ----------------------------------------------------------------------

DbStatus Table::create(const std::string& path, const TableLayout& layout, bool replace) {
    if (!replace && fileExists(path)) return DbStatus::fail(DbError::Exists, path + " already exists");
    DbfHeader h;
    const std::uint8_t flags = layout.tags.empty() ? 0 : kFlagStructuralCdx;
    if (auto st = buildDbfHeader(layout.fields, kVersionFoxBase, flags, kCodePageWin1251, h); !st) return st;
    Table probe; // checks the tag expressions before anything is written
    probe.header_ = h;
    for (const TagDef& t : layout.tags)
        if (auto st = probe.addTag(t); !st) return st;
    stampDbfHeader(h, todayDate());
    const std::uint8_t eof = kEndOfFile;
    // The index is written first: a table file never exists without its index beside it.
    const std::string cdx = indexPathFor(path);
    if (!layout.tags.empty()) {
        std::vector<std::uint8_t> bytes;
        std::vector<CdxTagSource> sources;
        for (const Tag& t : probe.tags_)
            sources.push_back({t.def.name, t.def.expression, t.def.unique, t.expr.length(), t.expr.padByte(),
                               0, [](std::size_t) { return static_cast<const std::uint8_t*>(nullptr); },
                               [](std::size_t) { return 0u; }});
        if (auto st = buildCdx(sources, bytes); !st) return st;
        if (auto st = replaceFile(cdx, {bytes}); !st) return st;
    } else if (fileExists(cdx)) {
        ::unlink(cdx.c_str());
    }
    ::unlink(journalPathFor(path).c_str());
    return replaceFile(path, {h.raw, std::span<const std::uint8_t>(&eof, 1)});
}

DbStatus Table::open(const std::string& path, OpenMode mode, const std::vector<TagDef>& expectedTags) {
    if (isOpen()) close();
    reset();
    readOnly_ = mode != OpenMode::Exclusive;
    const bool foreign = mode == OpenMode::Foreign;
    int fd = -1;
    // A reader that finds an interrupted change rolls it back first when no one else has the
    // table open, so it never reads a half-written table. A table from elsewhere is never
    // written to: a journal beside it is not ours to apply.
    if (readOnly_ && !foreign && fileExists(journalPathFor(path))) {
        const int wfd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        if (wfd >= 0) {
            if (::flock(wfd, LOCK_EX | LOCK_NB) == 0) RollbackJournal::rollBack(wfd, path, indexPathFor(path));
            ::close(wfd);
        }
    }
    // Lock, then make sure the name still leads to the locked file: a writer renames a new file
    // over the old one, and a lock won on the old one would guard nothing.
    for (int attempt = 0;; ++attempt) {
        fd = ::open(path.c_str(), (readOnly_ ? O_RDONLY : O_RDWR) | O_CLOEXEC);
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
            a.st_dev == b.st_dev)
            break;
        ::close(fd);
        if (attempt == 5) return DbStatus::fail(DbError::Locked, path + " keeps being replaced");
    }
    fd_ = fd;
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
    struct stat st {};
    ::fstat(fd_, &st);
    const std::uint64_t size = static_cast<std::uint64_t>(st.st_size);
    std::vector<std::uint8_t> head(32);
    if (size < 32 || !readAt(fd_, head.data(), 32, 0))
        return fail(DbStatus::fail(DbError::BadHeader, path + ": file shorter than a table header"));
    const std::size_t headerLength = le16(&head[8]);
    head.resize(std::max<std::size_t>(32, std::min<std::uint64_t>(headerLength, size)));
    if (!readAt(fd_, head.data(), head.size(), 0))
        return fail(DbStatus::fail(DbError::Io, "cannot read " + path));
    if (auto s = parseDbfHeader(head, size, header_); !s)
        return fail(DbStatus::fail(s.error, path + ": " + s.detail));
    rowCount_ = header_.recordCount;
    rows_.resize(std::size_t(rowCount_) * header_.recordLength);
    if (!readAt(fd_, rows_.data(), rows_.size(), header_.headerLength))
        return fail(DbStatus::fail(DbError::Io, "cannot read the rows of " + path));
    diskRows_ = rowCount_;
    diskSize_ = size;
    if (!readOnly_) {
        ::unlink(replacementPath(path_).c_str()); // left by a write that was interrupted
        ::unlink(replacementPath(cdxPath_).c_str());
    }

    // The index: its tag definitions, checked entry by entry against the rows.
    std::vector<CdxTag> stored;
    bool cdxRead = false;
    if (fileExists(cdxPath_)) {
        std::vector<std::uint8_t>& bytes = cdxImage_;
        DbStatus s = readWholeFile(cdxPath_, bytes);
        if (s) {
            const auto padFor = [&](const CdxTag& t) {
                KeyExpression e;
                return e.compile(t.expression, header_) ? e.padByte() : std::uint8_t(0x20);
            };
            s = readCdx(bytes, padFor, stored);
        }
        if (s)
            cdxRead = true;
        else
            indexProblems_.push_back("index file damaged: " + s.detail);
    } else if ((header_.tableFlags & kFlagStructuralCdx) || !expectedTags.empty()) {
        indexProblems_.push_back("index file " + fileNameOf(cdxPath_) + " missing");
    }
    for (const CdxTag& t : stored) {
        // A tag the caller defines keeps the caller's flags: a stored tag that is unique (or
        // descending) where the definition is not would hide rows or turn the order round.
        const auto def = std::find_if(expectedTags.begin(), expectedTags.end(),
                                      [&](const TagDef& e) { return sameName(e.name, t.name); });
        bool unique = t.unique();
        if (def != expectedTags.end() && (def->unique != t.unique() || t.descending)) {
            const auto flags = [](bool u, bool d) {
                return std::string(u ? "unique" : "not unique") + (d ? ", descending" : "");
            };
            indexProblems_.push_back("tag " + t.name + ": flags in the index (" + flags(t.unique(), t.descending) +
                                     ") differ from its definition (" + flags(def->unique, false) + ")");
            unique = def->unique;
        }
        DbStatus s =
            t.forExpression.empty()
                ? addTag({t.name, t.expression, unique})
                : DbStatus::fail(DbError::BadExpression, "tag " + t.name + " has a FOR clause (" +
                                                             t.forExpression + "), which is not evaluated");
        if (!s) {
            // A tag the caller knows by name is rebuilt with the caller's expression instead.
            const bool known = std::any_of(expectedTags.begin(), expectedTags.end(),
                                           [&](const TagDef& e) { return sameName(e.name, t.name); });
            if (!readOnly_ && !known) return fail(s);
            indexProblems_.push_back("tag " + t.name + (known ? " replaced: " : " skipped: ") + s.detail);
        }
    }
    for (const TagDef& e : expectedTags) {
        if (tagIndex(e.name) >= 0) continue;
        if (auto s = addTag(e); !s) return fail(s);
        if (cdxRead) indexProblems_.push_back("tag " + e.name + " missing from the index");
    }
    for (Tag& t : tags_) {
        computeKeys(t, 0);
        const auto it = std::find_if(stored.begin(), stored.end(),
                                     [&](const CdxTag& c) { return sameName(c.name, t.def.name); });
        if (it == stored.end()) {
            sortOrder(t);
        } else if (!storedOrderMatches(t, *it)) {
            sortOrder(t);
            indexProblems_.push_back("tag " + t.def.name + " does not agree with the rows");
        }
    }
    // An index that cannot be read and whose tags nobody can name cannot be rebuilt; changing the
    // table would leave it wrong for good.
    if (!readOnly_ && tags_.empty() && !cdxRead && fileExists(cdxPath_))
        return fail(DbStatus::fail(DbError::BadIndex, path + ": " + indexProblems_.front() +
                                                          "; its tags are unknown, so it cannot be rebuilt"));
    indexDirty_ = !indexProblems_.empty();
    if (indexDirty_ && !readOnly_ && !tags_.empty()) {
        if (auto s = writeIndex(); !s) return fail(s);
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

DbStatus Table::addTag(const TagDef& def) {
    if (def.name.empty() || def.name.size() > 10)
        return DbStatus::fail(DbError::BadExpression,
                              "tag name \"" + def.name + "\" must have 1 to 10 characters");
    Tag t;
    t.def = def;
    if (auto st = t.expr.compile(def.expression, header_); !st) return st;
    tags_.push_back(std::move(t));
    return {};
}

int Table::tagIndex(std::string_view name) const {
    for (std::size_t i = 0; i < tags_.size(); ++i)
        if (sameName(tags_[i].def.name, name)) return static_cast<int>(i);
    return -1;
}

std::vector<TagDef> Table::tags() const {
    std::vector<TagDef> out;
    for (const Tag& t : tags_)
        out.push_back(t.def);
    return out;
}

void Table::computeKeys(Tag& t, std::uint32_t from) const {
    const std::size_t len = static_cast<std::size_t>(t.expr.length());
    t.keys.resize(std::size_t(rowCount_) * len);
    for (std::uint32_t r = from; r < rowCount_; ++r)
        t.expr.evaluate(row(r), t.keys.data() + r * len);
}

void Table::sortOrder(Tag& t) {
    const std::size_t len = static_cast<std::size_t>(t.expr.length());
    const std::uint32_t n = static_cast<std::uint32_t>(t.keys.size() / len);
    t.order.resize(n);
    for (std::uint32_t i = 0; i < n; ++i)
        t.order[i] = i;
    std::sort(t.order.begin(), t.order.end(), [&](std::uint32_t a, std::uint32_t b) {
        const int c = std::memcmp(t.key(a), t.key(b), len);
        return c < 0 || (c == 0 && a < b);
    });
}

std::vector<std::uint32_t> Table::expectedEntries(const Tag& t) const {
    if (!t.def.unique) return t.order;
    std::vector<std::uint32_t> out;
    const std::size_t len = static_cast<std::size_t>(t.expr.length());
    for (std::uint32_t r : t.order)
        if (out.empty() || std::memcmp(t.key(out.back()), t.key(r), len) != 0) out.push_back(r);
    return out;
}

// Takes the index's own order when it holds exactly the rows' keys in ascending order, which
// saves sorting a large table on every open.
bool Table::storedOrderMatches(Tag& t, const CdxTag& stored) {
    const std::size_t len = static_cast<std::size_t>(t.expr.length());
    if (static_cast<std::size_t>(stored.keyLength) != len) return false;
    // The stored flags are part of what the index says: other flags, other entries and order.
    if (stored.unique() != t.def.unique || stored.descending) return false;
    if (t.def.unique) {
        sortOrder(t);
        const auto want = expectedEntries(t);
        if (want.size() != stored.size()) return false;
        for (std::size_t i = 0; i < want.size(); ++i)
            if (stored.recnos[i] != want[i] + 1 ||
                std::memcmp(&stored.keys[i * len], t.key(want[i]), len) != 0)
                return false;
        return true;
    }
    if (stored.size() != rowCount_) return false;
    std::vector<bool> seen(rowCount_, false);
    for (std::size_t i = 0; i < stored.size(); ++i) {
        const std::uint32_t r = stored.recnos[i];
        if (r < 1 || r > rowCount_ || seen[r - 1]) return false;
        seen[r - 1] = true;
        if (std::memcmp(&stored.keys[i * len], t.key(r - 1), len) != 0) return false;
        if (i > 0) {
            const int c = std::memcmp(&stored.keys[(i - 1) * len], &stored.keys[i * len], len);
            if (c > 0 || (c == 0 && stored.recnos[i - 1] > r)) return false;
        }
    }
    t.order.resize(rowCount_);
    for (std::size_t i = 0; i < stored.size(); ++i)
        t.order[i] = stored.recnos[i] - 1;
    return true;
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
    std::vector<std::uint8_t> tmp;
    for (Tag& t : tags_) {
        const std::size_t len = static_cast<std::size_t>(t.expr.length());
        const std::size_t known = t.order.size();
        t.keys.resize(std::size_t(rowCount_) * len);
        tmp.resize(len);
        std::vector<std::uint32_t> moved;
        for (std::uint32_t r : changed_) {
            if (r >= rowCount_) continue;
            t.expr.evaluate(row(r), tmp.data());
            if (r < known && std::memcmp(tmp.data(), t.key(r), len) == 0) continue;
            // The index holds the stored row under the key it had: noted for the next flush.
            if (r < known && r < diskRows_) {
                t.editedRows.push_back(r);
                t.editedKeys.insert(t.editedKeys.end(), t.key(r), t.key(r) + len);
            }
            std::memcpy(t.keys.data() + r * len, tmp.data(), len);
            moved.push_back(r);
        }
        if (moved.empty()) continue;
        const auto less = [&](std::uint32_t a, std::uint32_t b) {
            const int c = std::memcmp(t.key(a), t.key(b), len);
            return c < 0 || (c == 0 && a < b);
        };
        std::vector<bool> out;
        bool anyKnown = false;
        for (std::uint32_t r : moved)
            if (r < known) {
                if (out.empty()) out.assign(rowCount_, false);
                out[r] = anyKnown = true;
            }
        if (anyKnown) {
            std::size_t k = 0;
            for (std::uint32_t r : t.order)
                if (!out[r]) t.order[k++] = r;
            t.order.resize(k);
        }
        std::sort(moved.begin(), moved.end(), less);
        const std::size_t mid = t.order.size();
        t.order.insert(t.order.end(), moved.begin(), moved.end());
        // Rows appended in key order after every other (a journal's newer rows) stay where they are.
        if (mid > 0 && less(t.order[mid], t.order[mid - 1]))
            std::inplace_merge(t.order.begin(), t.order.begin() + static_cast<std::ptrdiff_t>(mid),
                               t.order.end(), less);
    }
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
        const Tag& t = tags_[static_cast<std::size_t>(current_)];
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
        idx = tagIndex(name);
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
    return current_ < 0 ? std::string() : tags_[std::size_t(current_)].def.name;
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
    return fieldString(header_, field, r);
}

double Table::getNumber(int field) const {
    const std::uint8_t* r = currentRow();
    if (!r || field < 0 || std::size_t(field) >= header_.fields.size()) return 0;
    return fieldNumber(header_, field, r);
}

Date Table::getDate(int field) const {
    const std::uint8_t* r = currentRow();
    if (!r || field < 0 || std::size_t(field) >= header_.fields.size()) return {};
    return fieldDate(header_, field, r);
}

bool Table::getLogical(int field) const {
    const std::uint8_t* r = currentRow();
    if (!r || field < 0 || std::size_t(field) >= header_.fields.size()) return false;
    return fieldLogical(header_, field, r);
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
    for (const Tag& t : tags_) {
        const auto& used = t.expr.fieldsUsed();
        if (std::find(used.begin(), used.end(), field) != used.end()) {
            markChanged(r);
            break;
        }
    }
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
    bool keyed = false;
    for (const Tag& t : tags_) {
        const auto& used = t.expr.fieldsUsed();
        keyed = keyed || std::find(used.begin(), used.end(), field) != used.end();
    }
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

DbStatus Table::empty() {
    if (!isOpen()) return DbStatus::fail(DbError::NotOpen, "table not open");
    if (readOnly_) return DbStatus::fail(DbError::ReadOnly, path_ + " is open read-only");
    rows_.clear();
    rowCount_ = 0;
    rewriteFrom_ = 0;
    for (Tag& t : tags_)
        t.keys.clear(), t.order.clear();
    changed_.clear();
    viewValid_ = false;
    pos_ = 0;
    follow_ = 0;
    dirty_ = true;
    return flush();
}

DbStatus Table::pack() {
    if (!isOpen()) return DbStatus::fail(DbError::NotOpen, "table not open");
    if (readOnly_) return DbStatus::fail(DbError::ReadOnly, path_ + " is open read-only");
    std::vector<std::uint8_t> kept;
    kept.reserve(rows_.size());
    std::uint32_t n = 0, firstGone = rowCount_;
    for (std::uint32_t r = 0; r < rowCount_; ++r)
        if (row(r)[0] != kRowDeleted)
            kept.insert(kept.end(), row(r), row(r) + header_.recordLength), ++n;
        else
            firstGone = std::min(firstGone, r);
    if (n != rowCount_) {
        rewriteFrom_ = std::min(rewriteFrom_, firstGone); // rows after the first gone one move
        rows_ = std::move(kept);
        rowCount_ = n;
        dirty_ = true;
    }
    changed_.clear();
    for (Tag& t : tags_)
        computeKeys(t, 0), sortOrder(t);
    viewValid_ = false;
    pos_ = 0;
    follow_ = 0;
    return flush();
}

// The source's live rows, in its current order, in this table's row format.
DbStatus Table::sourceRows(const Table& o, std::vector<std::uint8_t>& out) const {
    RowRecoder recoder;
    if (auto st = recoder.prepare(header_, path_, o.header_, o.path_); !st) return st;
    const std::size_t rl = header_.recordLength;
    out.assign(o.view_.size() * rl, ' ');
    for (std::size_t k = 0; k < o.view_.size(); ++k)
        if (auto st = recoder.recode(o.row(o.view_[k]), out.data() + k * rl); !st) return st;
    return {};
}

long Table::findKey(const Tag& t, const std::uint8_t* key) const {
    const std::size_t len = static_cast<std::size_t>(t.expr.length());
    auto it =
        std::lower_bound(t.order.begin(), t.order.end(), key, [&](std::uint32_t r, const std::uint8_t* k) {
            return std::memcmp(t.key(r), k, len) < 0;
        });
    for (; it != t.order.end() && std::memcmp(t.key(*it), key, len) == 0; ++it)
        if (row(*it)[0] != kRowDeleted) return static_cast<long>(*it);
    return -1;
}

DbStatus Table::mergeFrom(Table& src) {
    if (!isOpen() || !src.isOpen()) return DbStatus::fail(DbError::NotOpen, "table not open");
    if (readOnly_) return DbStatus::fail(DbError::ReadOnly, path_ + " is open read-only");
    if (current_ < 0) return DbStatus::fail(DbError::NoSuchTag, "merge needs a current tag on " + path_);
    settleOrders();
    src.settle();
    std::vector<std::uint8_t> incoming;
    if (auto st = sourceRows(src, incoming); !st) return st;
    return mergeBytes(incoming, nullptr);
}

DbStatus Table::mergeRows(const std::vector<std::vector<FieldValue>>& rows,
                          std::vector<std::uint32_t>* written) {
    if (!isOpen()) return DbStatus::fail(DbError::NotOpen, "table not open");
    if (readOnly_) return DbStatus::fail(DbError::ReadOnly, path_ + " is open read-only");
    if (current_ < 0) return DbStatus::fail(DbError::NoSuchTag, "merge needs a current tag on " + path_);
    std::vector<std::uint8_t> incoming, bytes;
    incoming.reserve(rows.size() * header_.recordLength);
    for (const auto& values : rows) {
        if (auto st = encodeRow(header_, values, bytes); !st) return st;
        incoming.insert(incoming.end(), bytes.begin(), bytes.end());
    }
    settleOrders();
    return mergeBytes(incoming, written);
}

DbStatus Table::deleteRowsByKey(const std::vector<std::vector<FieldValue>>& rows) {
    if (!isOpen()) return DbStatus::fail(DbError::NotOpen, "table not open");
    if (readOnly_) return DbStatus::fail(DbError::ReadOnly, path_ + " is open read-only");
    if (current_ < 0)
        return DbStatus::fail(DbError::NoSuchTag, "delete by key needs a current tag on " + path_);
    std::vector<std::uint8_t> incoming, bytes;
    for (const auto& values : rows) {
        if (auto st = encodeRow(header_, values, bytes); !st) return st;
        incoming.insert(incoming.end(), bytes.begin(), bytes.end());
    }
    settleOrders();
    return deleteBytes(incoming);
}

DbStatus Table::mergeBytes(const std::vector<std::uint8_t>& incoming, std::vector<std::uint32_t>* written) {
    const Tag& t = tags_[static_cast<std::size_t>(current_)];
    const std::size_t len = static_cast<std::size_t>(t.expr.length());
    const std::size_t rl = header_.recordLength;
    std::unordered_map<std::string, std::uint32_t> appended;
    std::string key(len, '\0');
    auto* k = reinterpret_cast<std::uint8_t*>(key.data());
    if (written) written->clear();
    for (std::size_t at = 0; at < incoming.size(); at += rl) {
        const std::uint8_t* s = incoming.data() + at;
        t.expr.evaluate(s, k);
        long d = findKey(t, k);
        if (d < 0)
            if (const auto it = appended.find(key); it != appended.end()) d = it->second;
        if (d >= 0) {
            if (std::memcmp(row(static_cast<std::uint32_t>(d)) + 1, s + 1, rl - 1) != 0) {
                std::memcpy(row(static_cast<std::uint32_t>(d)) + 1, s + 1, rl - 1);
                markChanged(static_cast<std::uint32_t>(d));
                noteRowChanged(static_cast<std::uint32_t>(d));
            }
            if (written) written->push_back(static_cast<std::uint32_t>(d) + 1);
        } else {
            rows_.insert(rows_.end(), s, s + rl);
            rows_[rows_.size() - rl] = kRowLive;
            appended.emplace(key, rowCount_);
            markChanged(rowCount_++);
            if (written) written->push_back(rowCount_);
            dirty_ = true;
        }
    }
    return flush();
}

DbStatus Table::deleteByKey(Table& src) {
    if (!isOpen() || !src.isOpen()) return DbStatus::fail(DbError::NotOpen, "table not open");
    if (readOnly_) return DbStatus::fail(DbError::ReadOnly, path_ + " is open read-only");
    if (current_ < 0)
        return DbStatus::fail(DbError::NoSuchTag, "delete by key needs a current tag on " + path_);
    settleOrders();
    src.settle();
    std::vector<std::uint8_t> incoming;
    if (auto st = sourceRows(src, incoming); !st) return st;
    return deleteBytes(incoming);
}

DbStatus Table::deleteBytes(const std::vector<std::uint8_t>& incoming) {
    const Tag& t = tags_[static_cast<std::size_t>(current_)];
    const std::size_t len = static_cast<std::size_t>(t.expr.length());
    std::vector<std::uint8_t> k(len);
    for (std::size_t at = 0; at < incoming.size(); at += header_.recordLength) {
        t.expr.evaluate(incoming.data() + at, k.data());
        auto it = std::lower_bound(
            t.order.begin(), t.order.end(), k.data(),
            [&](std::uint32_t r, const std::uint8_t* key) { return std::memcmp(t.key(r), key, len) < 0; });
        for (; it != t.order.end() && std::memcmp(t.key(*it), k.data(), len) == 0; ++it) {
            if (row(*it)[0] == kRowDeleted) continue;
            row(*it)[0] = kRowDeleted;
            noteRowChanged(*it);
        }
    }
    invalidate();
    return flush();
}

// ---- storing ----------------------------------------------------------------------------------

DbStatus Table::buildIndex(std::vector<std::uint8_t>& bytes) const {
    std::vector<std::vector<std::uint32_t>> entries;
    std::vector<CdxTagSource> sources;
    entries.reserve(tags_.size());
    for (const Tag& t : tags_) {
        entries.push_back(expectedEntries(t));
        const auto& e = entries.back();
        sources.push_back({t.def.name, t.def.expression, t.def.unique, t.expr.length(), t.expr.padByte(),
                           e.size(), [&t, &e](std::size_t i) { return t.key(e[i]); },
                           [&e](std::size_t i) { return e[i] + 1; }});
    }
    return buildCdx(sources, bytes);
}

DbStatus Table::writeIndex() {
    if (tags_.empty()) return {};
    std::vector<std::uint8_t> bytes;
    if (auto st = buildIndex(bytes); !st) return st;
    if (auto st = replaceFile(cdxPath_, {bytes}); !st) return st;
    cdxImage_ = std::move(bytes);
    cdxEditor_.reset();
    clearIndexEdits();
    for (Tag& t : tags_)
        t.header = 0;
    return {};
}

void Table::clearIndexEdits() {
    for (Tag& t : tags_) {
        t.editedRows.clear();
        t.editedKeys.clear();
    }
    for (std::uint32_t at : cdxTouched_)
        cdxTouchedFlag_[at / kCdxBlock] = 0;
    cdxTouched_.clear();
    cdxSavedAt_.clear();
    cdxSavedBytes_.clear();
}

void Table::undoIndexEdits() {
    for (std::size_t i = 0; i < cdxSavedAt_.size(); ++i)
        std::memcpy(&cdxImage_[cdxSavedAt_[i]], &cdxSavedBytes_[i * kCdxBlock], kCdxBlock);
    cdxImage_.resize(static_cast<std::size_t>(cdxEditedFrom_));
    cdxEditor_.reset(); // its free blocks were those of the edited image
    clearIndexEdits();
}

// The entries each tag's index must lose and gain since the last flush: rows appended since are
// inserted; a stored row whose key changed leaves its old place for its new one. In a unique tag
// only the first row of each key is indexed, so for every key touched the entry the index holds
// is compared with the one it should hold.
DbStatus Table::editIndex() {
    cdxEditedFrom_ = cdxImage_.size();
    const CdxEditor::BeforeChange before = [this](std::uint32_t at) {
        const std::size_t b = at / kCdxBlock;
        if (b >= cdxTouchedFlag_.size()) cdxTouchedFlag_.resize(b + 1 + b / 4, 0);
        if (cdxTouchedFlag_[b]) return;
        cdxTouchedFlag_[b] = 1;
        cdxTouched_.push_back(at);
        if (at + kCdxBlock <= cdxEditedFrom_) {
            cdxSavedAt_.push_back(at);
            cdxSavedBytes_.insert(cdxSavedBytes_.end(), &cdxImage_[at], &cdxImage_[at] + kCdxBlock);
        }
    };
    if (std::any_of(tags_.begin(), tags_.end(), [](const Tag& t) { return t.header == 0; })) {
        std::vector<std::pair<std::string, std::uint32_t>> stored;
        if (auto st = cdxEditor_.tagHeaders(cdxImage_, stored); !st) return st;
        for (Tag& t : tags_) {
            const auto it = std::find_if(stored.begin(), stored.end(),
                                         [&](const auto& h) { return sameName(h.first, t.def.name); });
            if (it == stored.end())
                return DbStatus::fail(DbError::BadIndex, "tag " + t.def.name + " not in the index");
            t.header = it->second;
        }
    }
    std::vector<CdxEntry> removals, inserts;
    std::vector<std::size_t> firsts;
    for (Tag& t : tags_) {
        const std::size_t len = static_cast<std::size_t>(t.expr.length());
        const std::uint8_t pad = t.expr.padByte();
        removals.clear();
        inserts.clear();
        // The first note of each row holds the key the index has for it.
        firsts.resize(t.editedRows.size());
        for (std::size_t i = 0; i < firsts.size(); ++i)
            firsts[i] = i;
        std::stable_sort(firsts.begin(), firsts.end(),
                         [&](std::size_t a, std::size_t b) { return t.editedRows[a] < t.editedRows[b]; });
        std::size_t kept = 0;
        for (std::size_t i = 0; i < firsts.size(); ++i)
            if (i == 0 || t.editedRows[firsts[i]] != t.editedRows[firsts[i - 1]]) firsts[kept++] = firsts[i];
        firsts.resize(kept);
        const auto less = [&](const CdxEntry& a, const CdxEntry& b) {
            const int c = std::memcmp(a.key, b.key, len);
            return c < 0 || (c == 0 && a.recno < b.recno);
        };
        if (!t.def.unique) {
            for (std::size_t i : firsts) {
                const std::uint32_t r = t.editedRows[i];
                const std::uint8_t* old = &t.editedKeys[i * len];
                if (std::memcmp(old, t.key(r), len) == 0) continue;
                removals.push_back({old, r + 1});
                inserts.push_back({t.key(r), r + 1});
            }
            for (std::uint32_t r = diskRows_; r < rowCount_; ++r)
                inserts.push_back({t.key(r), r + 1});
        } else {
            std::vector<const std::uint8_t*> keys;
            for (std::size_t i : firsts) {
                keys.push_back(&t.editedKeys[i * len]);
                keys.push_back(t.key(t.editedRows[i]));
            }
            for (std::uint32_t r = diskRows_; r < rowCount_; ++r)
                keys.push_back(t.key(r));
            const auto keyLess = [&](const std::uint8_t* a, const std::uint8_t* b) {
                return std::memcmp(a, b, len) < 0;
            };
            std::sort(keys.begin(), keys.end(), keyLess);
            keys.erase(std::unique(keys.begin(), keys.end(),
                                   [&](const std::uint8_t* a, const std::uint8_t* b) {
                                       return std::memcmp(a, b, len) == 0;
                                   }),
                       keys.end());
            for (const std::uint8_t* k : keys) {
                const auto it = std::lower_bound(t.order.begin(), t.order.end(), k,
                                                 [&](std::uint32_t r, const std::uint8_t* key) {
                                                     return std::memcmp(t.key(r), key, len) < 0;
                                                 });
                const std::uint32_t want =
                    it != t.order.end() && std::memcmp(t.key(*it), k, len) == 0 ? *it + 1 : 0;
                const std::uint32_t have = cdxEditor_.find(cdxImage_, t.header, pad, k);
                if (want == have) continue;
                if (have) removals.push_back({k, have});
                if (want) inserts.push_back({k, want});
            }
        }
        std::sort(removals.begin(), removals.end(), less);
        std::sort(inserts.begin(), inserts.end(), less);
        if (auto st = cdxEditor_.apply(cdxImage_, t.header, pad, removals, inserts, before); !st) return st;
    }
    return {};
}

// A change is stored in place, costing what it changes: the parts of the table and index files
// about to be overwritten are first saved in a rollback journal beside the table, which is synced
// before either file is touched and cleared once both are synced. A crash in between leaves the
// journal, and the next open puts the saved bytes back (rollBack), so the files are always the old
// or the new table whole.
DbStatus Table::flush() {
    if (!isOpen()) return DbStatus::fail(DbError::NotOpen, "table not open");
    if (readOnly_ || (!dirty_ && !indexDirty_)) return {};
    settleOrders();
    const std::size_t rl = header_.recordLength;
    const std::uint64_t base = header_.headerLength;
    std::vector<StoredSpan> dbf, cdx, cdxOld;
    std::vector<std::uint8_t> tail;
    if (dirty_) {
        header_.recordCount = rowCount_;
        // The structural-index flag says whether an index goes with the table.
        header_.raw[28] =
            tags_.empty() ? header_.raw[28] & ~kFlagStructuralCdx : header_.raw[28] | kFlagStructuralCdx;
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
    // The index: the changed keys put into its blocks in place; written anew when the rows moved
    // (pack, empty), a tag was redefined, or the edit finds the image not as expected.
    const std::uint64_t cdxOldSize = cdxImage_.size();
    std::uint64_t cdxNewSize = cdxOldSize;
    bool edited = false;
    if (!tags_.empty()) {
        const bool whole =
            indexDirty_ || rewriteFrom_ != std::numeric_limits<std::uint32_t>::max() || cdxImage_.empty();
        if (!whole) {
            edited = editIndex().ok();
            if (!edited) undoIndexEdits();
        }
        if (edited) {
            std::sort(cdxTouched_.begin(), cdxTouched_.end());
            for (std::size_t i = 0; i < cdxTouched_.size();) {
                std::size_t j = i + 1;
                while (j < cdxTouched_.size() && cdxTouched_[j] == cdxTouched_[j - 1] + kCdxBlock)
                    ++j;
                cdx.push_back({cdxTouched_[i], &cdxImage_[cdxTouched_[i]], (j - i) * kCdxBlock});
                i = j;
            }
            for (std::size_t i = 0; i < cdxSavedAt_.size(); ++i)
                cdxOld.push_back({cdxSavedAt_[i], &cdxSavedBytes_[i * kCdxBlock], kCdxBlock});
            cdxNewSize = cdxImage_.size();
        } else {
            // The new index is built into the buffer of the one before last: fresh memory of a
            // large index costs more to touch than the index costs to build.
            std::vector<std::uint8_t>& index = indexSpare_;
            if (auto st = buildIndex(index); !st) return st;
            // Only the blocks that differ from the file's are written.
            for (std::size_t at = 0; at < index.size(); at += kCdxBlock) {
                std::size_t end = at;
                while (end < index.size() && (end + kCdxBlock > cdxOldSize ||
                                              std::memcmp(&index[end], &cdxImage_[end], kCdxBlock) != 0))
                    end += kCdxBlock;
                if (end > at) cdx.push_back({at, &index[at], end - at});
                at = end;
            }
            for (const StoredSpan& s : cdx)
                if (s.at < cdxOldSize) cdxOld.push_back({s.at, &cdxImage_[s.at], s.n});
            if (index.size() < cdxOldSize)
                cdxOld.push_back({index.size(), &cdxImage_[index.size()], cdxOldSize - index.size()});
            cdxNewSize = index.size();
        }
    }
    const std::uint64_t dbfNew = dirty_ ? base + std::uint64_t(rowCount_) * rl + 1 : diskSize_;
    // An edit grows the image in place: the journal records the grown size, whose new blocks
    // nothing refers to yet.
    const TableFiles files{fd_, path_, cdxPath_, diskSize_, cdxImage_.size(), !tags_.empty()};
    if (auto st = journal_.store(files, {std::move(dbf), dbfNew, std::move(cdx), cdxNewSize, std::move(cdxOld)});
        !st) {
        if (edited) {
            undoIndexEdits();
            indexDirty_ = true; // the notes of the changes are gone: the next flush writes it anew
        }
        return st;
    }
    if (edited) {
        clearIndexEdits();
    } else if (!tags_.empty()) {
        std::swap(cdxImage_, indexSpare_);
        cdxEditor_.reset();
        clearIndexEdits();
        for (Tag& t : tags_)
            t.header = 0;
    }
    diskRows_ = rowCount_;
    diskSize_ = dbfNew;
    rewriteFrom_ = std::numeric_limits<std::uint32_t>::max();
    touchedRows_.clear();
    dirty_ = indexDirty_ = false;
    return {};
}

DbStatus Table::redefineTag(const TagDef& def) {
    if (!isOpen()) return DbStatus::fail(DbError::NotOpen, "table not open");
    if (readOnly_) return DbStatus::fail(DbError::ReadOnly, path_ + " is open read-only");
    settleOrders();
    Tag t;
    t.def = def;
    if (auto st = t.expr.compile(def.expression, header_); !st) return st;
    computeKeys(t, 0);
    sortOrder(t);
    const int idx = tagIndex(def.name);
    if (idx >= 0)
        tags_[static_cast<std::size_t>(idx)] = std::move(t);
    else
        tags_.push_back(std::move(t));
    invalidate();
    indexDirty_ = true;
    return flush();
}

DbStatus Table::rebuildIndex() {
    if (!isOpen()) return DbStatus::fail(DbError::NotOpen, "table not open");
    if (readOnly_) return DbStatus::fail(DbError::ReadOnly, path_ + " is open read-only");
    settleOrders();
    for (Tag& t : tags_)
        computeKeys(t, 0), sortOrder(t);
    invalidate();
    indexDirty_ = true;
    return flush();
}

} // namespace vorsan::db
