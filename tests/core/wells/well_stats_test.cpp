// Run-life figures of database wells: read without touching the well, and the table of wells that
// reads a well again only when it changed.
#include "db/file_io.h"
#include "db/well_database.h"
#include "wells_test_util.h"

using namespace vorsan;
using namespace vorsan::wells;
using namespace vorsan::wells::test;

namespace {

// A start at 00:00 of `day` and a stop `minutes` later.
Journal runOf(int day, int minutes, int cause) {
    Journal j;
    j.records = {makeRecord(day, 0, 0, 0, 49), makeRecord(day, minutes / 60, minutes % 60, 0, cause),
                 makeRecord(day, 23, 0, 0, 255)};
    return j;
}

std::vector<std::uint8_t> tableOf(const Db& d, const WellId& w) {
    std::vector<std::uint8_t> bytes;
    EXPECT_TRUE(db::readWholeFile(
        db::databaseFile(d.dir(), db::wellBaseName(w.oilfield, w.pad, w.well) + ".DBF"), bytes));
    return bytes;
}

} // namespace

TEST(WellStats, ReadingLeavesTheWellAsItWas) {
    Db d;
    const WellId a{"Северное", 1, 10}, b{"Северное", 1, 11};
    ASSERT_TRUE(d.add("Северное", runOf(1, 30, 3), 1, 10).ok);
    ASSERT_TRUE(d.add("Северное", runOf(2, 90, 10), 1, 11).ok);
    // b is shown with its rows flagged as added; reading a (closed) and b (open here) changes neither.
    const auto before = tableOf(d, a), beforeB = tableOf(d, b);
    WellForStats w;
    ASSERT_TRUE(d.db->readWellForStats(a, w).ok);
    ASSERT_TRUE(d.db->readWellForStats(b, w).ok);
    // The rows in the order shown (showing also turns a COS_ of no value into 0; the figures do not use it).
    ASSERT_EQ(w.records.size(), d.db->journal().journal.count());
    for (std::size_t i = 0; i < w.records.size(); ++i) {
        JournalRecord shown = d.db->journal().journal.records[i];
        shown.COS_ = w.records[i].COS_;
        EXPECT_EQ(w.records[i], shown) << i;
    }
    EXPECT_TRUE(w.settingsPresent);
    EXPECT_EQ(w.settings.byNumber(kGen4WellNumber)->value, 11);
    EXPECT_EQ(tableOf(d, a), before);
    EXPECT_EQ(tableOf(d, b), beforeB);
    EXPECT_EQ(d.db->shownWell(), b);
    EXPECT_EQ(std::count(d.db->journal().added.begin(), d.db->journal().added.end(), true), 3);

    // A well whose table is not open is read from its file: the fields the figures use agree with
    // what showing it reads.
    ASSERT_TRUE(d.db->readWellForStats(a, w).ok);
    ASSERT_TRUE(d.db->showWell(a).ok);
    ASSERT_EQ(w.records.size(), d.db->journal().journal.count());
    for (std::size_t i = 0; i < w.records.size(); ++i) {
        const JournalRecord &r = w.records[i], &shown = d.db->journal().journal.records[i];
        EXPECT_EQ(std::tie(r.year, r.month, r.day, r.hour, r.minute, r.second, r.SOBYTIE, r.EXT_ZAP, r.SOP),
                  std::tie(shown.year, shown.month, shown.day, shown.hour, shown.minute, shown.second,
                           shown.SOBYTIE, shown.EXT_ZAP, shown.SOP))
            << i;
    }
    analytics::WellStats s;
    ASSERT_TRUE(d.db->wellStats(a, {}, s).ok);
    EXPECT_EQ(s.work, 30 * 60);
    EXPECT_EQ(s.stopsByCause, (std::map<std::uint8_t, std::size_t>{{3, 1}}));
}

TEST(WellStats, TableReadsOnlyTheWellsThatChanged) {
    Db d;
    ASSERT_TRUE(d.add("Северное", runOf(1, 600, 3), 1, 10).ok);
    ASSERT_TRUE(d.add("Северное", runOf(1, 30, 5), 1, 11).ok);
    ASSERT_TRUE(d.add("Южное", Journal{{makeRecord(1, 0, 0, 0, 255)}}, 2, 20).ok);
    const auto wells = d.db->wells();
    WellStatsCache cache;
    WellStatsTable t;
    ASSERT_TRUE(d.db->wellStatsTable(wells, {}, cache, t).ok);
    EXPECT_EQ(t.wellsRead, 3u);
    // Worst first: the 30-minute run, the 10-hour run, then the well without a stop.
    ASSERT_EQ(t.rows.size(), 3u);
    EXPECT_EQ(t.rows[0].well, (WellId{"Северное", 1, 11}));
    EXPECT_EQ(t.rows[0].summary.topCause, 5);
    EXPECT_EQ(t.rows[1].well, (WellId{"Северное", 1, 10}));
    EXPECT_EQ(t.rows[2].well, (WellId{"Южное", 2, 20}));
    EXPECT_FALSE(t.rows[2].summary.mtbs);

    ASSERT_TRUE(d.db->wellStatsTable(wells, {}, cache, t).ok);
    EXPECT_EQ(t.wellsRead, 0u);
    EXPECT_EQ(t.wellsKept, 3u);

    // A journal added to one well, and showing another (which clears its ADD flags on disk).
    ASSERT_TRUE(d.add("Северное", runOf(5, 10, 9), 1, 10).ok);
    ASSERT_TRUE(d.db->showWell({"Северное", 1, 11}).ok);
    ASSERT_TRUE(d.db->wellStatsTable(wells, {}, cache, t).ok);
    EXPECT_EQ(t.wellsRead, 2u);
    EXPECT_EQ(t.rows[1].well, (WellId{"Северное", 1, 10}));
    EXPECT_EQ(t.rows[1].summary.stops, 2u);
    // Another period is other figures.
    ASSERT_TRUE(d.db->wellStatsTable(wells, {analytics::parseMoment("2024-03-02"), {}}, cache, t).ok);
    EXPECT_EQ(t.wellsRead, 3u);
}
