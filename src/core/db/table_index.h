#pragma once
// The structural index of one open table: each tag's key of every row and the rows' order by it,
// kept in step with the rows, and the index file's image, into which a flush puts the changed
// keys in place (or which it builds anew).
#include "db/cdx_edit.h"
#include "db/cdx_format.h"
#include "db/db_status.h"
#include "db/dbf_format.h"
#include "db/key_expression.h"
#include "db/rollback_journal.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorsan::db {

struct TagDef {
    std::string name;       // at most 10 characters; compared ignoring case
    std::string expression; // e.g. "DTOS(DATA)+TIME"
    bool unique = false;    // only the first row of each key value is indexed
};

// The rows of a table in memory, as the index reads them.
struct TableRows {
    const std::uint8_t* data = nullptr;
    std::size_t length = 0; // of one row
    std::uint32_t count = 0;
    const std::uint8_t* row(std::uint32_t r) const { return data + std::size_t(r) * length; }
};

struct IndexTag {
    TagDef def;
    KeyExpression expr;
    std::vector<std::uint8_t> keys;   // one key per row, row order
    std::vector<std::uint32_t> order; // 0-based rows sorted by (key, row)
    // Rows stored in the file whose key changed since the last flush, each with the key the
    // index holds for it (a row may appear again later with a key it had in between).
    std::vector<std::uint32_t> editedRows;
    std::vector<std::uint8_t> editedKeys;
    std::uint32_t header = 0; // offset of the tag's header in the index file, 0 when not known
    const std::uint8_t* key(std::uint32_t row) const {
        return keys.data() + std::size_t(row) * expr.length();
    }
};

// What opening the index goes by.
struct IndexOpening {
    const std::string& tablePath;
    const std::string& cdxPath;
    const DbfHeader& header;
    const std::vector<TagDef>& expectedTags;
    bool readOnly = false;
    TableRows rows;
};

class TableIndex {
public:
    std::vector<IndexTag>& tags() { return tags_; }
    const std::vector<IndexTag>& tags() const { return tags_; }
    bool empty() const { return tags_.empty(); }
    int find(std::string_view name) const; // -1 when none
    std::vector<TagDef> definitions() const;
    bool usesField(int field) const; // whether any tag's key reads the field
    // No tags and no image; the buffers keep their memory for the next table opened.
    void clear();

    // Adds a tag (no keys yet); refuses a bad name or expression.
    DbStatus add(const TagDef& def, const DbfHeader& header);
    // Gives the tag of that name a new definition, its keys built from the rows, or adds it.
    DbStatus redefine(const TagDef& def, const DbfHeader& header, TableRows rows);

    // Reads the index file: its tags, checked entry by entry against the rows (their orders are
    // taken from it when they agree), the expected tags it lacks added. What is wrong goes into
    // `problems`; refused when a tag cannot be taken (and is not rebuilt from its definition),
    // or when an unreadable index has no tags anyone can name.
    DbStatus load(const IndexOpening& o, std::vector<std::string>& problems);
    // Writes the index anew from the keys (the image becomes what the file holds).
    DbStatus write(const std::string& cdxPath);
    // A new index image from the keys and orders.
    DbStatus build(std::vector<std::uint8_t>& bytes) const;

    // Every tag's keys and order from the rows, or none.
    void rekey(TableRows rows);
    void clearKeys();
    // Folds rows whose keys may have changed (sorted, each once) into the orders; a stored row
    // (below diskRows) whose key moved is noted for the next flush.
    void settle(const std::vector<std::uint32_t>& changed, TableRows rows, std::uint32_t diskRows);

    // Puts the index's part of a change into `change`: the keys changed since the last flush
    // edited into the image in place, or, when `whole` (rows moved, a tag redefined) or the edit
    // finds the image not as expected, a new index whose blocks that differ are written.
    // `edited` says which.
    DbStatus prepareStore(bool whole, TableRows rows, std::uint32_t diskRows, TableChange& change,
                          bool& edited);
    void stored(bool edited);    // the change is in the files
    void notStored(bool edited); // it is not: an edited image goes back as it was
    std::uint64_t imageSize() const { return image_.size(); }

private:
    static void computeKeys(IndexTag& t, TableRows rows);
    static void sortOrder(IndexTag& t);
    static std::vector<std::uint32_t> expectedEntries(const IndexTag& t);
    static bool storedOrderMatches(IndexTag& t, const CdxTag& stored, std::uint32_t rowCount);
    void settleTag(IndexTag& t, const std::vector<std::uint32_t>& changed, TableRows rows,
                   std::uint32_t diskRows, std::vector<std::uint8_t>& tmp);
    bool readStored(const IndexOpening& o, std::vector<CdxTag>& stored, std::vector<std::string>& problems);
    DbStatus adoptStored(const IndexOpening& o, const std::vector<CdxTag>& stored,
                         std::vector<std::string>& problems);
    DbStatus findHeaders();
    DbStatus editTag(IndexTag& t, TableRows rows, std::uint32_t diskRows,
                     const CdxEditor::BeforeChange& before);
    void uniqueChanges(const IndexTag& t, std::vector<const std::uint8_t*>& keys,
                       std::vector<CdxEntry>& removals, std::vector<CdxEntry>& inserts) const;
    DbStatus edit(TableRows rows, std::uint32_t diskRows); // the changed keys into the image
    void rebuiltSpans(TableChange& change);
    void editedSpans(TableChange& change);
    void undoEdits(); // the image as it was before edit
    void clearEdits();
    void forgetImage(); // after the image was replaced as a whole

    std::vector<IndexTag> tags_;
    std::vector<std::uint8_t> image_; // the index file's bytes
    std::vector<std::uint8_t> spare_; // buffer the next index is built in
    CdxEditor editor_;
    // Blocks edit changed: all of them, and the old bytes of those within the old file.
    std::uint64_t editedFrom_ = 0; // the image's size before edit
    std::vector<std::uint32_t> touched_;
    std::vector<std::uint8_t> touchedFlag_; // per block
    std::vector<std::uint32_t> savedAt_;
    std::vector<std::uint8_t> savedBytes_;
};

} // namespace vorsan::db
