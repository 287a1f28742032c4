#include "shell/command_line.h"
#include "shell/command_table.h"
#include "shell/port_device.h"
#include "shell/window_geometry.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

using namespace vorsan;

TEST(CommandLineRule, ExtensionsComparedExactly) {
    struct Case {
        const char* path;
        PendingFileKind kind;
    };
    const Case cases[] = {
        {"/home/u/well 12.VR4", PendingFileKind::Journal},
        {"a.vr4", PendingFileKind::Journal},
        {"a.pr", PendingFileKind::Journal},
        {"a.us4", PendingFileKind::Settings},
        {"a.ust", PendingFileKind::Settings},
        {"/home/u/Куст12_Ск345.VBD", PendingFileKind::Well},
        {"a.vbd", PendingFileKind::None},
        {"a.Vr4", PendingFileKind::None},
        {"a.vR4", PendingFileKind::None},
        {"a.PR", PendingFileKind::None},
        {"a.US4", PendingFileKind::None},
        {"a.UST", PendingFileKind::None},
        {"a.txt", PendingFileKind::None},
        {"vr4", PendingFileKind::None},
        {"dir.vr4/file", PendingFileKind::None},
        {"a.VR4.bak", PendingFileKind::None},
        {"", PendingFileKind::None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(pendingFileKind(c.path), c.kind);
    }
}

TEST(CommandLineRule, FileAndOptions) {
    auto cl = parseCommandLine({"/data/skv 5.VR4"});
    EXPECT_EQ(cl.file, "/data/skv 5.VR4");
    EXPECT_EQ(cl.fileKind, PendingFileKind::Journal);
    EXPECT_TRUE(cl.portDevice.empty());

    cl = parseCommandLine({"--port", "/dev/pts/7", "x.ust"});
    EXPECT_EQ(cl.portDevice, "/dev/pts/7");
    EXPECT_EQ(cl.file, "x.ust");
    EXPECT_EQ(cl.fileKind, PendingFileKind::Settings);

    cl = parseCommandLine({"x.pr", "--port=/dev/ttyACM0"});
    EXPECT_EQ(cl.portDevice, "/dev/ttyACM0");
    EXPECT_EQ(cl.fileKind, PendingFileKind::Journal);

    // An unquoted path with a blank arrives as two words: still one file.
    cl = parseCommandLine({"/data/skv", "5.VR4"});
    EXPECT_EQ(cl.file, "/data/skv 5.VR4");
    EXPECT_EQ(cl.fileKind, PendingFileKind::Journal);

    cl = parseCommandLine({"--", "--odd.vr4"});
    EXPECT_EQ(cl.file, "--odd.vr4");
    EXPECT_EQ(cl.fileKind, PendingFileKind::Journal);
}

TEST(CommandLineRule, NothingAndMistakes) {
    auto cl = parseCommandLine({});
    EXPECT_TRUE(cl.file.empty());
    EXPECT_EQ(cl.fileKind, PendingFileKind::None);
    EXPECT_TRUE(cl.error.empty());

    cl = parseCommandLine({"well.Vr4"});
    EXPECT_EQ(cl.file, "well.Vr4");
    EXPECT_EQ(cl.fileKind, PendingFileKind::None);

    cl = parseCommandLine({"--port"});
    EXPECT_FALSE(cl.error.empty());
    EXPECT_TRUE(cl.portDevice.empty());

    cl = parseCommandLine({"--port="});
    EXPECT_FALSE(cl.error.empty());

    cl = parseCommandLine({"--verbose", "a.us4"});
    EXPECT_EQ(cl.unknownOptions, std::vector<std::string>{"--verbose"});
    EXPECT_EQ(cl.fileKind, PendingFileKind::Settings);
}

TEST(PortDevice, UsbAdapterFirstThenOnboardPort) {
    const std::set<std::string> present = {"/dev/ttyUSB1", "/dev/ttyS0", "/dev/ttyS1"};
    const DeviceExists exists = [&](const std::string& d) { return present.count(d) > 0; };
    EXPECT_EQ(portDevice("com1", "", exists), "/dev/ttyS0");
    EXPECT_EQ(portDevice("com2", "", exists), "/dev/ttyUSB1");
    EXPECT_EQ(portDevice("com4", "", exists), "/dev/ttyS3"); // neither exists: the onboard name
    EXPECT_EQ(portDevice("com3", "/dev/pts/4", exists), "/dev/pts/4");
    EXPECT_EQ(portDevice("com9", "", exists), "");
}

TEST(WindowGeometry, FiveSixthsByThreeQuartersCentred) {
    EXPECT_EQ(mainWindowGeometry(1024, 768), (WindowRect{85, 96, 853, 576}));
    EXPECT_EQ(mainWindowGeometry(1920, 1080), (WindowRect{160, 135, 1600, 810}));
    EXPECT_EQ(mainWindowGeometry(1280, 1024), (WindowRect{107, 128, 1066, 768}));
    EXPECT_EQ(mainWindowGeometry(0, 0), (WindowRect{0, 0, 0, 0}));
}

TEST(WindowGeometry, AllGraphsSheet) {
    EXPECT_EQ(allGraphsHeights(300), (AllGraphsHeights{106, 88, 106}));
    EXPECT_EQ(allGraphsHeights(600), (AllGraphsHeights{212, 176, 212}));
    EXPECT_EQ(allGraphsHeights(500), (AllGraphsHeights{177, 147, 177})); // 176.67, 146.67
}

TEST(CommandTableRule, StatesAtStart) {
    const CommandTable t;
    for (auto c :
         {Command::OpenJournal, Command::LoadSettingsFile, Command::SaveSettingsFile, Command::PrintSettings,
          Command::AddWellFromFile, Command::FindWell, Command::RestoreDatabase, Command::ArchiveDatabase,
          Command::OpenDatabase, Command::Parameters, Command::Help, Command::About, Command::Exit,
          Command::SearchDevice, Command::Port1, Command::Port4})
        EXPECT_TRUE(t.enabled(c)) << static_cast<int>(c);
    for (auto c : kStationCommands)
        EXPECT_FALSE(t.enabled(c)) << static_cast<int>(c);
    for (auto c : kJournalCommands)
        EXPECT_FALSE(t.enabled(c)) << static_cast<int>(c);
    for (auto c : kNeighbourSearchCommands)
        EXPECT_FALSE(t.enabled(c)) << static_cast<int>(c);
    for (auto c : kWellCommands)
        EXPECT_FALSE(t.enabled(c)) << static_cast<int>(c);
}

TEST(CommandTableRule, LineStatesAndListener) {
    CommandTable t;
    std::vector<std::pair<Command, bool>> changes;
    t.setListener([&](Command c, bool on) { changes.emplace_back(c, on); });

    t.lineState(LineState::Gen4Station);
    for (auto c : kStationCommands)
        EXPECT_TRUE(t.enabled(c));
    EXPECT_TRUE(t.enabled(Command::SearchDevice));
    EXPECT_EQ(changes.size(), kStationCommands.size());

    changes.clear();
    t.lineState(LineState::Gen4Station); // nothing changes, nothing reported
    EXPECT_TRUE(changes.empty());

    t.lineState(LineState::Gen3Station);
    EXPECT_FALSE(t.enabled(Command::SearchDevice));

    t.set(kNeighbourSearchCommands, true);
    t.lineState(LineState::Recorder);
    EXPECT_TRUE(t.enabled(Command::ReadJournal)); // unchanged by the recorder
    EXPECT_FALSE(t.enabled(Command::SearchPrevious));
    EXPECT_FALSE(t.enabled(Command::SearchNext));
    EXPECT_FALSE(t.enabled(Command::SearchDevice));

    t.lineState(LineState::Nothing);
    for (auto c : kStationCommands)
        EXPECT_FALSE(t.enabled(c));
    EXPECT_TRUE(t.enabled(Command::SearchDevice));

    t.journalLoaded();
    for (auto c : kJournalCommands)
        EXPECT_TRUE(t.enabled(c));
    t.wellSelected(true);
    EXPECT_TRUE(t.enabled(Command::DeleteWell));
    t.wellSelected(false);
    EXPECT_FALSE(t.enabled(Command::SaveWellToFile));
}
