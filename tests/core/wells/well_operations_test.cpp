// Adding, showing and deleting in the well database, the directory and the search, as the
// database tab and the command line use them.
#include "db/file_io.h"
#include "db/well_database.h"
#include "text/cp1251.h"
#include "wells_test_util.h"

#include <sys/stat.h>

using namespace vorsan;
using namespace vorsan::wells;
using namespace vorsan::wells::test;

namespace {

std::vector<bool> addedFlags(const WellDatabase& d) {
    return d.journal().added;
}
int countAdded(const WellDatabase& d) {
    return static_cast<int>(std::count(d.journal().added.begin(), d.journal().added.end(), true));
}

} // namespace

// ---- adding a journal --------------------------------------------------------------------------

TEST(AddJournal, NewWellGetsItsTableAndSnapshot) {
    Db d;
    const Journal j = minutes(0, 3);
    ASSERT_TRUE(d.add("  Новое ", j, 12, 345).ok);
    EXPECT_TRUE(db::fileExists(db::joinPath(d.dir(), "novoeK12C345.DBF")));
    EXPECT_TRUE(db::fileExists(db::joinPath(d.dir(), "novoeK12C345.CDX")));
    EXPECT_EQ(d.db->wells(), (std::vector<WellId>{{"Новое", 12, 345}}));
    EXPECT_EQ(d.db->shownWell(), (WellId{"Новое", 12, 345}));
    EXPECT_EQ(d.db->journal().journal.count(), 3u);
    EXPECT_EQ(countAdded(*d.db), 3);
    EXPECT_TRUE(d.db->settings().present);
    EXPECT_EQ(d.db->settings().momentText, "01.03.2024 00/02/00");
}

TEST(AddJournal, MergeRules) {
    struct Case {
        const char* rule;
        std::vector<Journal> journals; // added in order to one well
        std::size_t rows;
        std::vector<bool> added; // after the last addition, in display order
    };
    Journal feb31 = minutes(0, 6);
    feb31.records[4].month = 2, feb31.records[4].day = 31;
    Journal sameSecond;
    sameSecond.records = {makeRecord(1, 5, 0, 0, 255, 1), makeRecord(1, 5, 0, 0, 255, 2)};
    const Case cases[] = {
        {"the same journal twice adds nothing and highlights all of it", {minutes(0, 4), minutes(0, 4)}, 4,
         {true, true, true, true}},
        {"a newer overlapping journal keeps the old rows and flags exactly its own",
         {minutes(0, 4), minutes(2, 4)}, 6, {false, false, true, true, true, true}},
        {"a record dated 31 February ends the journal", {feb31}, 4, {true, true, true, true}},
        {"two records of one second are two rows, and stay two when added again", {sameSecond, sameSecond},
         2, {true, true}},
    };
    for (const Case& c : cases) {
        Db d;
        for (const Journal& j : c.journals)
            ASSERT_TRUE(d.add("Новое", j, 1, 2).ok) << c.rule;
        EXPECT_EQ(d.db->journal().journal.count(), c.rows) << c.rule;
        EXPECT_EQ(addedFlags(*d.db), c.added) << c.rule;
    }
}

TEST(AddJournal, SnapshotIsOneRowPerWellWithTheNewestValues) {
    Db d;
    ASSERT_TRUE(d.add("Новое", minutes(0, 2), 1, 2).ok);
    const Journal newer = minutes(100, 2, 5);
    ASSERT_TRUE(d.db->addJournal("Новое", {&newer, ControllerGeneration::Gen4,
                                           settingsFor(ControllerGeneration::Gen4, 1, 2, 1)})
                    .ok);
    EXPECT_EQ(d.db->wells().size(), 1u);
    EXPECT_EQ(d.db->settings().momentText, "05.03.2024 01/41/00");
    EXPECT_EQ(d.db->settings().catalogue.entries[0].value, 1);
}

TEST(AddJournal, GenerationDecidesTheSettingsPage) {
    struct Case {
        ControllerGeneration g;
        std::size_t rows;
        const char* last;
    };
    for (const Case& c : {Case{ControllerGeneration::Gen4, 77, "97  "}, Case{ControllerGeneration::Gen3, 82, "A2  "}}) {
        Db d;
        ASSERT_TRUE(d.add("Новое", minutes(0, 2), 1, 2, c.g).ok);
        EXPECT_EQ(d.db->settings().generation, c.g);
        ASSERT_EQ(d.db->settingsPage().size(), c.rows);
        EXPECT_TRUE(d.db->settingsPage().front().name.starts_with("21  "));
        EXPECT_TRUE(d.db->settingsPage().back().name.starts_with(c.last)) << d.db->settingsPage().back().name;
    }
}

TEST(AddJournal, BatchModeShowsNothing) {
    Db d;
    const Journal j = minutes(0, 3);
    ASSERT_TRUE(d.db->addJournalQuietly("Новое", {&j, ControllerGeneration::Gen4,
                                                  settingsFor(ControllerGeneration::Gen4, 1, 2)})
                    .ok);
    EXPECT_EQ(d.db->journal().journal.count(), 0u);
    EXPECT_EQ(d.db->wells().size(), 1u);
}

TEST(AddJournal, OilfieldNames) {
    struct Case {
        const char* typed;
        bool ok;
        const char* name;
    };
    const Case cases[] = {
        {"  Новое  ", true, "Новое"},
        {"   ", false, ""},
        {"Ааааааааааааааааааааааааааааа1", true, "Ааааааааааааааааааааааааааааа1"},
        {"Ааааааааааааааааааааааааааааа12", false, ""},
        {"Нефть 😀", false, ""},
        {"a/b", false, ""},
        {"a\\b", false, ""},
        {"a\nb", false, ""},
        {"a\tb", false, ""},
        {"a\x01" "b", false, ""},
        {"a\x7F" "b", false, ""},
        {"..", true, ".."},
    };
    for (const Case& c : cases) {
        const OilfieldName n = checkOilfieldName(c.typed);
        EXPECT_EQ(n.ok, c.ok) << c.typed;
        if (c.ok) {
            EXPECT_EQ(n.name, c.name);
        } else {
            EXPECT_FALSE(n.message.empty());
        }
    }
    Db d;
    EXPECT_FALSE(d.add("   ", minutes(0, 1), 1, 2).ok);
    EXPECT_TRUE(d.db->wells().empty());
}

// Two oilfields never share a table; names that differ only in letter case do, by design.
TEST(AddJournal, NamesThatWouldShareATableAreRefused) {
    struct Case {
        const char* first;
        const char* second;
        bool secondAdded;
    };
    const Case cases[] = {
        {"шило", "shilo", false},
        {"..", "__", false},
        {"Щука", "sh_uka", false},
        {"Шило", "шило", true},
        {"Abc", "abc", true},
        {"шило", "шилоа", true},
    };
    for (const Case& c : cases) {
        Db d;
        ASSERT_TRUE(d.add(c.first, minutes(0, 3), 1, 2).ok) << c.first;
        const Outcome o = d.add(c.second, minutes(10, 2), 1, 2);
        EXPECT_EQ(o.ok, c.secondAdded) << c.first << " / " << c.second << ": " << o.message;
        ASSERT_TRUE(d.db->showWell({c.first, 1, 2}).ok);
        EXPECT_EQ(d.db->journal().journal.count(), c.secondAdded && sameOilfieldIgnoringCase(c.first, c.second) ? 5u : 3u)
            << c.first << " / " << c.second;
        EXPECT_EQ(d.db->wells().size(), c.secondAdded ? 2u : 1u);
    }
}

// A station whose pad or well was never set gives a well of 65535: shown, saved and deleted as any.
TEST(UnsetNumbers, WellOf65535IsAWellLikeAnyOther) {
    Db d;
    const WellId unset{"Новое", 0xFFFF, 0xFFFF};
    ASSERT_TRUE(d.add("Новое", minutes(0, 3), 0xFFFF, 0xFFFF).ok);
    ASSERT_TRUE(d.db->showWell(unset).ok);
    EXPECT_EQ(d.db->journal().journal.count(), 3u);
    const std::string vbd = d.tmp.file("unset.VBD");
    ASSERT_TRUE(d.db->saveWellFile(unset, vbd).ok);
    ASSERT_TRUE(d.db->deleteWell(unset).ok);
    EXPECT_TRUE(d.db->wells().empty());
    ASSERT_TRUE(d.db->addWellFile(vbd).ok);
    EXPECT_EQ(d.db->shownWell(), unset);
    EXPECT_EQ(d.db->journal().journal.count(), 3u);
}

// ---- showing, deleting ---------------------------------------------------------------------------

TEST(ShowWell, ClearsTheHighlightAndWritesNothingWhenNothingIsHighlighted) {
    Db d;
    ASSERT_TRUE(d.add("Новое", minutes(0, 3), 1, 2).ok);
    ASSERT_TRUE(d.db->showWell({"Новое", 1, 2}).ok);
    EXPECT_EQ(countAdded(*d.db), 0);
    struct stat before {}, after {};
    const std::string dbf = db::joinPath(d.dir(), "novoeK1C2.DBF");
    ASSERT_EQ(::stat(dbf.c_str(), &before), 0);
    ASSERT_TRUE(d.db->showWell({"Новое", 1, 2}).ok);
    ASSERT_EQ(::stat(dbf.c_str(), &after), 0);
    EXPECT_EQ(before.st_ino, after.st_ino);
    EXPECT_EQ(before.st_mtim.tv_nsec, after.st_mtim.tv_nsec);
    EXPECT_EQ(before.st_mtim.tv_sec, after.st_mtim.tv_sec);
}

TEST(ShowWell, SettingsPageOfAWellWithoutSnapshotAndNoValue) {
    Db d;
    ASSERT_TRUE(d.db->showWell({"Пусто", 3, 4}).ok);
    EXPECT_FALSE(d.db->settings().present);
    EXPECT_EQ(d.db->settings().momentText, "../../.... ..:..:..");
    ASSERT_FALSE(d.db->settingsPage().empty());
    EXPECT_TRUE(d.db->settingsPage()[0].name.starts_with("  "));
    EXPECT_EQ(d.db->settingsPage()[0].value, "");

    SettingsSet s = settingsFor(ControllerGeneration::Gen4, 1, 2);
    s[0] = 0xFFFF; // 21: nominal voltage, a number: shown as a number, not empty
    const Journal j = minutes(0, 1);
    ASSERT_TRUE(d.db->addJournal("Новое", {&j, ControllerGeneration::Gen4, s}).ok);
    EXPECT_TRUE(d.db->settingsPage()[0].value.starts_with("65535")) << d.db->settingsPage()[0].value;

    // A list of choices has no entry 65535 nor 3 ("Откл,Блок,АПВ"): both are errors, not empty texts.
    s[1] = 0xFFFF; // 22
    s[4] = 3;      // 25
    ASSERT_TRUE(d.db->addJournal("Новое", {&j, ControllerGeneration::Gen4, s}).ok);
    ASSERT_EQ(d.db->settingsPageErrors().size(), 2u);
    EXPECT_TRUE(d.db->settingsPageErrors()[0].starts_with("22")) << d.db->settingsPageErrors()[0];
}

TEST(DeleteRows, GoneUntilTheJournalIsAddedAgain) {
    Db d;
    const Journal j = minutes(0, 5);
    ASSERT_TRUE(d.add("Новое", j, 1, 2).ok);
    ASSERT_TRUE(d.db->deleteRows({"Новое", 1, 2}, shownRecords(*d.db, {1, 3})).ok);
    ASSERT_EQ(d.db->journal().journal.count(), 3u);
    EXPECT_EQ(d.db->journal().journal.records[1].minute, 2);
    ASSERT_TRUE(d.db->showWell({"Новое", 1, 2}).ok);
    EXPECT_EQ(d.db->journal().journal.count(), 3u);
    ASSERT_TRUE(d.add("Новое", j, 1, 2).ok);
    EXPECT_EQ(d.db->journal().journal.count(), 5u);
}

TEST(DeleteWell, LeavesTheTreeAndKeepsEmptyFiles) {
    Db d;
    ASSERT_TRUE(d.add("Новое", minutes(0, 3), 1, 2).ok);
    ASSERT_TRUE(d.add("Новое", minutes(0, 3), 1, 3).ok);
    ASSERT_TRUE(d.db->deleteWell({"Новое", 1, 2}).ok);
    EXPECT_EQ(d.db->wells(), (std::vector<WellId>{{"Новое", 1, 3}}));
    EXPECT_EQ(d.db->journal().journal.count(), 0u);
    EXPECT_TRUE(db::fileExists(db::joinPath(d.dir(), "novoeK1C2.DBF")));
}

TEST(TextExport, UsesTheWellsNumbers) {
    Db d;
    ASSERT_TRUE(d.add("Новое", minutes(0, 2), 12, 345).ok);
    EXPECT_EQ(WellDatabase::offeredTextFileName({"Новое", 12, 345}), "Куст12_Ск345");
    JournalTextFile f;
    ASSERT_TRUE(d.db->journalText({"Новое", 12, 345}, "ВОРСАН 4.074 ", f).ok);
    const std::string second = utf8ToCp1251("      куст № 12   скважина № 345\r\n").bytes;
    EXPECT_NE(f.bytes.find(second), std::string::npos);
    EXPECT_EQ(WellDatabase::offeredTextFileName({"Новое", 0xFFFF, 0xFFFF}), "");
}

TEST(OneProgramPerDatabase, SecondOpenIsRefused) {
    Db d;
    Outcome o;
    auto second = WellDatabase::open(d.dir(), ',', o);
    EXPECT_FALSE(second);
    EXPECT_EQ(o.message, "База данных уже открыта другой программой.");
    const std::string dir = d.dir();
    d.db.reset();
    EXPECT_TRUE(WellDatabase::open(dir, ',', o));
}

// ---- directory and search ---------------------------------------------------------------------------

TEST(Directory, TreeAndOilfieldOrder) {
    Db d;
    EXPECT_TRUE(d.db->tree().oilfields.empty());
    for (const char* f : {"Южное", "Новое"})
        for (std::uint16_t pad : {7, 3})
            for (std::uint16_t well : {20, 10})
                ASSERT_TRUE(d.add(f, minutes(0, 1), pad, well).ok);
    const WellTree t = d.db->tree();
    ASSERT_EQ(t.oilfields.size(), 2u);
    EXPECT_EQ(t.oilfields[0].name, "Новое");
    ASSERT_EQ(t.oilfields[0].pads.size(), 2u);
    EXPECT_EQ(t.oilfields[0].pads[0].pad, 3);
    EXPECT_EQ(t.oilfields[0].pads[0].wells, (std::vector<std::uint16_t>{10, 20}));
    EXPECT_EQ(d.db->oilfieldNames(), (std::vector<std::string>{"Новое", "Южное"}));
}

TEST(Directory, WellListLine) {
    const std::string line = wellListLine({"Новое", 7, 1234});
    EXPECT_EQ(line, "куст     7 скважина  1234  М: Новое");
    EXPECT_EQ(parseWellListLine(line), (WellId{"Новое", 7, 1234}));
    EXPECT_EQ(parseWellListLine("куст    ab скважина  1234  М: X"), std::nullopt);
}

TEST(Directory, SearchByPrefixes) {
    const std::vector<WellId> all = {{"Новое", 1, 5},  {"Новое", 10, 5},  {"Новое", 112, 5},
                                     {"Новое", 12, 50}, {"новое", 1, 5},  {"ХНовое", 1, 5},
                                     {"Новое", 2, 15}};
    struct Case {
        WellSearch s;
        std::vector<std::size_t> found;
    };
    const Case cases[] = {
        {{"", "1", ""}, {0, 1, 2, 3, 4, 5}},
        {{"", "12", ""}, {3}},
        {{"Но", "", ""}, {0, 1, 2, 3, 6}},
        {{"", "", "5"}, {0, 1, 2, 3, 4, 5}},
        {{"", "", ""}, {0, 1, 2, 3, 4, 5, 6}},
        {{"Новое", "2", "1"}, {6}},
        {{"Z", "", ""}, {}},
    };
    for (const Case& c : cases) {
        std::vector<WellId> want;
        for (std::size_t i : c.found)
            want.push_back(all[i]);
        EXPECT_EQ(findWells(all, c.s), want) << c.s.oilfield << "/" << c.s.pad << "/" << c.s.well;
    }
}
