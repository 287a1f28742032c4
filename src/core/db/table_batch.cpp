// The batch operations of a table: emptying and packing it, and moving many rows at once by the
// key of its current tag (merging rows in, deleting the rows a source names).
#include "db/table.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <unordered_map>

namespace vorsan::db {

DbStatus Table::empty() {
    if (!isOpen()) return DbStatus::fail(DbError::NotOpen, "table not open");
    if (readOnly_) return DbStatus::fail(DbError::ReadOnly, path_ + " is open read-only");
    rows_.clear();
    rowCount_ = 0;
    rewriteFrom_ = 0;
    index_.clearKeys();
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
    index_.rekey(rowsView());
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

long Table::findKey(const IndexTag& t, const std::uint8_t* key) const {
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
    const IndexTag& t = index_.tags()[static_cast<std::size_t>(current_)];
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
    const IndexTag& t = index_.tags()[static_cast<std::size_t>(current_)];
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

} // namespace vorsan::db
