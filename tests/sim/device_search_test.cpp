// The device search over a simulated line with several stations.
#include "sim_fixture.h"

#include "link/device_search.h"

namespace vorsan::sim::test {
namespace {

// Stations at 5 and 17; absent addresses cost 500 ms of link time each, run 20 times faster
// (where no station can answer, 100 times).
class SearchLine : public ::testing::Test {
protected:
    SearchLine() : line(options()), clock(20), emptyRangeClock(100) {}
    void SetUp() override {
        ASSERT_TRUE(line.open());
        line.link.setClock(clock);
    }
    static SimOptions options() {
        SimOptions o = fastOptions();
        o.gen4Addresses = {5, 17};
        return o;
    }
    SimLine line;
    FastClock clock;
    FastClock emptyRangeClock;
};

TEST_F(SearchLine, FindsTheFirstStationFromAddressOne) {
    std::vector<int> tried;
    SearchResult r = searchStations(line.link, 1, SearchDirection::Up, [&](int n, int total) {
        EXPECT_EQ(total, 247);
        tried.push_back(n);
        return true;
    });
    EXPECT_EQ(r.error, LinkError::None);
    ASSERT_TRUE(r.found);
    EXPECT_EQ(*r.found, 5);
    EXPECT_EQ(tried, (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(line.requests().front(), (Bytes{1, 0x03, 0xFF, 0xFF, 0x00, 0x01, 0x84, 0x2E}));
}

TEST_F(SearchLine, NextAfterFiveIsSeventeenAndPreviousOfSeventeenIsFive) {
    SearchResult next = searchStations(line.link, 6, SearchDirection::Up);
    ASSERT_TRUE(next.found);
    EXPECT_EQ(*next.found, 17);
    SearchResult previous = searchStations(line.link, 16, SearchDirection::Down);
    ASSERT_TRUE(previous.found);
    EXPECT_EQ(*previous.found, 5);
}

TEST_F(SearchLine, NothingBeyondSeventeenAndNothingBelowFive) {
    line.link.setClock(emptyRangeClock);
    SearchResult beyond = searchStations(line.link, 18, SearchDirection::Up);
    EXPECT_EQ(beyond.error, LinkError::None);
    EXPECT_FALSE(beyond.found);
    // Every address up to 247 was asked (at this clock a request now and then may still sit unread
    // in the line when the next one purges it, as on a real line).
    const auto received = line.sim.received();
    ASSERT_FALSE(received.empty());
    EXPECT_GT(received.size(), 200u);
    EXPECT_EQ(received.front().bytes[0], 18);
    EXPECT_EQ(received.back().bytes[0], 247);
    EXPECT_FALSE(searchStations(line.link, 4, SearchDirection::Down).found);
    EXPECT_FALSE(searchStations(line.link, 248, SearchDirection::Up).found);
    EXPECT_FALSE(searchStations(line.link, 0, SearchDirection::Down).found);
}

TEST_F(SearchLine, AReplyFromAnotherAddressCountsAsAbsent) {
    line.sim.withLine([](LineModel& m) { m.stations[0].replyAddress = 6; });
    StationProbe probe = stationAnswers(line.link, 5);
    EXPECT_FALSE(probe.present);
    SearchResult r = searchStations(line.link, 1, SearchDirection::Up);
    ASSERT_TRUE(r.found);
    EXPECT_EQ(*r.found, 17);
}

TEST_F(SearchLine, CancelStopsBeforeTheNextAddress) {
    SearchResult r = searchStations(line.link, 1, SearchDirection::Up, [](int n, int) { return n < 3; });
    EXPECT_TRUE(r.cancelled);
    EXPECT_FALSE(r.found);
    EXPECT_EQ(line.sim.received().size(), 2u);
}

} // namespace
} // namespace vorsan::sim::test
