#include "db/table.h"
#include "db_test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace vorsan::db;
using namespace vorsan::db::test;

namespace {

// A small table: ID N(5,0), NAME C(10), D date, FLAG logical; tags on NAME+STR(ID) and on ID.
TableLayout smallLayout() {
    return {{{"ID", 'N', 5, 0}, {"NAME", 'C', 10, 0}, {"D", 'D', 8, 0}, {"FLAG", 'L', 1, 0}},
            {{"BYNAME", "NAME+STR(ID,5)", false}, {"BYID", "ID", false}, {"UNAME", "NAME", true}}};
}

std::vector<FieldValue> rowOf(double id, const std::string& name, bool flag = false) {
    return {id, name, Date{2024, 1, static_cast<int>(id) % 28 + 1}, flag};
}

std::vector<int> ids(Table& t) {
    std::vector<int> out;
    for (t.first(); !t.eof(); t.next())
        out.push_back(static_cast<int>(t.getNumber(0)));
    return out;
}

void expectIndexAgrees(const std::string& path) {
    Table check;
    ASSERT_TRUE(check.open(path, OpenMode::ReadOnly));
    for (const auto& p : check.indexProblems())
        ADD_FAILURE() << path << ": " << p;
}

class TableTest : public ::testing::Test {
protected:
    void SetUp() override {
        path = dir.file("SMALL.DBF");
        ASSERT_TRUE(Table::create(path, smallLayout()));
        ASSERT_TRUE(t.open(path));
    }
    TempDir dir;
    std::string path;
    Table t;

    // Closes the table, checks its files with a second reader, opens it again on `tag`.
    void reopenChecked(const std::string& tag) {
        ASSERT_TRUE(t.close());
        expectIndexAgrees(path);
        ASSERT_TRUE(t.open(path));
        ASSERT_TRUE(t.setTag(tag));
    }
};

} // namespace

TEST_F(TableTest, CreatesFoxProTableWithStructuralIndex) {
    EXPECT_EQ(t.version(), 0x03);
    EXPECT_EQ(t.codePage(), 0xC9);
    EXPECT_EQ(t.count(), 0u);
    EXPECT_TRUE(t.eof());
    EXPECT_TRUE(fileExists(dir.file("SMALL.CDX")));
    EXPECT_EQ(Table::create(path, smallLayout()).error, DbError::Exists);
    t.close();
    std::vector<std::uint8_t> b;
    ASSERT_TRUE(readWholeFile(path, b));
    EXPECT_EQ(b[28], 0x01);
    EXPECT_EQ(b.size(), 32u + 4 * 32 + 1 + 1);
    EXPECT_EQ(b.back(), 0x1A);
    const Date today = todayDate();
    EXPECT_EQ(b[1], today.year - 1900);
}

TEST_F(TableTest, NavigatesInEachTagsOrder) {
    ASSERT_TRUE(t.appendRows({rowOf(3, "bravo"), rowOf(1, "charlie"), rowOf(2, "alpha"), rowOf(4, "alpha")}));
    EXPECT_EQ(ids(t), (std::vector<int>{3, 1, 2, 4})); // natural order
    ASSERT_TRUE(t.setTag("byname"));
    EXPECT_EQ(t.currentTag(), "BYNAME");
    EXPECT_EQ(ids(t), (std::vector<int>{2, 4, 3, 1}));
    ASSERT_TRUE(t.setTag("BYID"));
    EXPECT_EQ(ids(t), (std::vector<int>{1, 2, 3, 4}));
    t.last();
    EXPECT_EQ(t.getNumber(0), 4);
    EXPECT_EQ(t.recno(), 4u);
    ASSERT_TRUE(t.setTag("UNAME")); // unique: each name once, its first row
    EXPECT_EQ(ids(t), (std::vector<int>{2, 3, 1}));
    EXPECT_EQ(t.count(), 3u);
    EXPECT_EQ(t.setTag("NOPE").error, DbError::NoSuchTag);
    t.first();
    EXPECT_EQ(t.getString(1), "alpha");
    EXPECT_EQ(t.getDate(2), (Date{2024, 1, 3}));
    EXPECT_FALSE(t.getLogical(3));
}

TEST_F(TableTest, EditMovesTheRowInTheOrderAndIsStoredOnClose) {
    ASSERT_TRUE(t.appendRows({rowOf(1, "a"), rowOf(2, "b"), rowOf(3, "c")}));
    ASSERT_TRUE(t.setTag("BYNAME"));
    t.first();
    ASSERT_TRUE(t.setField(1, std::string("z")));
    EXPECT_EQ(t.getNumber(0), 1); // the cursor stays on the edited row
    EXPECT_EQ(ids(t), (std::vector<int>{2, 3, 1}));
    EXPECT_EQ(t.setField(0, 5.0).error, DbError::NoCurrentRow); // walked past the end
    ASSERT_TRUE(t.goToRecno(1));
    EXPECT_EQ(t.setField(0, std::string("x")).error, DbError::WrongType);
    EXPECT_EQ(t.setField(0, 123456.0).error, DbError::ValueOverflow);
    EXPECT_EQ(t.setField(2, Date{2023, 2, 29}).error, DbError::BadValue);
    ASSERT_TRUE(t.close());
    expectIndexAgrees(path);
    ASSERT_TRUE(t.open(path));
    ASSERT_TRUE(t.setTag("BYNAME"));
    EXPECT_EQ(ids(t), (std::vector<int>{2, 3, 1}));
}

TEST_F(TableTest, DeletePackAndEmpty) {
    ASSERT_TRUE(t.appendRows({rowOf(1, "a"), rowOf(2, "b"), rowOf(3, "c"), rowOf(4, "d")}));
    ASSERT_TRUE(t.setTag("BYID"));
    t.first();
    t.next();
    ASSERT_TRUE(t.deleteCurrent());
    EXPECT_EQ(t.getNumber(0), 3); // the cursor moved on to the next row
    EXPECT_EQ(ids(t), (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(t.physicalCount(), 4u);
    reopenChecked("BYID"); // deleted rows stay in the index until packed
    EXPECT_EQ(ids(t), (std::vector<int>{1, 3, 4}));
    ASSERT_TRUE(t.pack());
    EXPECT_EQ(t.physicalCount(), 3u);
    EXPECT_EQ(ids(t), (std::vector<int>{1, 3, 4}));
    reopenChecked("BYID");
    EXPECT_EQ(ids(t), (std::vector<int>{1, 3, 4}));
    ASSERT_TRUE(t.empty());
    EXPECT_EQ(t.count(), 0u);
    EXPECT_TRUE(fileExists(path));
    reopenChecked("BYID");
    EXPECT_EQ(t.count(), 0u);
}

TEST_F(TableTest, MergeReplacesMatchingRowsAndAppendsOthers) {
    ASSERT_TRUE(t.appendRows({rowOf(1, "a"), rowOf(2, "b"), rowOf(3, "c")}));
    const std::string srcPath = dir.file("SRC.DBF");
    ASSERT_TRUE(Table::create(srcPath, smallLayout()));
    Table src;
    ASSERT_TRUE(src.open(srcPath));
    // Same key (ID) as 2 with another name and flag; a new 5; a second 5 within the batch.
    ASSERT_TRUE(src.appendRows({rowOf(2, "bee", true), rowOf(5, "e", true), rowOf(5, "e2", true)}));
    ASSERT_TRUE(t.setTag("BYID"));
    ASSERT_TRUE(src.setTag("BYID"));
    ASSERT_TRUE(t.mergeFrom(src));
    EXPECT_EQ(ids(t), (std::vector<int>{1, 2, 3, 5}));
    t.first();
    t.next();
    EXPECT_EQ(t.getString(1), "bee");
    EXPECT_TRUE(t.getLogical(3));
    t.last();
    EXPECT_EQ(t.getString(1), "e2"); // the batch's own earlier row was matched, not doubled
    ASSERT_TRUE(t.mergeFrom(src));   // merging again changes nothing
    EXPECT_EQ(t.count(), 4u);
    reopenChecked("BYID");

    // Delete by key: rows here whose key a source row has.
    ASSERT_TRUE(t.deleteByKey(src));
    EXPECT_EQ(ids(t), (std::vector<int>{1, 3}));
    ASSERT_TRUE(t.pack());
    EXPECT_EQ(ids(t), (std::vector<int>{1, 3}));
    reopenChecked("BYID");
    EXPECT_EQ(ids(t), (std::vector<int>{1, 3}));

    ASSERT_TRUE(t.setTag(""));
    EXPECT_EQ(t.mergeFrom(src).error, DbError::NoSuchTag);
    Table other;
    ASSERT_TRUE(Table::create(dir.file("OTHER.DBF"), {{{"X", 'C', 3, 0}}, {{"X", "X", false}}}));
    ASSERT_TRUE(other.open(dir.file("OTHER.DBF")));
    ASSERT_TRUE(t.setTag("BYID"));
    EXPECT_EQ(t.mergeFrom(other).error, DbError::LayoutMismatch);
}

TEST_F(TableTest, SecondOpenerIsRefusedInThisAndAnotherProcess) {
    Table second;
    EXPECT_EQ(second.open(path).error, DbError::Locked);
    EXPECT_EQ(second.open(path, OpenMode::ReadOnly).error, DbError::Locked);
    ASSERT_TRUE(t.appendRows({rowOf(1, "a")})); // the file was replaced: still locked
    EXPECT_EQ(second.open(path).error, DbError::Locked);
    const pid_t pid = fork();
    if (pid == 0) {
        Table child;
        _exit(child.open(path).error == DbError::Locked ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    t.close();
    EXPECT_TRUE(second.open(path));
}

TEST_F(TableTest, MissingDamagedOrStaleIndexIsRebuiltOnOpen) {
    ASSERT_TRUE(t.appendRows({rowOf(3, "c"), rowOf(1, "a"), rowOf(2, "b")}));
    t.close();
    const std::string cdx = dir.file("SMALL.CDX");
    std::vector<std::uint8_t> good;
    ASSERT_TRUE(readWholeFile(cdx, good));

    // Stale: an index from before the last rows were added.
    std::vector<std::uint8_t> stale;
    {
        TempDir other;
        ASSERT_TRUE(Table::create(other.file("SMALL.DBF"), smallLayout()));
        ASSERT_TRUE(readWholeFile(other.file("SMALL.CDX"), stale));
    }
    // The "unique" flag of a tag set: with distinct keys its entries still agree with the rows.
    std::vector<std::uint8_t> flagged = good;
    {
        std::vector<CdxTag> tags;
        ASSERT_TRUE(readCdx(good, [](const CdxTag&) { return std::uint8_t(0x20); }, tags));
        for (const CdxTag& tag : tags)
            if (tag.name == "BYID") flagged[tag.headerOffset + 14] |= kCdxUnique;
    }
    const std::vector<std::pair<const char*, std::vector<std::uint8_t>>> variants = {
        {"flag", flagged},
        {"stale", stale},
        {"garbage", std::vector<std::uint8_t>(4096, 0xAB)},
        {"truncated", {good.begin(), good.begin() + 700}}};
    for (const auto& [what, bytes] : variants) {
        ASSERT_TRUE(replaceFile(cdx, {bytes}));
        {
            Table ro;
            ASSERT_TRUE(ro.open(path, OpenMode::ReadOnly, smallLayout().tags)) << what;
            EXPECT_FALSE(ro.indexProblems().empty()) << what;
            ASSERT_TRUE(ro.setTag("BYID")) << what; // the order is still right, built from the rows
            EXPECT_EQ(ids(ro), (std::vector<int>{1, 2, 3})) << what;
        }
        ASSERT_TRUE(t.open(path, OpenMode::Exclusive, smallLayout().tags)) << what;
        EXPECT_TRUE(t.indexRebuilt()) << what;
        t.close();
        expectIndexAgrees(path);
    }
    ::unlink(cdx.c_str());
    ASSERT_TRUE(t.open(path, OpenMode::Exclusive, smallLayout().tags));
    EXPECT_TRUE(t.indexRebuilt());
    ASSERT_TRUE(t.setTag("BYNAME"));
    EXPECT_EQ(ids(t), (std::vector<int>{1, 2, 3}));
    t.close();
    expectIndexAgrees(path);
    // Opening a table whose index matches rewrites nothing.
    ASSERT_TRUE(t.open(path));
    EXPECT_FALSE(t.indexRebuilt());
}

TEST_F(TableTest, DamagedTablesAreRefusedWithAReason) {
    t.close();
    std::vector<std::uint8_t> good;
    ASSERT_TRUE(readWholeFile(path, good));
    const std::vector<std::pair<std::vector<std::uint8_t>, DbError>> cases = {
        {{good.begin(), good.begin() + 10}, DbError::BadHeader},
        {{}, DbError::BadHeader},
    };
    for (const auto& [bytes, err] : cases) {
        ASSERT_TRUE(replaceFile(path, {bytes}));
        EXPECT_EQ(t.open(path).error, err);
        EXPECT_FALSE(t.isOpen());
    }
    EXPECT_EQ(t.open(dir.file("NONE.DBF")).error, DbError::NotFound);
}

TEST_F(TableTest, LeftoverReplacementFilesAreRemoved) {
    ASSERT_TRUE(t.appendRows({rowOf(1, "a")}));
    t.close();
    // A write interrupted before its rename leaves a half-written file beside the table.
    ASSERT_TRUE(replaceFile(replacementPath(path) + ".x", {std::vector<std::uint8_t>(10, 1)}));
    std::rename((replacementPath(path) + ".x").c_str(), replacementPath(path).c_str());
    ASSERT_TRUE(t.open(path));
    EXPECT_FALSE(fileExists(replacementPath(path)));
    EXPECT_EQ(t.count(), 1u);
}

// A committed change leaves its rollback journal cleared. A journal whose checksum holds but whose
// sizes or places do not fit the table (forged, or of another table) neither grows the files nor
// writes into them.
TEST_F(TableTest, RollbackJournalIsClearedAtCommitAndCheckedAgainstTheFilesBeforeUse) {
    ASSERT_TRUE(t.appendRows({rowOf(1, "a"), rowOf(2, "b")}));
    const std::string jp = path + "-journal";
    std::vector<std::uint8_t> j;
    ASSERT_TRUE(readWholeFile(jp, j));
    ASSERT_GE(j.size(), 8u);
    EXPECT_EQ(std::vector<std::uint8_t>(j.begin(), j.begin() + 8), std::vector<std::uint8_t>(8, 0));
    t.close();
    std::vector<std::uint8_t> dbf, cdx;
    ASSERT_TRUE(readWholeFile(path, dbf));
    ASSERT_TRUE(readWholeFile(dir.file("SMALL.CDX"), cdx));
    const auto le = [](std::vector<std::uint8_t>& out, std::uint64_t v, int n) {
        for (int i = 0; i < n; ++i)
            out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    struct Record {
        int file;
        std::uint64_t at;
    };
    const auto forge = [&](std::uint64_t sizes, std::vector<Record> records) {
        std::vector<std::uint8_t> f = {'V', 'R', 'S', 'N', 'R', 'B', 'J', '2'};
        le(f, 0, 8);
        le(f, sizes, 8);
        le(f, sizes, 8);
        f.push_back(1);
        for (const Record& r : records) {
            f.push_back(static_cast<std::uint8_t>(r.file));
            le(f, r.at, 8);
            le(f, 4, 4);
            le(f, 0xFFFFFFFF, 4);
        }
        const std::uint64_t length = f.size() + 4;
        for (int i = 0; i < 8; ++i)
            f[8 + std::size_t(i)] = static_cast<std::uint8_t>(length >> (8 * i));
        std::uint32_t h = 2166136261u; // FNV-1a, the journal's checksum
        for (std::uint8_t b : f)
            h = (h ^ b) * 16777619u;
        le(f, h, 4);
        return f;
    };
    const std::uint64_t tib = std::uint64_t(1) << 40;
    const struct {
        const char* what;
        std::vector<std::uint8_t> journal;
        bool opens;
    } cases[] = {
        {"sizes of 1 TiB", forge(tib, {}), true},
        {"bytes saved at 1 TiB", forge(tib, {{0, tib}}), false},
        {"index bytes saved beyond the index", forge(0, {{1, cdx.size() + 512}}), false},
        {"a third file", forge(0, {{2, 0}}), false},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(replaceFile(jp, {c.journal}));
        const DbStatus st = t.open(path, OpenMode::Exclusive, smallLayout().tags);
        EXPECT_EQ(bool(st), c.opens) << c.what << ": " << st.detail;
        if (st) {
            EXPECT_EQ(ids(t), (std::vector<int>{1, 2})) << c.what;
        }
        t.close();
        std::vector<std::uint8_t> dbfNow, cdxNow;
        ASSERT_TRUE(readWholeFile(path, dbfNow));
        ASSERT_TRUE(readWholeFile(dir.file("SMALL.CDX"), cdxNow));
        EXPECT_EQ(dbfNow, dbf) << c.what;
        EXPECT_EQ(cdxNow, cdx) << c.what;
        EXPECT_EQ(fileExists(jp), !c.opens) << c.what;
    }
}

// Tables of other xBase flavours are read, and keep their version byte and code page when changed.
TEST(TableFlavours, VersionAndCodePageAreKept) {
    const std::uint8_t versions[] = {0x03, 0x30, 0x31, 0xF5, 0x83, 0x8B};
    const std::uint8_t codePages[] = {0x00, 0x65, 0xC9, 0x03};
    for (std::uint8_t version : versions) {
        TempDir dir;
        const std::string path = dir.file("F.DBF");
        ASSERT_TRUE(Table::create(path, smallLayout()));
        std::vector<std::uint8_t> b;
        ASSERT_TRUE(readWholeFile(path, b));
        b[0] = version;
        b[29] = codePages[version % 4];
        ASSERT_TRUE(replaceFile(path, {b}));
        Table t;
        ASSERT_TRUE(t.open(path)) << int(version);
        EXPECT_EQ(t.version(), version);
        ASSERT_TRUE(t.appendRows({rowOf(1, "x")}));
        t.close();
        ASSERT_TRUE(readWholeFile(path, b));
        EXPECT_EQ(b[0], version);
        EXPECT_EQ(b[29], codePages[version % 4]);
        ASSERT_TRUE(t.open(path, OpenMode::ReadOnly));
        EXPECT_EQ(t.count(), 1u);
        EXPECT_TRUE(t.indexProblems().empty());
    }
}

// A table written by another program may give the same fields other widths and order.
TEST_F(TableTest, MergesFromATableOfOtherWidths) {
    ASSERT_TRUE(t.appendRows({rowOf(1, "a"), rowOf(2, "b")}));
    const TableLayout wide = {
        {{"FLAG", 'L', 1, 0}, {"NAME", 'C', 20, 0}, {"ID", 'N', 10, 2}, {"D", 'D', 8, 0}},
        {{"BYID", "ID", false}}};
    ASSERT_TRUE(Table::create(dir.file("WIDE.DBF"), wide));
    Table src;
    ASSERT_TRUE(src.open(dir.file("WIDE.DBF")));
    ASSERT_TRUE(src.appendRows({{true, std::string("two"), 2.0, Date{2024, 1, 3}},
                                {false, std::string("a-name-longer-than-10"), 7.0, Date{}}}));
    ASSERT_TRUE(t.setTag("BYID"));
    ASSERT_TRUE(t.mergeFrom(src));
    EXPECT_EQ(ids(t), (std::vector<int>{1, 2, 7}));
    ASSERT_TRUE(t.goToRecno(2));
    EXPECT_EQ(t.getString(1), "two");
    EXPECT_TRUE(t.getLogical(3));
    ASSERT_TRUE(t.goToRecno(3));
    EXPECT_EQ(t.getString(1), "a-name-lon"); // cut to the field
    EXPECT_TRUE(t.getDate(2).empty());

    ASSERT_TRUE(src.appendRows({{true, std::string("big"), 1234567.0, Date{}}}));
    EXPECT_EQ(t.mergeFrom(src).error, DbError::ValueOverflow); // nothing changed
    EXPECT_EQ(t.count(), 3u);
    const TableLayout other = {{{"ID", 'C', 5, 0}}, {}};
    ASSERT_TRUE(Table::create(dir.file("OTHER2.DBF"), other));
    Table bad;
    ASSERT_TRUE(bad.open(dir.file("OTHER2.DBF")));
    EXPECT_EQ(t.mergeFrom(bad).error, DbError::LayoutMismatch);
    EXPECT_EQ(t.deleteByKey(bad).error, DbError::LayoutMismatch);
}

// A stored tag whose expression this engine cannot evaluate is rebuilt with the expression the
// caller expects for that name; other programs' unknown tags keep a table read-only.
TEST_F(TableTest, UnknownExpressionOfAKnownTagIsReplaced) {
    ASSERT_TRUE(t.appendRows({rowOf(2, "b"), rowOf(1, "a")}));
    t.close();
    CdxTagSource foreign;
    foreign.name = "BYID";
    foreign.expression = "ALLTRIM(NAME)";
    foreign.keyLength = 10;
    std::vector<std::uint8_t> bytes;
    ASSERT_TRUE(buildCdx({foreign}, bytes));
    ASSERT_TRUE(replaceFile(dir.file("SMALL.CDX"), {bytes}));
    EXPECT_EQ(t.open(path).error, DbError::BadExpression);
    ASSERT_TRUE(t.open(path, OpenMode::ReadOnly));
    EXPECT_TRUE(t.tags().empty());
    t.close();
    ASSERT_TRUE(t.open(path, OpenMode::Exclusive, {{"BYID", "ID", false}}));
    EXPECT_TRUE(t.indexRebuilt());
    ASSERT_TRUE(t.setTag("BYID"));
    EXPECT_EQ(ids(t), (std::vector<int>{1, 2}));
    t.close();
    expectIndexAgrees(path);
}

// The header's row count and date, the row bytes and the closing 0x1A after each kind of change.
TEST_F(TableTest, FileBytesAfterChanges) {
    const auto check = [&](std::uint32_t rows, const char* what) {
        std::vector<std::uint8_t> b;
        ASSERT_TRUE(readWholeFile(path, b));
        const std::uint32_t count = b[4] | (b[5] << 8) | (b[6] << 16) | (std::uint32_t(b[7]) << 24);
        const std::size_t header = b[8] | (b[9] << 8), rl = b[10] | (b[11] << 8);
        EXPECT_EQ(count, rows) << what;
        EXPECT_EQ(b.size(), header + rows * rl + 1) << what;
        EXPECT_EQ(b.back(), 0x1A) << what;
        const Date today = todayDate();
        EXPECT_EQ(b[1], today.year - 1900) << what;
        EXPECT_EQ(b[2], today.month) << what;
        EXPECT_EQ(b[3], today.day) << what;
        if (rows > 0) {
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(&b[header]), 6), "     1") << what;
        }
    };
    ASSERT_TRUE(t.appendRows({rowOf(1, "a"), rowOf(2, "b"), rowOf(3, "c")}));
    check(3, "append");
    ASSERT_TRUE(t.appendRow(rowOf(4, "d")));
    check(3, "single append not yet stored");
    ASSERT_TRUE(t.flush());
    check(4, "flushed");
    t.last();
    ASSERT_TRUE(t.deleteCurrent());
    ASSERT_TRUE(t.pack());
    check(3, "pack");
    ASSERT_TRUE(t.empty());
    check(0, "empty");
}

namespace {

// A copy of the table's files as they are on disk, checked by a reader of its own (the table
// itself stays open and goes on changing).
void expectFilesAgree(const std::string& path, const std::string& copyDir, const std::string& what) {
    std::filesystem::create_directories(copyDir);
    for (const char* ext : {".DBF", ".CDX"})
        copyFile(path.substr(0, path.size() - 4) + ext, joinPath(copyDir, std::string("COPY") + ext));
    Table check;
    ASSERT_TRUE(check.open(joinPath(copyDir, "COPY.DBF"), OpenMode::ReadOnly)) << what;
    for (const auto& p : check.indexProblems())
        ADD_FAILURE() << what << ": " << p;
}

std::string nameOf(int k) {
    char b[16];
    std::snprintf(b, sizeof b, "n%05d", k);
    return b;
}

} // namespace

// Each kind of change goes into the index in place; after each, the files on disk hold an index
// that agrees entry by entry with the rows (every tag, the unique one included).
TEST_F(TableTest, IndexChangedInPlaceAgreesWithItsRowsAfterEachKindOfChange) {
    struct Step {
        const char* what;
        std::function<void()> change;
    };
    const auto rows = [](int from, int to, int step, auto name) {
        std::vector<std::vector<FieldValue>> out;
        for (int k = from; k < to; k += step)
            out.push_back(rowOf(k, name(k)));
        return out;
    };
    const std::vector<Step> steps = {
        {"rows appended in key order", [&] { ASSERT_TRUE(t.appendRows(rows(0, 1200, 2, nameOf))); }},
        {"rows appended between the others", [&] { ASSERT_TRUE(t.appendRows(rows(1, 1200, 2, nameOf))); }},
        {"many rows into one place",
         [&] { ASSERT_TRUE(t.appendRows(rows(0, 900, 1, [](int k) { return "n00500x" + std::to_string(k % 7); }))); }},
        {"keys changed",
         [&] {
             ASSERT_TRUE(t.setTag(""));
             int k = 0;
             for (t.first(); !t.eof(); t.next(), ++k)
                 if (k % 9 == 0) {
                     ASSERT_TRUE(t.setField(1, nameOf(5000 - k)));
                     ASSERT_TRUE(t.setField(0, double(10000 + k)));
                 }
             ASSERT_TRUE(t.flush());
         }},
        {"first row of a unique key renamed",
         [&] {
             ASSERT_TRUE(t.goToRecno(1201)); // the first "n00500x0"
             ASSERT_TRUE(t.setField(1, std::string("zz")));
             ASSERT_TRUE(t.flush());
         }},
        {"rows deleted, one key changed back and forth",
         [&] {
             ASSERT_TRUE(t.goToRecno(7));
             ASSERT_TRUE(t.deleteCurrent());
             ASSERT_TRUE(t.goToRecno(8));
             ASSERT_TRUE(t.setField(1, std::string("moved")));
             ASSERT_TRUE(t.setField(1, nameOf(14)));
             ASSERT_TRUE(t.flush());
         }},
        {"merged: rows replaced and appended",
         [&] {
             ASSERT_TRUE(t.setTag("BYNAME"));
             auto in = rows(20, 60, 1, nameOf);
             for (auto& r : in)
                 r[3] = true;
             ASSERT_TRUE(t.mergeRows(in));
         }},
        {"every row of a key removed from the unique tag",
         [&] {
             ASSERT_TRUE(t.setTag(""));
             for (t.first(); !t.eof(); t.next()) {
                 if (t.getString(1).rfind("n00500x3", 0) == 0) {
                     ASSERT_TRUE(t.setField(1, std::string("gone")));
                 }
             }
             ASSERT_TRUE(t.flush());
         }},
    };
    int n = 0;
    for (const Step& s : steps) {
        s.change();
        expectFilesAgree(path, dir.file("check" + std::to_string(n++)), s.what);
    }
    reopenChecked("UNAME");
    std::vector<std::string> names;
    for (t.first(); !t.eof(); t.next())
        names.push_back(t.getString(1));
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
    EXPECT_EQ(std::count(names.begin(), names.end(), "gone"), 1);
    EXPECT_EQ(std::count(names.begin(), names.end(), "n00500x3"), 0);
}

// A change of a few rows rewrites a few index blocks, not the index.
TEST_F(TableTest, SmallChangeRewritesFewIndexBlocks) {
    std::vector<std::vector<FieldValue>> rows;
    for (int k = 0; k < 20000; ++k)
        rows.push_back(rowOf(k, nameOf(k)));
    ASSERT_TRUE(t.appendRows(rows));
    std::vector<std::uint8_t> before, after;
    ASSERT_TRUE(readWholeFile(t.indexPath(), before));
    ASSERT_TRUE(t.appendRows({rowOf(20000, nameOf(20000)), rowOf(7, nameOf(7) + "b")}));
    ASSERT_TRUE(t.goToRecno(100));
    ASSERT_TRUE(t.setField(1, nameOf(99999)));
    ASSERT_TRUE(t.flush());
    ASSERT_TRUE(readWholeFile(t.indexPath(), after));
    std::size_t changed = 0;
    for (std::size_t at = 0; at < after.size(); at += 512)
        changed += at >= before.size() || std::memcmp(&before[at], &after[at], 512) != 0;
    EXPECT_GT(before.size() / 512, 300u);
    EXPECT_LE(changed, 24u) << "of " << after.size() / 512 << " blocks";
    ASSERT_TRUE(t.close());
    expectIndexAgrees(path);
}
