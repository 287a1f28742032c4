#include "db/well_database.h"
#include "db_test_util.h"
#include "text/cp1251.h"

#include <gtest/gtest.h>

#include <set>
#include <sys/stat.h>

using namespace vorsan;
using namespace vorsan::db;
using namespace vorsan::db::test;

TEST(WellNames, TransliterationAndBaseName) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"Новое", "novoe"},
        {"Щука 1", "sh_uka 1"},
        {"ЩУКА 1", "sh_uka 1"},
        {"Ёлка-2 Lat", "e_lka-2 Lat"},
        {"ЬЫЪ ьыъ", "b_y_d_ b_y_d_"},
        {"Эхо Юг Яр Чай Шар Жук Цех Хол Йод", "a_ho iug iar chay shar zhuk ceh hol yod"},
        {"", ""},
        {"№5 €", "№5 €"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(transliterate(c.in), c.out) << c.in;
    EXPECT_EQ(wellBaseName("Новое", 12, 345), "novoeK12C345");
    EXPECT_EQ(wellBaseName("НОВОЕ", 12, 345), wellBaseName("новое", 12, 345));
    EXPECT_EQ(wellBaseName("Abc", 0, 65535), "AbcK0C65535");
}

TEST(WellNames, BaseNameStaysInsideTheDatabaseDirectory) {
    struct Case {
        const char* oilfield;
        const char* base;
    };
    const Case cases[] = {
        {"../../etc/x", ".._.._etc_xK1C2"},
        {"/abs", "_absK1C2"},
        {"a\\b", "a_bK1C2"},
        {"..", "__K1C2"},
        {".", "_K1C2"},
        {"tab\tnl\n\x7f", "tab_nl__K1C2"},
        {"Усть-Балык (2), №3.", "ustb_-baly_k (2), №3.K1C2"},
        {"...a", "...aK1C2"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(wellBaseName(c.oilfield, 1, 2), c.base) << c.oilfield;
}

TEST(WellNames, RewrittenTableKeepsItsPermissionBits) {
    TempDir tmp;
    ASSERT_TRUE(initDatabase(tmp.path()));
    const std::string path = tmp.file("temp.DBF");
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    Table t;
    ASSERT_TRUE(openDatabaseTable(t, tmp.path(), "temp.DBF", wellTableLayout()));
    std::vector<FieldValue> v;
    ASSERT_TRUE(wellRowValues(makeRecord(1, 2, 3, 4, 255), 1, 2, v));
    ASSERT_TRUE(t.appendRows({v}));
    ASSERT_TRUE(t.close());
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(WellNames, TimeText) {
    EXPECT_EQ(timeText(7, 5, 9), "07/05/09");
    EXPECT_EQ(timeText(23, 59, 0), "23/59/00");
    int h, m, s;
    ASSERT_TRUE(parseTimeText("07/05/09", h, m, s));
    EXPECT_EQ(h, 7);
    EXPECT_EQ(m, 5);
    EXPECT_EQ(s, 9);
    EXPECT_FALSE(parseTimeText("7/5/9", h, m, s));
    EXPECT_FALSE(parseTimeText("ab/cd/ef", h, m, s));
}

TEST(WellDatabase, FirstRunCreatesTheDirectoryWithEmptyTables) {
    TempDir tmp;
    const std::string dir = tmp.file("bd");
    Table settings, scratch;
    const StartupResult r = openStartupTables(dir, settings, scratch);
    ASSERT_EQ(r.failure, StartupFailure::None) << r.status.detail;
    EXPECT_TRUE(r.created);
    EXPECT_TRUE(r.message().empty());
    EXPECT_TRUE(fileExists(joinPath(dir, "ustavki.DBF")));
    EXPECT_TRUE(fileExists(joinPath(dir, "ustavki.CDX")));
    EXPECT_TRUE(fileExists(joinPath(dir, "temp.DBF")));
    EXPECT_TRUE(fileExists(joinPath(dir, "temp.CDX")));
    EXPECT_EQ(settings.fields().size(), 88u);
    EXPECT_EQ(scratch.fields().size(), 21u);
    EXPECT_TRUE(settings.setTag("KUST_SKV"));
    EXPECT_TRUE(settings.setTag("Mest"));
    EXPECT_TRUE(scratch.setTag("DATA"));
    EXPECT_TRUE(scratch.setTag("DATt"));

    // Second start while the first still holds the tables: refused, with the program's message.
    Table s2, t2;
    const StartupResult again = openStartupTables(dir, s2, t2);
    EXPECT_EQ(again.failure, StartupFailure::Settings);
    EXPECT_EQ(again.message(), "Нет доступа к данным(ustavki).");
    EXPECT_EQ(again.status.error, DbError::Locked);

    settings.close();
    const StartupResult third = openStartupTables(dir, s2, t2);
    EXPECT_EQ(third.failure, StartupFailure::Scratch);
    EXPECT_EQ(third.message(), "Нет доступа к данным(temp).");
    EXPECT_FALSE(s2.isOpen());
}

TEST(WellDatabase, ExistingDirectoryWithoutTablesIsAFailureNotAFirstRun) {
    TempDir tmp;
    Table settings, scratch;
    const StartupResult r = openStartupTables(tmp.path(), settings, scratch);
    EXPECT_EQ(r.failure, StartupFailure::Settings);
    EXPECT_FALSE(r.created);
    EXPECT_EQ(r.status.error, DbError::NotFound);
}

TEST(WellDatabase, FilesAreFoundWhateverTheirLetterCase) {
    TempDir tmp;
    ASSERT_TRUE(Table::create(tmp.file("USTAVKI.dbf"), settingsSnapshotLayout()));
    ASSERT_TRUE(Table::create(tmp.file("TEMP.dbf"), wellTableLayout()));
    EXPECT_TRUE(fileExists(tmp.file("TEMP.cdx"))); // the index follows the table's spelling
    Table settings, scratch;
    const StartupResult r = openStartupTables(tmp.path(), settings, scratch);
    ASSERT_EQ(r.failure, StartupFailure::None) << r.status.detail;
    EXPECT_EQ(scratch.path(), tmp.file("TEMP.dbf"));
    EXPECT_EQ(scratch.indexPath(), tmp.file("TEMP.cdx"));
    EXPECT_FALSE(scratch.indexRebuilt());
    // initDatabase keeps tables that exist under another spelling.
    settings.close();
    scratch.close();
    ASSERT_TRUE(initDatabase(tmp.path()));
    EXPECT_FALSE(fileExists(tmp.file("temp.DBF")));
}

TEST(WellDatabase, WellTableIsCreatedOnceAndRowsReadBack) {
    TempDir tmp;
    ASSERT_TRUE(initDatabase(tmp.path()));
    Table well;
    const std::string base = wellBaseName("Новое", 12, 345);
    ASSERT_TRUE(openWellTable(well, tmp.path(), base));
    EXPECT_EQ(well.path(), tmp.file("novoeK12C345.DBF"));
    EXPECT_TRUE(fileExists(tmp.file("novoeK12C345.CDX")));

    std::vector<std::vector<FieldValue>> rows;
    std::vector<JournalRecord> recs = {makeRecord(2, 7, 5, 9, 255, 1), makeRecord(1, 23, 0, 0, 3, 2),
                                       makeRecord(2, 7, 5, 9, 250, 3)};
    recs[2].NUM_UST = 83;
    recs[2].OLD_ZN = 65535;
    recs[2].NEW_ZN = 12;
    for (const auto& r : recs) {
        std::vector<FieldValue> v;
        ASSERT_TRUE(wellRowValues(r, 12, 345, v));
        rows.push_back(v);
    }
    ASSERT_TRUE(well.appendRows(rows));
    well.close();

    ASSERT_TRUE(openWellTable(well, tmp.path(), base)); // finds it, creates nothing
    EXPECT_EQ(well.count(), 3u);
    WellRows got;
    ASSERT_TRUE(readWellRows(well, got));
    ASSERT_EQ(got.records.size(), 3u);
    EXPECT_EQ(got.records[0], recs[1]); // "DATA" order: date, then time
    EXPECT_EQ(got.records[1].SOBYTIE, 255);
    EXPECT_EQ(got.records[2].SOBYTIE, 250);
    EXPECT_EQ(got.records[1], recs[0]);
    EXPECT_EQ(got.records[2], recs[2]);
    EXPECT_EQ(got.records[0].SOP, 65535);
    EXPECT_EQ(got.records[2].OLD_ZN, 65535);
    EXPECT_EQ(got.added, (std::vector<bool>{true, true, true}));

    JournalRecord bad = recs[0];
    bad.month = 2;
    bad.day = 31;
    std::vector<FieldValue> v;
    EXPECT_EQ(wellRowValues(bad, 1, 1, v).error, DbError::BadValue);
}

TEST(WellDatabase, LegacyMinusOneReadsAs65535) {
    TempDir tmp;
    ASSERT_TRUE(initDatabase(tmp.path()));
    Table t;
    ASSERT_TRUE(openDatabaseTable(t, tmp.path(), kScratchTableFile, wellTableLayout()));
    std::vector<FieldValue> v;
    ASSERT_TRUE(wellRowValues(makeRecord(1, 0, 0, 0, 3), 1, 1, v));
    v[kWellSop] = -1.0;
    v[kWellZagr] = -1.0;
    ASSERT_TRUE(t.appendRow(v));
    WellRows got;
    ASSERT_TRUE(readWellRows(t, got));
    ASSERT_EQ(got.records.size(), 1u);
    EXPECT_EQ(got.records[0].SOP, 65535);
    EXPECT_EQ(got.records[0].ZAGR, 65535);
    EXPECT_EQ(toUnsigned16(-1), 65535);
    EXPECT_EQ(toUnsigned16(65535), 65535);
    EXPECT_EQ(toUnsigned16(12.4), 12);
}

TEST(WellDatabase, AddingTheSameJournalTwiceMatchesEveryRow) {
    TempDir tmp;
    ASSERT_TRUE(initDatabase(tmp.path()));
    Table scratch, well;
    ASSERT_TRUE(openDatabaseTable(scratch, tmp.path(), kScratchTableFile, wellTableLayout()));
    ASSERT_TRUE(openWellTable(well, tmp.path(), "w"));
    // Events of one second kept apart: a stop, a measurement, two setting changes.
    std::vector<JournalRecord> recs = {makeRecord(5, 10, 0, 0, 3), makeRecord(5, 10, 0, 0, 255),
                                       makeRecord(5, 10, 0, 0, 250), makeRecord(5, 10, 0, 0, 250)};
    recs[2].NUM_UST = 40, recs[2].OLD_ZN = 1, recs[2].NEW_ZN = 2;
    recs[3].NUM_UST = 41, recs[3].OLD_ZN = 1, recs[3].NEW_ZN = 2;
    for (int round = 0; round < 2; ++round) {
        ASSERT_TRUE(scratch.empty());
        std::vector<std::vector<FieldValue>> rows;
        for (const auto& r : recs) {
            std::vector<FieldValue> v;
            ASSERT_TRUE(wellRowValues(r, 1, 2, v));
            rows.push_back(v);
        }
        ASSERT_TRUE(scratch.appendRows(rows));
        ASSERT_TRUE(scratch.setTag("DATt"));
        ASSERT_TRUE(well.setTag("DATt"));
        ASSERT_TRUE(well.mergeFrom(scratch));
        EXPECT_EQ(well.count(), 4u) << "round " << round;
    }
}

// The engine's side of adding journals: clear ADD in every row, merge by "DATt", read back in
// "DATA" order. An overlapping newer journal keeps the old rows and marks exactly its own rows.
TEST(WellDatabase, OverlappingJournalKeepsOldRowsAndMarksItsOwn) {
    TempDir tmp;
    ASSERT_TRUE(initDatabase(tmp.path()));
    Table scratch, well;
    ASSERT_TRUE(openDatabaseTable(scratch, tmp.path(), kScratchTableFile, wellTableLayout()));
    ASSERT_TRUE(openWellTable(well, tmp.path(), wellBaseName("Новое", 12, 345)));
    const auto add = [&](int from, int to) {
        for (well.first(); !well.eof(); well.next())
            ASSERT_TRUE(well.setField(kWellAdd, false));
        ASSERT_TRUE(scratch.empty());
        std::vector<std::vector<FieldValue>> rows;
        for (int i = from; i <= to; ++i) {
            std::vector<FieldValue> v;
            ASSERT_TRUE(wellRowValues(makeRecord(1 + i / 24, i % 24, 0, 0, 255, i), 12, 345, v));
            rows.push_back(v);
        }
        ASSERT_TRUE(scratch.appendRows(rows));
        ASSERT_TRUE(scratch.setTag("DATt"));
        ASSERT_TRUE(well.setTag("DATt"));
        ASSERT_TRUE(well.mergeFrom(scratch));
        ASSERT_TRUE(scratch.setTag("DATA"));
        ASSERT_TRUE(well.setTag("DATA"));
    };
    add(0, 9);
    add(5, 14);
    WellRows got;
    ASSERT_TRUE(readWellRows(well, got));
    ASSERT_EQ(got.records.size(), 15u);
    for (int i = 0; i < 15; ++i) {
        EXPECT_EQ(got.records[static_cast<std::size_t>(i)].hour, i % 24) << i;
        EXPECT_EQ(got.added[static_cast<std::size_t>(i)], i >= 5) << i;
    }
    // A browse clears every flag, and the change survives closing.
    for (well.first(); !well.eof(); well.next())
        ASSERT_TRUE(well.setField(kWellAdd, false));
    well.close();
    ASSERT_TRUE(openWellTable(well, tmp.path(), wellBaseName("Новое", 12, 345)));
    ASSERT_TRUE(readWellRows(well, got));
    EXPECT_EQ(std::count(got.added.begin(), got.added.end(), true), 0);
}

TEST(WellDatabase, OlderDatTKeyIsReplacedOnOpening) {
    TempDir tmp;
    ASSERT_TRUE(initDatabase(tmp.path()));
    TableLayout older = wellTableLayout();
    older.tags[1].expression = "DTOS(DATA)+TIME+STR(SOBYTIE,6)";
    ASSERT_TRUE(Table::create(tmp.file("oldK1C2.DBF"), older));
    {
        Table t;
        ASSERT_TRUE(t.open(tmp.file("oldK1C2.DBF")));
        std::vector<FieldValue> a, b;
        ASSERT_TRUE(wellRowValues(makeRecord(1, 5, 0, 0, 255, 1), 1, 2, a));
        ASSERT_TRUE(wellRowValues(makeRecord(1, 5, 0, 0, 255, 2), 1, 2, b));
        ASSERT_TRUE(t.appendRows({a, b}));
    }
    Table well;
    ASSERT_TRUE(openWellTable(well, tmp.path(), "oldK1C2"));
    EXPECT_EQ(well.tags()[1].expression, wellTableLayout().tags[1].expression);
    // Two measurements of one second with the same cause stay two rows when merged again.
    std::vector<FieldValue> a, b;
    ASSERT_TRUE(wellRowValues(makeRecord(1, 5, 0, 0, 255, 1), 1, 2, a));
    ASSERT_TRUE(wellRowValues(makeRecord(1, 5, 0, 0, 255, 2), 1, 2, b));
    ASSERT_TRUE(well.setTag("DATt"));
    ASSERT_TRUE(well.mergeRows({a, b}));
    std::set<double> uab;
    for (well.first(); !well.eof(); well.next())
        uab.insert(well.getNumber(kWellUab));
    EXPECT_EQ(uab, (std::set<double>{381, 382}));
}

// A copy killed before its rename leaves "<table>.DBF.tmp" and "<table>.CDX.tmp": the next opening
// of the database removes them, and nothing else.
TEST(WellDatabase, InterruptedCopiesAreRemovedWhenTheDatabaseOpens) {
    TempDir tmp;
    ASSERT_TRUE(initDatabase(tmp.path()));
    for (const char* name : {"novoeK1C2.DBF.tmp", "novoeK1C2.cdx.tmp", "notes.txt.tmp"})
        ASSERT_TRUE(replaceFile(tmp.file(name), {std::vector<std::uint8_t>(100, 7)}));
    Table settings, scratch;
    ASSERT_EQ(openStartupTables(tmp.path(), settings, scratch).failure, StartupFailure::None);
    EXPECT_FALSE(fileExists(tmp.file("novoeK1C2.DBF.tmp")));
    EXPECT_FALSE(fileExists(tmp.file("novoeK1C2.cdx.tmp")));
    EXPECT_TRUE(fileExists(tmp.file("notes.txt.tmp")));
}
