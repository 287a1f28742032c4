// Two local databases and one archive on a private server: what each holds after syncs in
// either order, snapshots newer on either side, a well deleted locally, oilfields pulled alone.
#include "company_test_util.h"

namespace vorsan::company::test {
namespace {

constexpr const char* kNothing =
    "pushed 0 rows and 0 snapshots of 0 wells; pulled 0 rows and 0 snapshots of 0 wells";

TEST(ServerInit, RunsTwiceAndLeavesTheViewsAndStopCauses) {
    const std::string a = freshArchive();
    PgSession s;
    ASSERT_TRUE(s.connect(server()->conninfo("postgres", a)));
    EXPECT_TRUE(initServerSchema(s));
    EXPECT_EQ(serverCount(a, "SELECT count(*) FROM vorsan.archive"), 1);
    EXPECT_EQ(serverCount(a, "SELECT count(*) FROM vorsan.stop_causes WHERE code = 140"), 1);
    EXPECT_EQ(serverCount(a, "SELECT count(*) FROM vorsan.well_rows"), 0);
    EXPECT_EQ(serverCount(a, "SELECT count(*) FROM vorsan.stops_by_month"), 0);
    EXPECT_EQ(
        serverCount(a, "SELECT count(*) FROM pg_roles WHERE rolname IN ('vorsan_field', 'vorsan_admin')"), 2);
}

TEST(Sync, FirstPushReportsRowsSnapshotAndWellThenNothingNew) {
    const std::string a = freshArchive();
    Db d;
    ASSERT_TRUE(d.add("Новое", minutes(0, 100), 12, 345).ok);
    EXPECT_EQ(counts(syncDb(d, a)),
              "pushed 100 rows and 1 snapshots of 1 wells; pulled 0 rows and 0 snapshots of 0 wells");
    EXPECT_EQ(counts(syncDb(d, a)), kNothing);
    EXPECT_EQ(serverRows(a), 100);
    EXPECT_EQ(
        serverCount(a,
                    "SELECT rows FROM vorsan.well_rows WHERE oilfield = 'Новое' AND pad = 12 AND well = 345"),
        100);
}

TEST(Sync, RowsAddedLaterAreTheOnlyOnesPushed) {
    const std::string a = freshArchive();
    Db d;
    ASSERT_TRUE(d.add("Новое", minutes(0, 100), 1, 2).ok);
    syncDb(d, a);
    ASSERT_TRUE(d.add("Новое", minutes(80, 40), 1, 2).ok);
    EXPECT_EQ(counts(syncDb(d, a)),
              "pushed 20 rows and 1 snapshots of 1 wells; pulled 0 rows and 0 snapshots of 0 wells");
    EXPECT_EQ(serverRows(a), 120);
}

struct OrderCase {
    const char* name;
    int firstA, countA, firstB, countB; // minutes of the two journals of one well
    const char* order;                  // who syncs when
    long long union_;
};

class SyncOrders : public ::testing::TestWithParam<OrderCase> {};

TEST_P(SyncOrders, BothDatabasesAndTheServerEndWithTheSameRows) {
    const OrderCase& c = GetParam();
    const std::string a = freshArchive();
    Db A, B;
    ASSERT_TRUE(A.add("Южное", minutes(c.firstA, c.countA), 5, 7).ok);
    ASSERT_TRUE(B.add("Южное", minutes(c.firstB, c.countB), 5, 7).ok);
    ASSERT_TRUE(A.add("Южное", minutes(0, 10, 9), 5, 8).ok); // a well only A has
    for (const char* who = c.order; *who; ++who) {
        const SyncReport r = syncDb(*who == 'A' ? A : B, a);
        ASSERT_TRUE(r.status) << r.status.detail;
    }
    EXPECT_EQ(localRows(A), localRows(B));
    EXPECT_EQ(serverRows(a), c.union_ + 10);
    EXPECT_EQ(localRows(A).size(), std::size_t(c.union_ + 10));
}

INSTANTIATE_TEST_SUITE_P(Journals, SyncOrders,
                         ::testing::Values(OrderCase{"DisjointABA", 0, 100, 200, 50, "ABA", 150},
                                           OrderCase{"DisjointBAB", 0, 100, 200, 50, "BAB", 150},
                                           OrderCase{"OverlappingABA", 0, 100, 50, 100, "ABA", 150},
                                           OrderCase{"OverlappingBAB", 0, 100, 50, 100, "BAB", 150},
                                           OrderCase{"IdenticalABA", 0, 100, 0, 100, "ABA", 100},
                                           OrderCase{"IdenticalBAB", 0, 100, 0, 100, "BAB", 100}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Sync, PullOfRowsTheDatabaseHasCountsNothing) {
    const std::string a = freshArchive();
    Db A, B;
    ASSERT_TRUE(A.add("Южное", minutes(0, 30), 5, 7).ok);
    ASSERT_TRUE(B.add("Южное", minutes(0, 30), 5, 7).ok);
    syncDb(A, a);
    EXPECT_EQ(counts(syncDb(B, a)),
              "pushed 0 rows and 0 snapshots of 0 wells; pulled 0 rows and 0 snapshots of 0 wells");
}

wells::StoredSnapshot snapshotOf(Db& d, std::uint16_t pad, std::uint16_t well) {
    return d.db->storedSnapshot({"Южное", pad, well}).value_or(wells::StoredSnapshot{});
}

TEST(Sync, TheNewerSnapshotWinsOnBothSides) {
    const std::string a = freshArchive();
    Db A, B;
    ASSERT_TRUE(A.add("Южное", minutes(0, 10, 1), 5, 7).ok); // snapshot of 1 March
    const Journal second = minutes(0, 10, 2);
    ASSERT_TRUE(B.db->addJournal("Южное", {&second, ControllerGeneration::Gen4,
                                           wells::test::settingsFor(ControllerGeneration::Gen4, 5, 7, 1)})
                    .ok); // of 2 March, other values
    syncDb(A, a);
    syncDb(B, a);
    syncDb(A, a);
    EXPECT_EQ(snapshotOf(A, 5, 7).date.day, 2);
    EXPECT_EQ(snapshotOf(A, 5, 7).values, snapshotOf(B, 5, 7).values);
    // Now A's is newer.
    ASSERT_TRUE(A.add("Южное", minutes(0, 10, 3), 5, 7).ok);
    syncDb(A, a);
    const SyncReport r = syncDb(B, a);
    EXPECT_EQ(r.pulled.snapshots, 1u);
    EXPECT_EQ(snapshotOf(B, 5, 7).date.day, 3);
    EXPECT_EQ(snapshotOf(B, 5, 7).values, snapshotOf(A, 5, 7).values);
    EXPECT_EQ(serverCount(a, "SELECT extract(day FROM moment)::int FROM vorsan.current_snapshots"), 3);
}

TEST(Sync, AWellDeletedLocallyStaysDeletedAndTheArchiveKeepsIt) {
    const std::string a = freshArchive();
    Db A, B;
    ASSERT_TRUE(A.add("Южное", minutes(0, 40), 5, 7).ok);
    ASSERT_TRUE(A.add("Южное", minutes(0, 5), 5, 8).ok);
    syncDb(A, a);
    ASSERT_TRUE(A.db->deleteWell({"Южное", 5, 7}).ok);
    EXPECT_EQ(counts(syncDb(A, a)), kNothing);
    EXPECT_EQ(A.db->wells().size(), 1u);
    EXPECT_EQ(serverRows(a), 45);
    // Another laptop still gets it whole.
    syncDb(B, a);
    EXPECT_EQ(B.db->wells().size(), 2u);
    EXPECT_EQ(localRows(B).size(), 45u);
    // Rows read later by someone else bring the well back whole, with its snapshot.
    ASSERT_TRUE(B.add("Южное", minutes(100, 3), 5, 7).ok);
    syncDb(B, a);
    const SyncReport r = syncDb(A, a);
    EXPECT_EQ(r.pulled.rows, 43u);
    EXPECT_EQ(A.db->wells().size(), 2u);
    EXPECT_EQ(localRows(A), localRows(B));
    EXPECT_EQ(A.db->storedSnapshot({"Южное", 5, 7}).value_or(wells::StoredSnapshot{}).values,
              B.db->storedSnapshot({"Южное", 5, 7}).value_or(wells::StoredSnapshot{}).values);
}

TEST(Sync, FieldPullsOnlyThatOilfieldAndALaterFullPullTheRest) {
    const std::string a = freshArchive();
    Db A, C;
    ASSERT_TRUE(A.add("Южное", minutes(0, 20), 5, 7).ok);
    ASSERT_TRUE(A.add("Северное", minutes(0, 30), 1, 1).ok);
    syncDb(A, a);
    SyncOptions only;
    only.push = false;
    only.fields = {"Северное"};
    EXPECT_EQ(counts(syncDb(C, a, only)),
              "pushed 0 rows and 0 snapshots of 0 wells; pulled 30 rows and 1 snapshots of 1 wells");
    EXPECT_EQ(counts(syncDb(C, a, only)), kNothing);
    EXPECT_EQ(counts(syncDb(C, a)),
              "pushed 0 rows and 0 snapshots of 0 wells; pulled 20 rows and 1 snapshots of 1 wells");
    EXPECT_EQ(localRows(C), localRows(A));
}

TEST(Sync, SmallBatchesGiveTheSameResult) {
    const std::string a = freshArchive();
    Db A, B;
    for (std::uint16_t w = 1; w <= 5; ++w)
        ASSERT_TRUE(A.add("Южное", minutes(0, 37 * w), 5, w).ok);
    SyncOptions small;
    small.batchRows = 16;
    EXPECT_EQ(syncDb(A, a, small).pushed.rows, std::size_t(37 * 15));
    EXPECT_EQ(syncDb(B, a, small).pulled.rows, std::size_t(37 * 15));
    EXPECT_EQ(localRows(A), localRows(B));
}

TEST(Sync, AnotherServerStartsAfresh) {
    const std::string a = freshArchive(), b = freshArchive();
    Db d;
    ASSERT_TRUE(d.add("Южное", minutes(0, 20), 5, 7).ok);
    syncDb(d, a);
    EXPECT_EQ(syncDb(d, b).pushed.rows, 20u);
}

} // namespace
} // namespace vorsan::company::test

namespace vorsan::company::test {
namespace {

// "Отмена" after the first batch.
struct CancelAfterFirst : SyncObserver {
    int seen = 0;
    void progress(std::string_view, std::size_t, std::size_t) override { ++seen; }
    bool cancelled() override { return seen > 0; }
};

TEST(Sync, CancelledBetweenBatchesKeepsWhatIsDoneAndTheNextSyncGoesOn) {
    const std::string a = freshArchive();
    Db A;
    for (std::uint16_t w = 1; w <= 3; ++w)
        ASSERT_TRUE(A.add("Южное", minutes(0, 30), 5, w).ok);
    SyncOptions small;
    small.batchRows = 30;
    CancelAfterFirst cancel;
    const SyncReport r = syncDb(A, a, small, "postgres", &cancel);
    EXPECT_EQ(r.status.fault, ServerFault::Cancelled);
    EXPECT_EQ(r.status.message(), "Синхронизация отменена.");
    EXPECT_EQ(r.pushed.rows, 30u);
    EXPECT_EQ(serverRows(a), 30);
    EXPECT_EQ(syncDb(A, a, small).pushed.rows, 60u);
}

} // namespace
} // namespace vorsan::company::test
