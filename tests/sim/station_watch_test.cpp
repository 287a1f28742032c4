// Watching two stations of one line: the rows follow a station that trips and starts again and
// one that goes silent and comes back; the simulator's cycles do the same on their own.
#include "sim_fixture.h"

#include "journal/current_state.h"
#include "link/station_watch.h"

namespace vorsan::sim::test {
namespace {

TEST(StationWatch, RowsFollowAStopAndASilence) {
    SimOptions o = fastOptions();
    o.gen4Addresses = {5, 7};
    SimLine line(o);
    ASSERT_TRUE(line.open());
    line.sim.withLine([](LineModel& m) {
        for (Gen4Station& s : m.stations)
            startStop(s, true);
    });
    StationRow five, seven;
    five.address = 5;
    seven.address = 7;
    const WallTime t0 = std::chrono::system_clock::now();
    EXPECT_EQ(pollStationRow(line.link, five, t0).change, RowChange::FirstAnswer);
    EXPECT_EQ(pollStationRow(line.link, seven, t0).change, RowChange::FirstAnswer);
    EXPECT_TRUE(five.running());
    const std::uint16_t sevenPad = seven.state.padNumber;

    line.sim.withLine([](LineModel& m) {
        trip(m.stations[0], 3);
        m.stations[1].silent = true;
    });
    const WallTime t1 = t0 + std::chrono::seconds(4);
    EXPECT_EQ(pollStationRow(line.link, five, t1).change, RowChange::Stopped);
    EXPECT_TRUE(five.stopped());
    EXPECT_EQ(stopText(five.state.status), "Стоп, недогрузка");
    EXPECT_EQ(pollStationRow(line.link, seven, t1).change, RowChange::WentSilent);
    EXPECT_FALSE(seven.answering);
    EXPECT_EQ(seven.state.padNumber, sevenPad); // the last state stays
    EXPECT_EQ(seven.ageSeconds(t1), 4);

    line.sim.withLine([](LineModel& m) {
        startStop(m.stations[0], true);
        m.stations[1].silent = false;
    });
    EXPECT_EQ(pollStationRow(line.link, five, t1).change, RowChange::Started);
    EXPECT_EQ(pollStationRow(line.link, seven, t1).change, RowChange::CameBack);
}

TEST(StationWatch, SimulatedCyclesStopAndSilenceStationsOnTheirOwn) {
    SimOptions o = fastOptions();
    o.gen4Addresses = {5, 7};
    o.stopCycleS = {{5, 1}};
    o.silenceCycleS = {{7, 1}};
    SimLine line(o);
    ASSERT_TRUE(line.open());
    StationRow five, seven;
    five.address = 5;
    seven.address = 7;
    bool fiveRan = false, fiveStood = false, sevenAnswered = false, sevenSilent = false;
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (std::chrono::steady_clock::now() < until &&
           !(fiveRan && fiveStood && sevenAnswered && sevenSilent)) {
        if (pollStationRow(line.link, five, std::chrono::system_clock::now()).answered)
            (five.running() ? fiveRan : fiveStood) = true;
        (pollStationRow(line.link, seven, std::chrono::system_clock::now()).answered ? sevenAnswered
                                                                                     : sevenSilent) = true;
    }
    EXPECT_TRUE(fiveRan && fiveStood);
    EXPECT_TRUE(sevenAnswered && sevenSilent);
}

TEST(StationWatch, CsvLineOfAnAnswer) {
    StationRow row;
    row.address = 12;
    row.everAnswered = row.answering = true;
    row.state.status = 3 << 6; // stood after an underload stop
    row.state.UAB = 380;
    row.state.UBC = 379;
    row.state.UCA = 381;
    row.state.IA = 235;
    row.state.IB = 5;
    row.state.IC = 1000;
    row.state.ZAGR = 64;
    row.state.SOP = 4500;
    row.state.powerFactor = 7;
    row.state.P = 55;
    row.state.T = 91;
    row.state.year = 26;
    row.state.month = 12;
    row.state.day = 9;
    row.state.hour = 8;
    row.state.minute = 5;
    row.state.second = 3;
    row.state.padNumber = 4;
    row.lastAnswer = std::chrono::system_clock::now();
    const std::string line = StationCsv::line(row);
    const std::string time = isoLocalTime(row.lastAnswer);
    EXPECT_EQ(line, time + ",12,4,,0,3,380,379,381,23.5,0.5,100.0,64,4500,0.07,55,91,2026-12-09T08:05:03");
    // "2026-12-09T16:40:01+03:00"
    ASSERT_EQ(time.size(), 25u);
    EXPECT_EQ(time[10], 'T');
    EXPECT_TRUE(time[19] == '+' || time[19] == '-');
    EXPECT_EQ(time[22], ':');
}

} // namespace
} // namespace vorsan::sim::test
