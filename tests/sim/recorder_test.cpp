// The recorder's transactions against the simulated recorder over a real pseudo-terminal.
#include "sim_fixture.h"

#include "link/line_probe.h"
#include "link/recorder_transfer.h"
#include "settings/catalogue.h"

#include <algorithm>

namespace vorsan::sim::test {
namespace {

SimOptions recorderLine(int entries) {
    SimOptions o = fastOptions();
    o.recorderEntries = entries;
    return o;
}

RecorderEntry entryOf(Simulator& sim, int i) {
    return sim.withLine(
        [&](LineModel& m) { return m.recorder->entries.at(static_cast<std::size_t>(i - 1)); });
}

TEST(Recorder, ProbeFindsTheRecorderAndItsCount) {
    SimLine line(recorderLine(4));
    ASSERT_TRUE(line.open());
    LineProbe found = probeLine(line.link, 1);
    EXPECT_EQ(found.device, LineDevice::Recorder);
    EXPECT_EQ(found.recorderCount, 4);
}

TEST(Recorder, DirectoryHoldsEachEntrysClockAndIdentity) {
    SimLine line(recorderLine(4));
    ASSERT_TRUE(line.open());
    RecorderDirectory dir = readRecorderDirectory(line.link, 4);
    ASSERT_EQ(dir.error, LinkError::None);
    ASSERT_EQ(dir.entries.size(), 4u);
    for (int i = 1; i <= 4; ++i) {
        const RecorderEntry e = entryOf(line.sim, i);
        const RecorderDirectoryEntry& d = dir.entries[static_cast<std::size_t>(i - 1)];
        EXPECT_EQ(d.minuteBcd(), e.holding[16] >> 8);
        EXPECT_EQ(d.secondBcd(), e.holding[16] & 0xFF);
        EXPECT_EQ(d.hourBcd(), e.holding[17] & 0xFF);
        EXPECT_EQ(d.dayBcd(), e.holding[18] & 0xFF);
        EXPECT_EQ(d.pad(), e.holding[kRegPad]);
        EXPECT_EQ(d.well(), e.holding[kRegWell]);
        EXPECT_EQ(d.motor(), e.holding[kRegMotor]);
    }
    // Entry 3 was copied from a generation 3 station: no motor or pump number.
    std::string caption = recorderEntryCaption(3, dir.entries[2]);
    EXPECT_EQ(caption.rfind("3.Дата считывания:", 0), 0u);
    EXPECT_EQ(caption.find("ПЭД-"), std::string::npos);
    EXPECT_NE(recorderEntryCaption(1, dir.entries[0]).find(" ПЭД-"), std::string::npos);
}

TEST(Recorder, CaptionOfAnEntryWithoutPadShowsOnlyTheDate) {
    RecorderDirectoryEntry e;
    e.bytes = {0x05, 0x09, 0, 0x14, 0x11, 0x21, 0, 0x26, 0xFF, 0xFF, 0, 12, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_FALSE(e.loadable());
    EXPECT_EQ(recorderEntryCaption(7, e), "7.Дата считывания:14:05:09  21.11.26");
    e.bytes[8] = 0;
    e.bytes[9] = 3;
    e.bytes[14] = 0;
    e.bytes[15] = 44;
    EXPECT_EQ(recorderEntryCaption(7, e), "7.Дата считывания:14:05:09  21.11.26 куст3 скв.12 ЭЦН-44");
}

TEST(Recorder, DownloadOfAGeneration4EntryAtTheRecorderSpeed) {
    SimLine line(recorderLine(3));
    const RecorderEntry e = entryOf(line.sim, 2);
    RecorderDownload got = downloadRecorderEntry(line.link, line.sim.devicePath(), 57600, 2);
    ASSERT_TRUE(got.ok()) << errorWord(got.error) << got.open.reason;
    EXPECT_EQ(got.generation, ControllerGeneration::Gen4);
    EXPECT_TRUE(got.image == e.journal);
    EXPECT_TRUE(got.block == blockFromRegisters(e.holding));
    EXPECT_EQ(got.pad, e.holding[kRegPad]);
    EXPECT_EQ(got.well, e.holding[kRegWell]);
    EXPECT_EQ(got.catalogue.size(), kGen4SettingCount);
    EXPECT_EQ(got.state.UAB, e.holding[64]);
    EXPECT_FALSE(line.link.isOpen());

    // Speed code 7 at 9600 bit/s, the transfer at 57600, then code 47 back, still at 57600.
    auto received = line.sim.received();
    ASSERT_EQ(received.size(), 1u + 256 + 16 + 1);
    EXPECT_EQ(received.front().bytes, (Bytes{0xFF, 0x06, 0x00, 0x09, 0x00, 0x07, 0x0D, 0xD4}));
    EXPECT_EQ(received.front().lineSpeed, 9600u);
    for (std::size_t k = 1; k + 1 < received.size(); ++k) {
        ASSERT_EQ(received[k].lineSpeed, 57600u) << k;
        ASSERT_EQ(received[k].bytes[0], 2);
    }
    EXPECT_EQ(received.back().bytes, (Bytes{0xFF, 0x06, 0x00, 0x09, 0x00, 0x2F, 0x0D, 0xCA}));
    EXPECT_EQ(received.back().lineSpeed, 57600u);
    EXPECT_EQ(line.sim.withLine([](LineModel& m) { return m.recorder->speed(); }), 9600u);
}

TEST(Recorder, DownloadOfAGeneration3EntryTurnsItsJournalBack) {
    SimLine line(recorderLine(3));
    const RecorderEntry e = entryOf(line.sim, 3);
    ASSERT_EQ(e.copiedFrom, ControllerGeneration::Gen3);
    RecorderDownload got = downloadRecorderEntry(line.link, line.sim.devicePath(), 115200, 3);
    ASSERT_TRUE(got.ok()) << errorWord(got.error);
    EXPECT_EQ(got.generation, ControllerGeneration::Gen3);
    JournalImage forward;
    std::reverse_copy(e.journal.begin(), e.journal.end(), forward.begin());
    EXPECT_TRUE(got.image == forward);
    EXPECT_EQ(got.block[0], 0xE1);
    EXPECT_EQ(got.catalogue.size(), kGen3SettingCount);
    for (const SettingDef& def : got.catalogue.entries)
        EXPECT_EQ(def.value, got.block[def.offset] | got.block[def.offset + 1u] << 8);
}

TEST(Recorder, FailedDownloadStillTurnsTheRecorderBackTo9600) {
    SimOptions o = recorderLine(2);
    SimLine line(o);
    line.sim.withLine([](LineModel& m) { m.recorder->count = 1; }); // entry 2 no longer answers
    RecorderDownload got = downloadRecorderEntry(line.link, line.sim.devicePath(), 38400, 2);
    EXPECT_EQ(got.error, LinkError::St);
    EXPECT_EQ(line.sim.received().back().bytes[5], 0x2F);
    EXPECT_EQ(line.sim.withLine([](LineModel& m) { return m.recorder->speed(); }), 9600u);
}

TEST(Recorder, ClearEmptiesTheDirectory) {
    SimLine line(recorderLine(5));
    ASSERT_TRUE(line.open());
    EXPECT_EQ(clearRecorder(line.link), LinkError::None);
    EXPECT_EQ(line.requests().back(), (Bytes{0xFF, 0x06, 0x00, 0x20, 0x00, 0x00, 0x9D, 0xDE}));
    EXPECT_EQ(recorderPresent(line.link).count, 0);
    EXPECT_TRUE(readRecorderDirectory(line.link, 0).entries.empty());
}

} // namespace
} // namespace vorsan::sim::test
