#include "db/table_index.h"

#include "db/file_io.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace vorsan::db {

// ---- tags -------------------------------------------------------------------------------------

DbStatus TableIndex::add(const TagDef& def, const DbfHeader& header) {
    if (def.name.empty() || def.name.size() > 10)
        return DbStatus::fail(DbError::BadExpression,
                              "tag name \"" + def.name + "\" must have 1 to 10 characters");
    IndexTag t;
    t.def = def;
    if (auto st = t.expr.compile(def.expression, header); !st) return st;
    tags_.push_back(std::move(t));
    return {};
}

DbStatus TableIndex::redefine(const TagDef& def, const DbfHeader& header, TableRows rows) {
    IndexTag t;
    t.def = def;
    if (auto st = t.expr.compile(def.expression, header); !st) return st;
    computeKeys(t, rows);
    sortOrder(t);
    const int idx = find(def.name);
    if (idx >= 0)
        tags_[static_cast<std::size_t>(idx)] = std::move(t);
    else
        tags_.push_back(std::move(t));
    return {};
}

int TableIndex::find(std::string_view name) const {
    for (std::size_t i = 0; i < tags_.size(); ++i)
        if (sameName(tags_[i].def.name, name)) return static_cast<int>(i);
    return -1;
}

std::vector<TagDef> TableIndex::definitions() const {
    std::vector<TagDef> out;
    for (const IndexTag& t : tags_)
        out.push_back(t.def);
    return out;
}

bool TableIndex::usesField(int field) const {
    for (const IndexTag& t : tags_) {
        const auto& used = t.expr.fieldsUsed();
        if (std::find(used.begin(), used.end(), field) != used.end()) return true;
    }
    return false;
}

void TableIndex::clear() {
    tags_.clear();
    image_.clear();
    spare_.clear();
    editor_.reset();
    editedFrom_ = 0;
    touched_.clear();
    touchedFlag_.clear();
    savedAt_.clear();
    savedBytes_.clear();
}

// ---- keys and orders --------------------------------------------------------------------------

void TableIndex::computeKeys(IndexTag& t, TableRows rows) {
    const std::size_t len = static_cast<std::size_t>(t.expr.length());
    t.keys.resize(std::size_t(rows.count) * len);
    for (std::uint32_t r = 0; r < rows.count; ++r)
        t.expr.evaluate(rows.row(r), t.keys.data() + r * len);
}

void TableIndex::sortOrder(IndexTag& t) {
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

void TableIndex::rekey(TableRows rows) {
    for (IndexTag& t : tags_)
        computeKeys(t, rows), sortOrder(t);
}

void TableIndex::clearKeys() {
    for (IndexTag& t : tags_)
        t.keys.clear(), t.order.clear();
}

std::vector<std::uint32_t> TableIndex::expectedEntries(const IndexTag& t) {
    if (!t.def.unique) return t.order;
    std::vector<std::uint32_t> out;
    const std::size_t len = static_cast<std::size_t>(t.expr.length());
    for (std::uint32_t r : t.order)
        if (out.empty() || std::memcmp(t.key(out.back()), t.key(r), len) != 0) out.push_back(r);
    return out;
}

// Takes the index's own order when it holds exactly the rows' keys in ascending order, which
// saves sorting a large table on every open.
bool TableIndex::storedOrderMatches(IndexTag& t, const CdxTag& stored, std::uint32_t rowCount) {
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
    if (stored.size() != rowCount) return false;
    std::vector<bool> seen(rowCount, false);
    for (std::size_t i = 0; i < stored.size(); ++i) {
        const std::uint32_t r = stored.recnos[i];
        if (r < 1 || r > rowCount || seen[r - 1]) return false;
        seen[r - 1] = true;
        if (std::memcmp(&stored.keys[i * len], t.key(r - 1), len) != 0) return false;
        if (i > 0) {
            const int c = std::memcmp(&stored.keys[(i - 1) * len], &stored.keys[i * len], len);
            if (c > 0 || (c == 0 && stored.recnos[i - 1] > r)) return false;
        }
    }
    t.order.resize(rowCount);
    for (std::size_t i = 0; i < stored.size(); ++i)
        t.order[i] = stored.recnos[i] - 1;
    return true;
}

void TableIndex::settle(const std::vector<std::uint32_t>& changed, TableRows rows, std::uint32_t diskRows) {
    std::vector<std::uint8_t> tmp;
    for (IndexTag& t : tags_)
        settleTag(t, changed, rows, diskRows, tmp);
}

// The changed rows get their keys recomputed; those whose key moved leave the order and are
// merged back in at their new place.
void TableIndex::settleTag(IndexTag& t, const std::vector<std::uint32_t>& changed, TableRows rows,
                           std::uint32_t diskRows, std::vector<std::uint8_t>& tmp) {
    const std::size_t len = static_cast<std::size_t>(t.expr.length());
    const std::size_t known = t.order.size();
    t.keys.resize(std::size_t(rows.count) * len);
    tmp.resize(len);
    std::vector<std::uint32_t> moved;
    for (std::uint32_t r : changed) {
        if (r >= rows.count) continue;
        t.expr.evaluate(rows.row(r), tmp.data());
        if (r < known && std::memcmp(tmp.data(), t.key(r), len) == 0) continue;
        // The index holds the stored row under the key it had: noted for the next flush.
        if (r < known && r < diskRows) {
            t.editedRows.push_back(r);
            t.editedKeys.insert(t.editedKeys.end(), t.key(r), t.key(r) + len);
        }
        std::memcpy(t.keys.data() + r * len, tmp.data(), len);
        moved.push_back(r);
    }
    if (moved.empty()) return;
    const auto less = [&](std::uint32_t a, std::uint32_t b) {
        const int c = std::memcmp(t.key(a), t.key(b), len);
        return c < 0 || (c == 0 && a < b);
    };
    std::vector<bool> out;
    bool anyKnown = false;
    for (std::uint32_t r : moved)
        if (r < known) {
            if (out.empty()) out.assign(rows.count, false);
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
        std::inplace_merge(t.order.begin(), t.order.begin() + static_cast<std::ptrdiff_t>(mid), t.order.end(),
                           less);
}

// ---- opening ----------------------------------------------------------------------------------

// Reads the index file into the image and its tags with their entries; false when it cannot.
bool TableIndex::readStored(const IndexOpening& o, std::vector<CdxTag>& stored,
                            std::vector<std::string>& problems) {
    if (!fileExists(o.cdxPath)) {
        if ((o.header.tableFlags & kFlagStructuralCdx) || !o.expectedTags.empty())
            problems.push_back("index file " + fileNameOf(o.cdxPath) + " missing");
        return false;
    }
    DbStatus s = readWholeFile(o.cdxPath, image_);
    if (s) {
        const auto padFor = [&](const CdxTag& t) {
            KeyExpression e;
            return e.compile(t.expression, o.header) ? e.padByte() : std::uint8_t(0x20);
        };
        s = readCdx(image_, padFor, stored);
    }
    if (!s) problems.push_back("index file damaged: " + s.detail);
    return s.ok();
}

// The stored tags taken as tags of the table.
DbStatus TableIndex::adoptStored(const IndexOpening& o, const std::vector<CdxTag>& stored,
                                 std::vector<std::string>& problems) {
    const auto& expected = o.expectedTags;
    for (const CdxTag& t : stored) {
        // A tag the caller defines keeps the caller's flags: a stored tag that is unique (or
        // descending) where the definition is not would hide rows or turn the order round.
        const auto def = std::find_if(expected.begin(), expected.end(),
                                      [&](const TagDef& e) { return sameName(e.name, t.name); });
        bool unique = t.unique();
        if (def != expected.end() && (def->unique != t.unique() || t.descending)) {
            const auto flags = [](bool u, bool d) {
                return std::string(u ? "unique" : "not unique") + (d ? ", descending" : "");
            };
            problems.push_back("tag " + t.name + ": flags in the index (" + flags(t.unique(), t.descending) +
                               ") differ from its definition (" + flags(def->unique, false) + ")");
            unique = def->unique;
        }
        DbStatus s =
            t.forExpression.empty()
                ? add({t.name, t.expression, unique}, o.header)
                : DbStatus::fail(DbError::BadExpression, "tag " + t.name + " has a FOR clause (" +
                                                             t.forExpression + "), which is not evaluated");
        if (!s) {
            // A tag the caller knows by name is rebuilt with the caller's expression instead.
            const bool known = def != expected.end();
            if (!o.readOnly && !known) return s;
            problems.push_back("tag " + t.name + (known ? " replaced: " : " skipped: ") + s.detail);
        }
    }
    return {};
}

DbStatus TableIndex::load(const IndexOpening& o, std::vector<std::string>& problems) {
    std::vector<CdxTag> stored;
    const bool cdxRead = readStored(o, stored, problems);
    if (auto s = adoptStored(o, stored, problems); !s) return s;
    for (const TagDef& e : o.expectedTags) {
        if (find(e.name) >= 0) continue;
        if (auto s = add(e, o.header); !s) return s;
        if (cdxRead) problems.push_back("tag " + e.name + " missing from the index");
    }
    for (IndexTag& t : tags_) {
        computeKeys(t, o.rows);
        const auto it = std::find_if(stored.begin(), stored.end(),
                                     [&](const CdxTag& c) { return sameName(c.name, t.def.name); });
        if (it == stored.end()) {
            sortOrder(t);
        } else if (!storedOrderMatches(t, *it, o.rows.count)) {
            sortOrder(t);
            problems.push_back("tag " + t.def.name + " does not agree with the rows");
        }
    }
    // An index that cannot be read and whose tags nobody can name cannot be rebuilt; changing the
    // table would leave it wrong for good.
    if (!o.readOnly && tags_.empty() && !cdxRead && fileExists(o.cdxPath))
        return DbStatus::fail(DbError::BadIndex, o.tablePath + ": " + problems.front() +
                                                     "; its tags are unknown, so it cannot be rebuilt");
    return {};
}

// ---- writing ----------------------------------------------------------------------------------

DbStatus TableIndex::build(std::vector<std::uint8_t>& bytes) const {
    std::vector<std::vector<std::uint32_t>> entries;
    std::vector<CdxTagSource> sources;
    entries.reserve(tags_.size());
    for (const IndexTag& t : tags_) {
        entries.push_back(expectedEntries(t));
        const auto& e = entries.back();
        sources.push_back({t.def.name, t.def.expression, t.def.unique, t.expr.length(), t.expr.padByte(),
                           e.size(), [&t, &e](std::size_t i) { return t.key(e[i]); },
                           [&e](std::size_t i) { return e[i] + 1; }});
    }
    return buildCdx(sources, bytes);
}

DbStatus TableIndex::write(const std::string& cdxPath) {
    if (tags_.empty()) return {};
    std::vector<std::uint8_t> bytes;
    if (auto st = build(bytes); !st) return st;
    if (auto st = replaceFile(cdxPath, {bytes}); !st) return st;
    image_ = std::move(bytes);
    forgetImage();
    return {};
}

void TableIndex::forgetImage() {
    editor_.reset();
    clearEdits();
    for (IndexTag& t : tags_)
        t.header = 0;
}

// ---- storing a change -------------------------------------------------------------------------

void TableIndex::clearEdits() {
    for (IndexTag& t : tags_) {
        t.editedRows.clear();
        t.editedKeys.clear();
    }
    for (std::uint32_t at : touched_)
        touchedFlag_[at / kCdxBlock] = 0;
    touched_.clear();
    savedAt_.clear();
    savedBytes_.clear();
}

void TableIndex::undoEdits() {
    for (std::size_t i = 0; i < savedAt_.size(); ++i)
        std::memcpy(&image_[savedAt_[i]], &savedBytes_[i * kCdxBlock], kCdxBlock);
    image_.resize(static_cast<std::size_t>(editedFrom_));
    editor_.reset(); // its free blocks were those of the edited image
    clearEdits();
}

DbStatus TableIndex::findHeaders() {
    if (std::none_of(tags_.begin(), tags_.end(), [](const IndexTag& t) { return t.header == 0; })) return {};
    std::vector<std::pair<std::string, std::uint32_t>> stored;
    if (auto st = editor_.tagHeaders(image_, stored); !st) return st;
    for (IndexTag& t : tags_) {
        const auto it = std::find_if(stored.begin(), stored.end(),
                                     [&](const auto& h) { return sameName(h.first, t.def.name); });
        if (it == stored.end())
            return DbStatus::fail(DbError::BadIndex, "tag " + t.def.name + " not in the index");
        t.header = it->second;
    }
    return {};
}

namespace {

// The first note of each edited row (the note holds the key the index has for the row), by row.
std::vector<std::size_t> firstNotes(const IndexTag& t) {
    std::vector<std::size_t> firsts(t.editedRows.size());
    for (std::size_t i = 0; i < firsts.size(); ++i)
        firsts[i] = i;
    std::stable_sort(firsts.begin(), firsts.end(),
                     [&](std::size_t a, std::size_t b) { return t.editedRows[a] < t.editedRows[b]; });
    std::size_t kept = 0;
    for (std::size_t i = 0; i < firsts.size(); ++i)
        if (i == 0 || t.editedRows[firsts[i]] != t.editedRows[firsts[i - 1]]) firsts[kept++] = firsts[i];
    firsts.resize(kept);
    return firsts;
}

} // namespace

// The entries the tag's index must lose and gain since the last flush: rows appended since are
// inserted; a stored row whose key changed leaves its old place for its new one. In a unique tag
// only the first row of each key is indexed, so for every key touched the entry the index holds
// is compared with the one it should hold.
DbStatus TableIndex::editTag(IndexTag& t, TableRows rows, std::uint32_t diskRows,
                             const CdxEditor::BeforeChange& before) {
    const std::size_t len = static_cast<std::size_t>(t.expr.length());
    const std::uint8_t pad = t.expr.padByte();
    std::vector<CdxEntry> removals, inserts;
    const std::vector<std::size_t> firsts = firstNotes(t);
    if (!t.def.unique) {
        for (std::size_t i : firsts) {
            const std::uint32_t r = t.editedRows[i];
            const std::uint8_t* old = &t.editedKeys[i * len];
            if (std::memcmp(old, t.key(r), len) == 0) continue;
            removals.push_back({old, r + 1});
            inserts.push_back({t.key(r), r + 1});
        }
        for (std::uint32_t r = diskRows; r < rows.count; ++r)
            inserts.push_back({t.key(r), r + 1});
    } else {
        std::vector<const std::uint8_t*> keys;
        for (std::size_t i : firsts) {
            keys.push_back(&t.editedKeys[i * len]);
            keys.push_back(t.key(t.editedRows[i]));
        }
        for (std::uint32_t r = diskRows; r < rows.count; ++r)
            keys.push_back(t.key(r));
        uniqueChanges(t, keys, removals, inserts);
    }
    const auto less = [&](const CdxEntry& a, const CdxEntry& b) {
        const int c = std::memcmp(a.key, b.key, len);
        return c < 0 || (c == 0 && a.recno < b.recno);
    };
    std::sort(removals.begin(), removals.end(), less);
    std::sort(inserts.begin(), inserts.end(), less);
    return editor_.apply(image_, t.header, pad, removals, inserts, before);
}

// For each key touched in a unique tag, the entry the index holds for it against the one it should
// hold: the first row of that key in the order.
void TableIndex::uniqueChanges(const IndexTag& t, std::vector<const std::uint8_t*>& keys,
                               std::vector<CdxEntry>& removals, std::vector<CdxEntry>& inserts) const {
    const std::size_t len = static_cast<std::size_t>(t.expr.length());
    const std::uint8_t pad = t.expr.padByte();
    const auto keyLess = [&](const std::uint8_t* a, const std::uint8_t* b) {
        return std::memcmp(a, b, len) < 0;
    };
    std::sort(keys.begin(), keys.end(), keyLess);
    keys.erase(std::unique(
                   keys.begin(), keys.end(),
                   [&](const std::uint8_t* a, const std::uint8_t* b) { return std::memcmp(a, b, len) == 0; }),
               keys.end());
    for (const std::uint8_t* k : keys) {
        const auto it = std::lower_bound(
            t.order.begin(), t.order.end(), k,
            [&](std::uint32_t r, const std::uint8_t* key) { return std::memcmp(t.key(r), key, len) < 0; });
        const std::uint32_t want = it != t.order.end() && std::memcmp(t.key(*it), k, len) == 0 ? *it + 1 : 0;
        const std::uint32_t have = editor_.find(image_, t.header, pad, k);
        if (want == have) continue;
        if (have) removals.push_back({k, have});
        if (want) inserts.push_back({k, want});
    }
}

DbStatus TableIndex::edit(TableRows rows, std::uint32_t diskRows) {
    editedFrom_ = image_.size();
    const CdxEditor::BeforeChange before = [this](std::uint32_t at) {
        const std::size_t b = at / kCdxBlock;
        if (b >= touchedFlag_.size()) touchedFlag_.resize(b + 1 + b / 4, 0);
        if (touchedFlag_[b]) return;
        touchedFlag_[b] = 1;
        touched_.push_back(at);
        if (at + kCdxBlock <= editedFrom_) {
            savedAt_.push_back(at);
            savedBytes_.insert(savedBytes_.end(), &image_[at], &image_[at] + kCdxBlock);
        }
    };
    if (auto st = findHeaders(); !st) return st;
    for (IndexTag& t : tags_)
        if (auto st = editTag(t, rows, diskRows, before); !st) return st;
    return {};
}

// The blocks the edit changed, in runs of adjacent ones, and their old bytes.
void TableIndex::editedSpans(TableChange& change) {
    std::sort(touched_.begin(), touched_.end());
    for (std::size_t i = 0; i < touched_.size();) {
        std::size_t j = i + 1;
        while (j < touched_.size() && touched_[j] == touched_[j - 1] + kCdxBlock)
            ++j;
        change.cdx.push_back({touched_[i], &image_[touched_[i]], (j - i) * kCdxBlock});
        i = j;
    }
    for (std::size_t i = 0; i < savedAt_.size(); ++i)
        change.cdxOld.push_back({savedAt_[i], &savedBytes_[i * kCdxBlock], kCdxBlock});
    change.cdxSize = image_.size();
}

// Of the index built anew in spare_, only the blocks that differ from the file's are written.
void TableIndex::rebuiltSpans(TableChange& change) {
    const std::vector<std::uint8_t>& index = spare_;
    const std::uint64_t oldSize = image_.size();
    for (std::size_t at = 0; at < index.size(); at += kCdxBlock) {
        std::size_t end = at;
        while (end < index.size() &&
               (end + kCdxBlock > oldSize || std::memcmp(&index[end], &image_[end], kCdxBlock) != 0))
            end += kCdxBlock;
        if (end > at) change.cdx.push_back({at, &index[at], end - at});
        at = end;
    }
    for (const StoredSpan& s : change.cdx)
        if (s.at < oldSize) change.cdxOld.push_back({s.at, &image_[s.at], s.n});
    if (index.size() < oldSize)
        change.cdxOld.push_back({index.size(), &image_[index.size()], oldSize - index.size()});
    change.cdxSize = index.size();
}

DbStatus TableIndex::prepareStore(bool whole, TableRows rows, std::uint32_t diskRows, TableChange& change,
                                  bool& edited) {
    edited = false;
    change.cdxSize = image_.size();
    if (tags_.empty()) return {};
    if (!whole && !image_.empty()) {
        edited = edit(rows, diskRows).ok();
        if (!edited) undoEdits();
    }
    if (edited) {
        editedSpans(change);
        return {};
    }
    // The new index is built into the buffer of the one before last: fresh memory of a large
    // index costs more to touch than the index costs to build.
    if (auto st = build(spare_); !st) return st;
    rebuiltSpans(change);
    return {};
}

void TableIndex::stored(bool edited) {
    if (edited) {
        clearEdits();
    } else if (!tags_.empty()) {
        std::swap(image_, spare_);
        forgetImage();
    }
}

void TableIndex::notStored(bool edited) {
    if (edited) undoEdits();
}

} // namespace vorsan::db
