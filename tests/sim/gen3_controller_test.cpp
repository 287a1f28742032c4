// Every generation 3 transaction against a simulated controller over a real pseudo-terminal.
#include "sim_fixture.h"

#include "link/current_state_read.h"
#include "link/journal_transfer.h"
#include "link/line_probe.h"
#include "link/settings_transfer.h"
#include "link/station_control.h"
#include "settings/catalogue.h"
#include "settings/settings_block.h"

#include <algorithm>
#include <set>

namespace vorsan::sim::test {
namespace {

SimOptions gen3Line(std::uint16_t typeCode = 11) {
    SimOptions o = fastOptions();
    o.gen3TypeCode = typeCode;
    return o;
}

Gen3Controller controllerOf(Simulator& sim) {
    return sim.withLine([](LineModel& m) { return *m.gen3; });
}

// A port whose driver refuses every write of the settings bytes at the given positions (all ten
// tries of each), as a failing adapter would; everything else goes to the real port.
class FailingBytesLink final : public SerialLink {
public:
    FailingBytesLink(SerialLink& inner, std::set<int> failing)
        : inner_(inner), failing_(std::move(failing)) {}
    bool isOpen() const override { return inner_.isOpen(); }
    bool isRs232() const override { return inner_.isRs232(); }

protected:
    OpenResult doOpen(const std::string& device, int speed) override { return inner_.open(device, speed); }
    void doClose() override { inner_.close(); }
    bool doPurge() override { return inner_.purge(); }
    void doSetRts(bool raised) override { raised ? inner_.setRts() : inner_.clearRts(); }
    ReadResult doReadByte() override { return inner_.readByte(); }
    WriteResult doWrite(std::span<const std::uint8_t> bytes) override {
        if (position_ >= 0 && failing_.count(position_)) {
            if (++streak_ == 10) {
                streak_ = 0;
                ++position_;
            }
            return {0, false};
        }
        WriteResult r = inner_.write(bytes);
        if (position_ >= 0)
            ++position_;
        else if (bytes.size() == 1 && bytes[0] == 0xDE)
            position_ = 0; // the next writes are the bytes of the block
        return r;
    }

private:
    SerialLink& inner_;
    std::set<int> failing_;
    int position_ = -1;
    int streak_ = 0;
};

TEST(Gen3Controller, ProbeFindsTheControllerAndItsTypeCode) {
    for (std::uint16_t code : {11, 99}) {
        SimLine line(gen3Line(code));
        ASSERT_TRUE(line.open());
        LineProbe found = probeLine(line.link, 1);
        EXPECT_EQ(found.device, LineDevice::Gen3Controller);
        EXPECT_EQ(found.typeCode, code);
    }
}

TEST(Gen3Controller, ControllerOfAnotherTypeIsNotTakenForGeneration3) {
    SimLine line(gen3Line(7));
    ASSERT_TRUE(line.open());
    LineProbe found = probeLine(line.link, 1);
    EXPECT_EQ(found.device, LineDevice::Nothing);
    EXPECT_EQ(found.typeCode, 7);
    // The recorder request and the pad-and-well request followed the echo probe.
    auto requests = line.requests();
    ASSERT_GE(requests.size(), 2u);
    EXPECT_EQ(requests[requests.size() - 2].size(), 8u);
    EXPECT_EQ(requests.back()[1], 0x03);
}

TEST(Gen3Controller, CurrentStateCarriesEveryValueAndTheClock) {
    SimLine line(gen3Line());
    ASSERT_TRUE(line.open());
    CurrentStateRead read = readCurrentState3(line.link);
    ASSERT_TRUE(read.ok()) << errorWord(read.error);
    const Gen3Controller c = controllerOf(line.sim); // the poll brought it up to date first
    CurrentState expected = unreadState();
    for (std::uint8_t p : kGen3StateParameters)
        applyGen3StateValue(expected, p, c.values.at(p));
    applyGen3Clock(expected, std::span<const std::uint8_t, 7>(c.clock));
    EXPECT_EQ(read.state, expected);
    EXPECT_EQ(read.state.UAB, c.values.at(17));
    EXPECT_EQ(read.state.padNumber, c.values.at(55));
}

TEST(Gen3Controller, JournalReadReturnsTheImageByteForByte) {
    SimLine line(gen3Line());
    ASSERT_TRUE(line.open());
    int lastStep = -1;
    JournalRead read = readJournal3(line.link, [&](int done, int total) {
        EXPECT_EQ(total, 128);
        lastStep = done;
        return true;
    });
    ASSERT_TRUE(read.ok()) << errorWord(read.error);
    EXPECT_EQ(lastStep, 128);
    EXPECT_TRUE(read.image == controllerOf(line.sim).journal);
}

TEST(Gen3Controller, ChecksumMismatchFailsJournalAndSettingsReads) {
    SimOptions o = gen3Line();
    o.badChecksum = true;
    SimLine line(o);
    ASSERT_TRUE(line.open());
    JournalRead journal = readJournal3(line.link);
    EXPECT_EQ(journal.error, LinkError::ContrSumError);
    EXPECT_EQ(journalReadMessage(ControllerGeneration::Gen3, journal.error),
              "Ошибка - не совпала контрольная сумма, журнал событий принят не верно");
    SettingsRead settings = readSettings3(line.link);
    EXPECT_EQ(settings.error, LinkError::ContrSumError);
    EXPECT_EQ(settingsReadMessage(ControllerGeneration::Gen3, settings.error),
              "Ошибка - не совпала контрольная сумма, уставки приняты не верно");
    SettingsWrite3 write = writeSettings3(line.link, buildCatalogue(ControllerGeneration::Gen3));
    EXPECT_EQ(write.message, "Ошибка - не совпала контрольная сумма");
}

TEST(Gen3Controller, SettingsReadTakesTheBlockAndTheTypeCode) {
    SimLine line(gen3Line(99));
    ASSERT_TRUE(line.open());
    const Gen3Controller c = controllerOf(line.sim);
    SettingsRead read = readSettings3(line.link);
    ASSERT_TRUE(read.ok()) << errorWord(read.error);
    EXPECT_EQ(read.typeCode, 99);
    EXPECT_TRUE(read.block == c.settings);
    ASSERT_EQ(read.catalogue.size(), kGen3SettingCount);
    for (const SettingDef& def : read.catalogue.entries)
        EXPECT_EQ(def.value, c.settings[def.offset] | c.settings[def.offset + 1u] << 8) << def.longName;
}

TEST(Gen3Controller, WriteOverlaysTheValuesAndReadsBack) {
    SimLine line(gen3Line());
    ASSERT_TRUE(line.open());
    const ParameterBlock original = controllerOf(line.sim).settings;
    SettingsCatalogue edited = buildCatalogue(ControllerGeneration::Gen3); // every value 0xFFFF
    edited.entries[0].value = 400; // the simulated controller holds 380
    edited.entries[10].value = 12;
    SettingsWrite3 write = writeSettings3(line.link, edited);
    ASSERT_EQ(write.message, "");
    ParameterBlock expected = original;
    overlayGen3Settings(expected, edited);
    EXPECT_TRUE(write.sent == expected);
    EXPECT_TRUE(controllerOf(line.sim).settings == expected);
    // Values that were 0xFFFF are now the controller's.
    EXPECT_EQ(write.catalogue.entries[1].value,
              original[edited.entries[1].offset] | original[edited.entries[1].offset + 1u] << 8);
    SettingsRead after = readSettings3(line.link);
    ASSERT_TRUE(after.ok());
    EXPECT_EQ(after.catalogue.entries[0].value, 400);
    EXPECT_EQ(settingsSetOf(after.catalogue), settingsSetOf(write.catalogue));
    // The block went out as 0xDE, 512 echoed bytes, 0xDF.
    auto requests = line.requests();
    auto de = std::find(requests.begin(), requests.end(), Bytes{0xDE});
    ASSERT_NE(de, requests.end());
    ASSERT_GE(requests.end() - de, 514);
    for (std::size_t k = 0; k < 512; ++k)
        ASSERT_EQ(de[1 + static_cast<long>(k)], Bytes{expected[k]}) << k;
    EXPECT_EQ(de[513], Bytes{0xDF});
}

TEST(Gen3Controller, WriteOfNothingSendsBackTheBlockAsRead) {
    SimLine line(gen3Line());
    ASSERT_TRUE(line.open());
    const ParameterBlock original = controllerOf(line.sim).settings;
    SettingsWrite3 write = writeSettings3(line.link, buildCatalogue(ControllerGeneration::Gen3));
    ASSERT_EQ(write.message, "");
    EXPECT_TRUE(write.sent == original);
    EXPECT_TRUE(controllerOf(line.sim).settings == original);
}

TEST(Gen3Controller, FiveUnwritableBytesSendFiveFillersAndReportTheFailure) {
    SimLine line(gen3Line());
    ASSERT_TRUE(line.open());
    const ParameterBlock original = controllerOf(line.sim).settings;
    FailingBytesLink failing(line.link, {100, 101, 102, 103, 104});
    SettingsCatalogue edited = buildCatalogue(ControllerGeneration::Gen3);
    edited.entries[0].value = 333;
    SettingsWrite3 write = writeSettings3(failing, edited);
    EXPECT_EQ(write.message, "Уставки отправлены не верно!");
    EXPECT_EQ(write.fillerBytes, 5);
    EXPECT_EQ(write.missingBytes, 0);
    // The controller got 507 bytes and 5 fillers, and no 0xDF: it keeps its settings.
    auto requests = line.requests();
    auto de = std::find(requests.begin(), requests.end(), Bytes{0xDE});
    ASSERT_NE(de, requests.end());
    EXPECT_EQ(requests.end() - de, 1 + 507 + 5);
    EXPECT_TRUE(
        std::all_of(requests.end() - 5, requests.end(), [](const Bytes& b) { return b == Bytes{0xFF}; }));
    EXPECT_TRUE(controllerOf(line.sim).settings == original);
}

TEST(Gen3Controller, ClearStartAndStop) {
    SimLine line(gen3Line());
    ASSERT_TRUE(line.open());
    EXPECT_EQ(clearChronology3(line.link).outcome, ClearOutcome::Refused);
    line.sim.withLine([](LineModel& m) { m.switchOff = true; });
    EXPECT_EQ(clearChronology3(line.link).outcome, ClearOutcome::Accepted);
    EXPECT_EQ(controllerOf(line.sim).journal[0], 0xFF);

    EXPECT_EQ(startStop3(line.link, false), LinkError::None);
    EXPECT_EQ(controllerOf(line.sim).values.at(16) & 1, 0);
    EXPECT_EQ(startStop3(line.link, true), LinkError::None);
    EXPECT_EQ(controllerOf(line.sim).values.at(16) & 1, 1);
    EXPECT_EQ(line.requests().back(), Bytes{0x27});

    line.sim.setFaults(0, 0, 0, true);
    EXPECT_EQ(clearChronology3(line.link).outcome, ClearOutcome::Silent);
}

TEST(Gen3Controller, SilentControllerFailsTheStateReadAtTheFirstValue) {
    SimOptions o = gen3Line();
    o.silent = true;
    SimLine line(o);
    ASSERT_TRUE(line.open());
    EXPECT_EQ(readCurrentState3(line.link).error, LinkError::Read_Error1);
    EXPECT_EQ(line.requests().size(), 1u);
}

} // namespace
} // namespace vorsan::sim::test
