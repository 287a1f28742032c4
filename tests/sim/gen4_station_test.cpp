// Every generation 4 transaction against simulated stations over a real pseudo-terminal.
#include "sim_fixture.h"

#include "link/current_state_read.h"
#include "link/journal_transfer.h"
#include "link/line_probe.h"
#include "link/settings_transfer.h"
#include "link/station_control.h"
#include "settings/catalogue.h"
#include "settings/settings_block.h"

namespace vorsan::sim::test {
namespace {

SimOptions gen4Line(std::vector<std::uint8_t> addresses) {
    SimOptions o = fastOptions();
    o.gen4Addresses = std::move(addresses);
    return o;
}

Gen4Station stationOf(Simulator& sim, std::uint8_t address) {
    return sim.withLine([&](LineModel& m) {
        for (const Gen4Station& s : m.stations)
            if (s.address == address) return s;
        ADD_FAILURE() << "no station " << int(address);
        return Gen4Station{};
    });
}

TEST(Gen4Station, ProbeFindsTheStationWithItsPadAndWell) {
    SimLine line(gen4Line({3}));
    ASSERT_TRUE(line.open());
    const Gen4Station st = stationOf(line.sim, 3);
    LineProbe found = probeLine(line.link, 3);
    EXPECT_EQ(found.device, LineDevice::Gen4Station);
    EXPECT_EQ(found.pad, st.holding[kRegPad]);
    EXPECT_EQ(found.well, st.holding[kRegWell]);
    EXPECT_EQ(probeLine(line.link, 4).device, LineDevice::Nothing);
}

TEST(Gen4Station, CurrentStateEqualsTheStationsRegisters) {
    SimLine line(gen4Line({1}));
    ASSERT_TRUE(line.open());
    CurrentStateRead read = readCurrentState4(line.link, 1);
    ASSERT_TRUE(read.ok()) << errorWord(read.error);
    const Gen4Station st = stationOf(line.sim, 1); // the poll brought it up to date first
    CurrentState expected = decodeParameterBlockState(blockFromRegisters(st.holding));
    expected.padNumber = st.holding[kRegPad];
    expected.wellNumber = st.holding[kRegWell];
    EXPECT_EQ(read.state, expected);
    EXPECT_EQ(read.state.UAB, st.holding[64]);
    EXPECT_EQ(read.state.IA, st.holding[68]);
}

TEST(Gen4Station, JournalReadReturnsTheImageByteForByte) {
    SimLine line(gen4Line({1}));
    ASSERT_TRUE(line.open());
    int steps = 0;
    JournalRead read = readJournal4(line.link, 1, [&](int, int total) {
        EXPECT_EQ(total, 256);
        ++steps;
        return true;
    });
    ASSERT_TRUE(read.ok()) << errorWord(read.error);
    EXPECT_EQ(steps, 257);
    EXPECT_EQ(read.retries, 0);
    EXPECT_TRUE(read.image == stationOf(line.sim, 1).journal);
}

TEST(Gen4Station, JournalReadSurvivesCorruptAndDroppedReplies) {
    SimOptions o = gen4Line({1});
    o.corrupt = 0.05;
    o.drop = 0.02;
    o.seed = 11;
    SimLine line(o);
    ASSERT_TRUE(line.open());
    JournalRead read = readJournal4(line.link, 1);
    ASSERT_TRUE(read.ok()) << errorWord(read.error);
    EXPECT_GT(read.retries, 0);
    EXPECT_TRUE(read.image == stationOf(line.sim, 1).journal);
}

TEST(Gen4Station, FaultsRepeatWithTheSameSeed) {
    auto retriesWithSeed = [](std::uint32_t seed) {
        SimOptions o = gen4Line({1});
        o.corrupt = 0.1;
        o.drop = 0.02;
        o.seed = seed;
        SimLine line(o);
        EXPECT_TRUE(line.open());
        JournalRead read = readJournal4(line.link, 1);
        EXPECT_TRUE(read.ok());
        return read.retries;
    };
    const int first = retriesWithSeed(21);
    EXPECT_GT(first, 0);
    EXPECT_EQ(retriesWithSeed(21), first);
}

TEST(Gen4Station, SlowReplyArrivesAfterTheTimeOutAndIsRejected) {
    SimOptions o = gen4Line({1});
    o.slowMs = 80; // 400 ms of the test's link clock, beyond the 300 ms of a state block
    SimLine line(o);
    ASSERT_TRUE(line.open());
    EXPECT_EQ(readCurrentState4(line.link, 1).error, LinkError::Crc);
    line.sim.setFaults(0, 0, 0, false);
    EXPECT_TRUE(readCurrentState4(line.link, 1).ok());
}

TEST(Gen4Station, JournalReadGivesUpAfterSixTriesAndCanBeCancelled) {
    SimOptions o = gen4Line({1});
    o.corrupt = 1.0;
    SimLine line(o);
    ASSERT_TRUE(line.open());
    JournalRead read = readJournal4(line.link, 1);
    EXPECT_EQ(read.error, LinkError::St);
    EXPECT_EQ(journalReadMessage(ControllerGeneration::Gen4, read.error),
              "Ошибка не совпала контрольная сумма");
    EXPECT_EQ(line.sim.received().size(), 6u);

    line.sim.setFaults(0, 0, 0, false);
    read = readJournal4(line.link, 1, [](int done, int) { return done < 3; });
    EXPECT_TRUE(read.cancelled);
    EXPECT_EQ(read.received, 3u * 128u);
}

TEST(Gen4Station, SettingsReadTakesBlockValuesAndState) {
    SimLine line(gen4Line({2}));
    ASSERT_TRUE(line.open());
    const Gen4Station st = stationOf(line.sim, 2);
    SettingsRead read = readSettings4(line.link, 2);
    ASSERT_TRUE(read.ok()) << errorWord(read.error);
    EXPECT_TRUE(read.block == blockFromRegisters(st.holding));
    ASSERT_EQ(read.catalogue.size(), kGen4SettingCount);
    for (const SettingDef& def : read.catalogue.entries)
        EXPECT_EQ(def.value, st.holding[settingRegister(def.offset)]) << def.longName;
    EXPECT_EQ(read.catalogue.byNumber(kGen4PadNumber)->value, st.holding[kRegPad]);
    EXPECT_EQ(read.state, decodeParameterBlockState(read.block));
    EXPECT_EQ(read.state.padNumber, kUnknown16);
}

TEST(Gen4Station, WrittenSettingsReadBackAndLandInTheRegisters) {
    SimLine line(gen4Line({2}));
    ASSERT_TRUE(line.open());
    SettingsRead before = readSettings4(line.link, 2);
    ASSERT_TRUE(before.ok());
    SettingsCatalogue edited = before.catalogue;
    edited.entries[0].value = 415;
    edited.entries[5].value = 7;
    edited.entries[76].value = kUnknown16; // sent unchanged like any other value
    int steps = 0;
    SettingsWrite4 write = writeSettings4(line.link, 2, edited, [&](int, int) { return ++steps > 0; });
    ASSERT_TRUE(write.ok()) << errorWord(write.error);
    EXPECT_EQ(write.written, 77);
    EXPECT_EQ(steps, 78);
    SettingsRead after = readSettings4(line.link, 2);
    ASSERT_TRUE(after.ok());
    EXPECT_EQ(settingsSetOf(after.catalogue), settingsSetOf(edited));
    EXPECT_EQ(stationOf(line.sim, 2).holding[settingRegister(edited.entries[0].offset)], 415);
}

// Motor and pump numbers of 0xFFFF mean "none". Read from such a station they are read values:
// the write is allowed and sends them back as they are.
TEST(Gen4Station, SettingsWithMotorAndPumpNoneAreWrittenBackAsRead) {
    SimLine line(gen4Line({1, 2, 3, 4}));
    ASSERT_TRUE(line.open());
    std::uint8_t address = 0;
    line.sim.withLine([&](LineModel& m) {
        for (const Gen4Station& s : m.stations)
            if (s.holding[kRegMotor] == kUnknown16 && s.holding[kRegPump] == kUnknown16) address = s.address;
    });
    ASSERT_NE(address, 0) << "the line has no station without motor and pump numbers";
    const RegisterFile before = stationOf(line.sim, address).holding;
    SettingsRead read = readSettings4(line.link, address);
    ASSERT_TRUE(read.ok()) << errorWord(read.error);
    EXPECT_EQ(read.catalogue.byNumber(85)->value, kUnknown16);
    ASSERT_TRUE(settingsWritable(read.catalogue));
    SettingsWrite4 write = writeSettings4(line.link, address, read.catalogue);
    ASSERT_TRUE(write.ok()) << errorWord(write.error);
    EXPECT_EQ(write.written, 77);
    const RegisterFile after = stationOf(line.sim, address).holding;
    for (std::size_t r = kRegSettings; r < after.size(); ++r)
        EXPECT_EQ(after[r], before[r]) << r;
}

// The request leaves the wire before RTS rises: on the pseudo-terminal the link drains after the
// write, and the station still answers within the time-out.
TEST(Gen4Station, RequestDrainsBeforeRtsRises) {
    struct Seen final : LinkObserver {
        void onTraffic(TrafficDirection d, std::span<const std::uint8_t>, std::int64_t) override {
            if (d == TrafficDirection::Written) order.push_back("write");
        }
        void onControl(LinkControl c, std::int64_t) override {
            if (c == LinkControl::Drained) order.push_back("drain");
            if (c == LinkControl::RtsRaised) order.push_back("rts");
        }
        std::vector<std::string> order;
    } seen;
    SimLine line(gen4Line({1}));
    ASSERT_TRUE(line.open());
    line.link.setObserver(&seen);
    EXPECT_TRUE(readPadWell(line.link, 1).valid);
    line.link.setObserver(nullptr);
    EXPECT_EQ(seen.order, (std::vector<std::string>{"write", "drain", "rts"}));
}

// A station whose pad is unset still answered: the probe says so (it goes into the station list
// with the numbers as they are) while the line counts as no station.
TEST(Gen4Station, StationWithUnsetPadAnswersThePadWellRequest) {
    SimLine line(gen4Line({6}));
    line.sim.withLine([](LineModel& m) { m.stations[0].holding[kRegPad] = kUnknown16; });
    ASSERT_TRUE(line.open());
    const LineProbe found = probeLine(line.link, 6);
    EXPECT_EQ(found.device, LineDevice::Nothing);
    EXPECT_TRUE(found.padWellAnswered);
    EXPECT_EQ(found.pad, kUnknown16);
    EXPECT_EQ(found.well, stationOf(line.sim, 6).holding[kRegWell]);
    EXPECT_FALSE(probeLine(line.link, 7).padWellAnswered);
}

TEST(Gen4Station, SettingsWriteStopsAfterSixFailedTries) {
    SimOptions o = gen4Line({2});
    o.drop = 1.0;
    SimLine line(o);
    ASSERT_TRUE(line.open());
    SettingsWrite4 write = writeSettings4(line.link, 2, buildCatalogue(ControllerGeneration::Gen4));
    EXPECT_EQ(write.error, LinkError::St);
    EXPECT_EQ(write.written, 0);
    EXPECT_EQ(line.sim.received().size(), 6u);
}

TEST(Gen4Station, ClearIsRefusedAcceptedOrMetWithSilence) {
    SimLine line(gen4Line({1}));
    ASSERT_TRUE(line.open());
    ClearResult refused = clearChronology4(line.link, 1);
    EXPECT_EQ(refused.outcome, ClearOutcome::Refused);
    EXPECT_NE(stationOf(line.sim, 1).journal[0], 0xFF);

    line.sim.withLine([](LineModel& m) { m.switchOff = true; });
    EXPECT_EQ(clearChronology4(line.link, 1).outcome, ClearOutcome::Accepted);
    JournalImage empty;
    empty.fill(0xFF);
    EXPECT_TRUE(stationOf(line.sim, 1).journal == empty);

    EXPECT_EQ(clearChronology4(line.link, 9).outcome, ClearOutcome::Silent);
    EXPECT_EQ(line.requests().back(), (Bytes{9, 0x05, 0x00, 0x00, 0x27, 0x10, 0xD6, 0xBE}));
}

TEST(Gen4Station, StartAndStopChangeTheRunningBit) {
    SimLine line(gen4Line({1}));
    ASSERT_TRUE(line.open());
    EXPECT_EQ(startStop4(line.link, 1, false), LinkError::None);
    EXPECT_EQ(stationOf(line.sim, 1).holding[kRegStatus] & 1, 0);
    EXPECT_EQ(startStop4(line.link, 1, true), LinkError::None);
    EXPECT_EQ(stationOf(line.sim, 1).holding[kRegStatus] & 1, 1);
    EXPECT_EQ(line.requests().back(), (Bytes{1, 0x05, 0x00, 0x3F, 0x00, 0x01, 0x3C, 0x06}));
    CurrentStateRead read = readCurrentState4(line.link, 1);
    EXPECT_EQ(read.state.status & 1, 1);
}

TEST(Gen4Station, SilentLineFailsTheStateReadWithCrc) {
    SimOptions o = gen4Line({1});
    o.silent = true;
    SimLine line(o);
    ASSERT_TRUE(line.open());
    EXPECT_EQ(readCurrentState4(line.link, 1).error, LinkError::Crc);
    EXPECT_EQ(probeLine(line.link, 1).device, LineDevice::Nothing);
}

} // namespace
} // namespace vorsan::sim::test
