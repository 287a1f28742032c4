#pragma once
// One open DBF table with its structural CDX index.
//
// The whole table lives in memory while open; navigation runs over an order built from the data
// for the chosen tag. Changes are applied in memory and stored by flush() in place: the rows that
// changed and the index blocks that hold their keys (entries inserted into and removed from the
// index's leaves), after the bytes about to be overwritten were saved in a rollback journal beside
// the table and synced, so a crash at any moment leaves the old or the new table whole. Pack and
// empty write the index anew. Batch operations (appendRows, empty, pack, mergeFrom, deleteByKey)
// flush when they end; single-row edits are stored by flush() or close().
//
// Open is exclusive: the DBF is locked with flock, and a second opener, in this process or any
// other, is refused with DbError::Locked.
//
// Table holds the rows and the record operations; it composes the coding of values into rows
// (row_coding.h), the tags' keys, orders and index image (table_index.h) and the rollback journal
// (rollback_journal.h). The batch operations are in table_batch.cpp.
#include "db/db_status.h"
#include "db/dbf_format.h"
#include "db/rollback_journal.h"
#include "db/row_coding.h"
#include "db/table_index.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorsan::db {

struct TableLayout {
    std::vector<FieldDef> fields;
    std::vector<TagDef> tags;
};

// Foreign: read-only, for a table that came from elsewhere (an archive, a well file): a rollback
// journal beside it is neither applied nor reported.
enum class OpenMode { Exclusive, ReadOnly, Foreign };

class Table {
public:
    Table() = default;
    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;
    Table(Table&& other) noexcept;
    Table& operator=(Table&& other) noexcept;

    // Creates an empty FoxPro 2.x table (version 0x03, code page Windows-1251) and its structural
    // index. Refuses to replace an existing table unless `replace`.
    static DbStatus create(const std::string& path, const TableLayout& layout, bool replace = false);

    // Opens a table. Tags come from its index file; `expectedTags` that the index lacks are added.
    // A missing, damaged or stale index is rebuilt from the rows (not in ReadOnly mode, where the
    // problem is only noted in indexProblems()).
    DbStatus open(const std::string& path, OpenMode mode = OpenMode::Exclusive,
                  const std::vector<TagDef>& expectedTags = {});
    DbStatus close(); // flushes, then releases the files
    DbStatus flush(); // stores pending changes (nothing to do when none)
    bool isOpen() const { return fd_ >= 0; }
    bool hasPendingChanges() const { return dirty_; }

    const std::string& path() const { return path_; }
    const std::string& indexPath() const { return cdxPath_; }
    const std::vector<FieldDef>& fields() const { return header_.fields; }
    int fieldIndex(std::string_view name) const; // -1 when none
    std::uint8_t version() const { return header_.version; }
    std::uint8_t codePage() const { return header_.codePage; }
    std::vector<TagDef> tags() const;
    // What open found wrong with the index file (empty when it matched the rows) and whether
    // the index was rewritten because of it.
    const std::vector<std::string>& indexProblems() const { return indexProblems_; }
    bool indexRebuilt() const { return indexRebuilt_; }

    // --- navigation in the current tag's order (natural order with no tag); deleted rows are
    // skipped, and a unique tag yields the first live row of each key.
    DbStatus setTag(std::string_view name); // "" selects the natural order
    std::string currentTag() const;
    void first();
    void next();
    void last();
    bool eof() const;
    std::size_t count() const;
    std::uint32_t recno() const; // 1-based row number of the current row, 0 at eof
    std::uint32_t physicalCount() const { return rowCount_; } // rows in the file, deleted too
    bool goToRecno(std::uint32_t recno);                      // positions on a live row in the current order

    // --- fields of the current row, addressed by position
    std::string getString(int field) const; // character field without trailing blanks
    double getNumber(int field) const;      // blanks or garbage read as 0
    Date getDate(int field) const;
    bool getLogical(int field) const;
    std::string displayText(int field) const;
    // The current row's bytes as stored (deletion flag first) and where each field starts in
    // them: for readers of many rows that decode the fields themselves. nullptr at eof.
    const std::uint8_t* currentRowBytes() const { return currentRow(); }
    std::size_t fieldOffset(int field) const { return header_.offsets[static_cast<std::size_t>(field)]; }
    bool isDeleted() const;

    DbStatus setField(int field, const FieldValue& value);
    // Sets one field of the rows with these 1-based record numbers; the cursor stays where it is.
    // Stored by the next flush.
    DbStatus setFieldOf(const std::vector<std::uint32_t>& recnos, int field, const FieldValue& value);
    DbStatus appendRow(const std::vector<FieldValue>& values);             // the new row becomes current
    DbStatus appendRows(const std::vector<std::vector<FieldValue>>& rows); // flushes
    // Sets one field of every live row to `value` (e.g. clearing a flag); only rows that change
    // are written. Stored by the next flush (so that it can go with a merge as one change).
    DbStatus fillField(int field, const FieldValue& value);
    DbStatus deleteCurrent(); // marks it deleted; the cursor moves to the next row
    DbStatus empty();         // no rows left, files kept; flushes
    DbStatus pack();          // removes deleted rows; flushes

    // Batch moves with `source` (the same fields by name and type; widths may differ), matched by
    // this table's current tag:
    // mergeFrom: each live source row whose key equals a live row here replaces all its fields,
    // any other is appended. deleteByKey: each live row here whose key equals a source row's key
    // is deleted. Both flush.
    DbStatus mergeFrom(Table& source);
    DbStatus deleteByKey(Table& source);
    // The same with the source rows given as values in this table's layout. `written`, when
    // given, receives the 1-based record numbers of the rows the merge replaced or appended.
    DbStatus mergeRows(const std::vector<std::vector<FieldValue>>& rows,
                       std::vector<std::uint32_t>* written = nullptr);
    DbStatus deleteRowsByKey(const std::vector<std::vector<FieldValue>>& rows);

    // Gives an existing tag a new definition (its keys rebuilt from the rows), or adds it. Flushes.
    DbStatus redefineTag(const TagDef& def);

    // Rewrites the index from the rows (and flushes the rows when changed).
    DbStatus rebuildIndex();

private:
    std::uint8_t* row(std::uint32_t r) { return rows_.data() + std::size_t(r) * header_.recordLength; }
    const std::uint8_t* row(std::uint32_t r) const {
        return rows_.data() + std::size_t(r) * header_.recordLength;
    }
    const std::uint8_t* currentRow() const;
    TableRows rowsView() const { return {rows_.data(), header_.recordLength, rowCount_}; }
    DbStatus lockFile(const std::string& path);
    DbStatus readRows();
    void invalidate() const;
    void markChanged(std::uint32_t r);
    template <class EachRow> DbStatus writeField(int field, const FieldValue& value, EachRow each);
    void noteRowChanged(std::uint32_t r); // the row's bytes differ from the file's
    void settleOrders() const; // folds changed rows into the orders
    void settle() const;       // the same, and rebuilds the view
    void rebuildView() const;
    void rowSpans(std::vector<StoredSpan>& dbf, std::vector<std::uint8_t>& tail);
    DbStatus sourceRows(const Table& other, std::vector<std::uint8_t>& out) const;
    DbStatus mergeBytes(const std::vector<std::uint8_t>& incoming, std::vector<std::uint32_t>* written);
    DbStatus deleteBytes(const std::vector<std::uint8_t>& incoming);
    // Live row of this table whose current-tag key equals `key`, or -1.
    long findKey(const IndexTag& t, const std::uint8_t* key) const;
    void reset();

    std::string path_, cdxPath_;
    int fd_ = -1;
    bool readOnly_ = false;
    DbfHeader header_;
    std::vector<std::uint8_t> rows_;
    std::uint32_t rowCount_ = 0;
    mutable TableIndex index_; // its orders are caches of the rows
    int current_ = -1;
    bool dirty_ = false;
    bool indexDirty_ = false;
    bool indexRebuilt_ = false;
    std::vector<std::string> indexProblems_;

    // Lazily maintained (navigation is const, the orders are caches of the data).
    mutable std::vector<std::uint32_t> changed_; // rows whose keys must be recomputed
    mutable std::vector<std::uint32_t> view_;    // live rows in the current order
    mutable bool viewValid_ = false;
    mutable std::size_t pos_ = 0;
    mutable std::uint32_t follow_ = 0;  // 1-based row the cursor stays on across a rebuild
    mutable bool keepPosition_ = false; // after a delete the cursor keeps its place in the order

    // What the files on disk hold, so that a flush writes only what changed.
    std::uint32_t diskRows_ = 0;
    std::uint64_t diskSize_ = 0;
    std::uint32_t rewriteFrom_ = 0xFFFFFFFFu; // rows from here on moved (pack, empty)
    std::vector<std::uint32_t> touchedRows_;  // rows below diskRows_ changed since the last flush
    RollbackJournal journal_;
};

} // namespace vorsan::db
