// The fast scan of the whole line against the simulator: exactly the stations on the line are
// found, also when one of them answers late, when requests go unanswered, or when a reply carries
// another address. The link clock runs five times faster than the simulator, which answers at once.
#include "sim_fixture.h"

#include "link/line_scan.h"

#include <set>

namespace vorsan::sim::test {
namespace {

struct ScanCase {
    const char* what;
    std::vector<std::uint8_t> stations;
    std::uint8_t current;
    std::map<std::uint8_t, unsigned> lateMs; // real milliseconds: 30 are 150 ms of link time
    unsigned dropEvery;
    std::uint8_t misaddressed; // this station answers as the next address
    std::set<int> expected;
    bool secondPass; // a station can only be found by the second pass
};

TEST(FastScan, FindsExactlyTheStationsOnTheLine) {
    const std::vector<std::uint8_t> pad = {1, 5, 7, 12, 33, 101, 247}, late = {1, 5, 7, 8, 33, 101, 247};
    const std::set<int> padSet(pad.begin(), pad.end()), lateSet(late.begin(), late.end());
    const std::vector<ScanCase> cases = {
        {"seven stations", pad, 1, {}, 0, 0, padSet, false},
        // Station 8 is asked while station 7 is still thinking.
        {"one late station", late, 1, {{7, 30}}, 0, 0, lateSet, false},
        {"every 10th request dropped", pad, 1, {}, 10, 0, padSet, false},
        // Station 200's first probe goes unanswered; the second pass finds it.
        {"every 4th request dropped", {2, 9, 60, 200}, 9, {}, 4, 0, {2, 9, 60, 200}, true},
        {"the ends of the range, current address empty", {1, 247}, 100, {}, 0, 0, {1, 247}, false},
        {"a reply from the wrong address", {5, 17}, 1, {}, 0, 5, {17}, false},
    };
    for (const ScanCase& c : cases) {
        SCOPED_TRACE(c.what);
        SimOptions o = fastOptions();
        o.gen4Addresses = c.stations;
        o.replyDelayMs = c.lateMs;
        o.dropEvery = c.dropEvery;
        SimLine line(o);
        ASSERT_TRUE(line.open());
        if (c.misaddressed)
            line.sim.withLine([&](LineModel& m) {
                for (Gen4Station& s : m.stations)
                    if (s.address == c.misaddressed)
                        s.replyAddress = static_cast<std::uint8_t>(s.address + 1);
            });
        std::set<int> reported;
        LineScanOptions options;
        options.currentAddress = c.current;
        options.found = [&](const ScannedStation& s) { reported.insert(s.address); };
        const LineScanResult r = scanLine(line.link, options);
        EXPECT_EQ(r.error, LinkError::None);
        EXPECT_FALSE(r.cancelled);
        std::set<int> found;
        int lastPass = 0;
        for (const ScannedStation& s : r.stations) {
            found.insert(s.address);
            lastPass = std::max(lastPass, s.pass);
            const Gen4Station st = line.sim.withLine([&](LineModel& m) {
                for (const Gen4Station& g : m.stations)
                    if (g.address == s.address) return g;
                return Gen4Station{};
            });
            EXPECT_EQ(s.pad, st.holding[kRegPad]) << int(s.address);
            EXPECT_EQ(s.well, st.holding[kRegWell]) << int(s.address);
        }
        EXPECT_EQ(found, c.expected);
        EXPECT_EQ(reported, c.expected);
        // (Without dropped requests the first pass normally finds everything, but a loaded machine
        // may delay the simulator beyond a time-out of 4 real ms; the second pass is there for that.)
        if (c.secondPass) {
            EXPECT_EQ(lastPass, 2);
        }
        EXPECT_EQ(line.requests().front()[0], c.current);
    }
}

TEST(FastScan, CancelStopsAtTheAddressAndKeepsWhatWasFound) {
    SimOptions o = fastOptions();
    o.gen4Addresses = {3, 40, 150};
    SimLine line(o);
    ASSERT_TRUE(line.open());
    // At the real pace: a cancelled scan has no second pass to make up for a late answer.
    line.link.setClock(SteadyLinkClock::instance());
    LineScanOptions options;
    options.proceed = [](const ScanStep& step) { return step.pass < 1 || step.address < 100; };
    const LineScanResult r = scanLine(line.link, options);
    EXPECT_TRUE(r.cancelled);
    ASSERT_EQ(r.stations.size(), 2u);
    EXPECT_EQ(r.stations[0].address, 3);
    EXPECT_EQ(r.stations[1].address, 40);
    // Nothing at or beyond the address where it was cancelled was asked.
    for (const Bytes& request : line.requests())
        EXPECT_LT(request[0], 100);
}

// The full scan asks every address once, in order, with the fixed wait, and enters each station.
// Its 500 ms run fifty times faster (the simulator answers at once).
TEST(FullScan, AsksEveryAddressOnceAndFindsTheEnds) {
    SimOptions o = fastOptions();
    o.gen4Addresses = {1, 60, 247};
    const ScaledLinkClock faster(50); // outlives the link
    SimLine line(o);
    line.link.setClock(faster);
    ASSERT_TRUE(line.open());
    std::vector<int> steps;
    LineScanOptions options;
    options.proceed = [&](const ScanStep& step) {
        steps.push_back(step.address);
        return true;
    };
    const LineScanResult r = scanLineFully(line.link, options);
    EXPECT_EQ(r.error, LinkError::None);
    EXPECT_EQ(r.requests, 247);
    ASSERT_EQ(steps.size(), 247u);
    EXPECT_EQ(steps.front(), 1);
    EXPECT_EQ(steps.back(), 247);
    ASSERT_EQ(r.stations.size(), 3u);
    EXPECT_EQ(r.stations[0].address, 1);
    EXPECT_EQ(r.stations[1].address, 60);
    EXPECT_EQ(r.stations[2].address, 247);
    for (const ScannedStation& s : r.stations)
        EXPECT_TRUE(s.padWellAnswered) << int(s.address);
    // Each station's probe is followed by its pad-and-well request: 247 probes and 3 of those.
    EXPECT_EQ(line.requests().size(), 250u);
}

TEST(FullScan, CancelStopsAtTheAddress) {
    SimOptions o = fastOptions();
    o.gen4Addresses = {3, 150};
    const ScaledLinkClock faster(50); // outlives the link
    SimLine line(o);
    line.link.setClock(faster);
    ASSERT_TRUE(line.open());
    LineScanOptions options;
    options.proceed = [](const ScanStep& step) { return step.address < 100; };
    const LineScanResult r = scanLineFully(line.link, options);
    EXPECT_TRUE(r.cancelled);
    ASSERT_EQ(r.stations.size(), 1u);
    EXPECT_EQ(r.stations[0].address, 3);
    for (const Bytes& request : line.requests())
        EXPECT_LT(request[0], 100);
}

} // namespace
} // namespace vorsan::sim::test
