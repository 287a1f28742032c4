// vorsan-cli's link commands run as a program against the in-process simulator.
#include "sim_fixture.h"

#include "journal/journal_file.h"
#include "settings/catalogue.h"
#include "settings/settings_block.h"
#include "journal/settings_file.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sys/wait.h>

namespace vorsan::sim::test {
namespace {

namespace fs = std::filesystem;

struct CliRun {
    int status = -1;
    std::string output; // stdout and stderr together
};

class CliLine : public ::testing::Test {
protected:
    void SetUp() override {
        cli_ = fs::path(VORSAN_BINDIR) / "vorsan-cli";
        if (!fs::exists(cli_)) GTEST_SKIP() << "vorsan-cli is not built";
        dir_ = fs::temp_directory_path() / ("vorsan-sim-cli-" + std::to_string(::getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }

    CliRun run(const std::string& arguments) {
        CliRun r;
        const std::string command = cli_.string() + " " + arguments + " 2>&1";
        FILE* pipe = ::popen(command.c_str(), "r");
        if (!pipe) return r;
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;)
            r.output.append(buf, n);
        const int w = ::pclose(pipe);
        r.status = WIFEXITED(w) ? WEXITSTATUS(w) : -1;
        return r;
    }
    std::string file(const std::string& name) const { return (dir_ / name).string(); }

    fs::path cli_;
    fs::path dir_;
};

SimOptions line(std::vector<std::uint8_t> gen4, std::optional<std::uint16_t> gen3 = {},
                std::optional<int> recorder = {}) {
    SimOptions o = fastOptions();
    o.gen4Addresses = std::move(gen4);
    o.gen3TypeCode = gen3;
    o.recorderEntries = recorder;
    return o;
}

JournalFile loadJournal(const std::string& path) {
    JournalFileLoad load = loadJournalFile(fs::path(path), ControllerGeneration::Gen4, [] { return false; });
    EXPECT_EQ(load.status, FileStatus::ok) << load.error;
    return load.file;
}

TEST_F(CliLine, ProbeReadJournalAndTrace) {
    Simulator sim(line({4}));
    ASSERT_EQ(sim.start(), "");
    const Gen4Station st = sim.withLine([](LineModel& m) { return m.stations[0]; });
    CliRun probe = run("probe --port " + sim.devicePath() + " --address 4");
    EXPECT_EQ(probe.status, 0);
    EXPECT_EQ(probe.output, "generation 4 station at address 4: pad " + std::to_string(st.holding[kRegPad]) +
                                ", well " + std::to_string(st.holding[kRegWell]) + "\n");
    EXPECT_EQ(run("probe --port " + sim.devicePath() + " --address 5").status, 3);
    sim.withLine([](LineModel& m) { m.stations[0].holding[kRegPad] = kUnknown16; });
    CliRun unset = run("probe --port " + sim.devicePath() + " --address 4");
    EXPECT_EQ(unset.status, 3);
    EXPECT_NE(unset.output.find("pad 65535, well " + std::to_string(st.holding[kRegWell])), std::string::npos)
        << unset.output;
    sim.withLine([&](LineModel& m) { m.stations[0].holding[kRegPad] = st.holding[kRegPad]; });

    CliRun read = run("read-journal --port " + sim.devicePath() + " --address 4 -o " + file("w.VR4"));
    ASSERT_EQ(read.status, 0) << read.output;
    JournalFile f = loadJournal(file("w.VR4"));
    EXPECT_EQ(f.generation, ControllerGeneration::Gen4);
    EXPECT_TRUE(f.image == st.journal);
    EXPECT_EQ(f.padNumber, st.holding[kRegPad]);
    for (const SettingDef& def : f.catalogue.entries)
        EXPECT_EQ(def.value, st.holding[settingRegister(def.offset)]);

    sim.setFaults(1.0, 0, 0, false);
    CliRun trace = run("state --gen 4 --trace --port " + sim.devicePath() + " --address 4");
    EXPECT_EQ(trace.status, 1);
    // The request, then its reply with the time since the request and the failed CRC marked.
    const std::size_t request = trace.output.find("-- open\n-> 04 03 00 3F 00 10 74 5F\n");
    ASSERT_NE(request, std::string::npos) << trace.output;
    const std::size_t reply = trace.output.find("<- 04 03 20 ", request);
    ASSERT_NE(reply, std::string::npos) << trace.output;
    const std::string replyLine = trace.output.substr(reply, trace.output.find('\n', reply) - reply);
    EXPECT_NE(replyLine.find(" ms)   [CRC failure]"), std::string::npos) << replyLine;
    EXPECT_NE(replyLine.find("   (+"), std::string::npos) << replyLine;
    EXPECT_NE(trace.output.find("Ошибка чтения текущих параметров (crc)"), std::string::npos);
    sim.stop();
}

TEST_F(CliLine, SettingsFileWrittenToTheStationAndReadBack) {
    Simulator sim(line({2}));
    ASSERT_EQ(sim.start(), "");
    const std::string port = " --port " + sim.devicePath() + " --address 2";
    ASSERT_EQ(run("read-settings -o " + file("s.us4") + port).status, 0);
    SettingsFileLoad load =
        loadSettingsFile(fs::path(file("s.us4")), ControllerGeneration::Gen4, [] { return false; });
    ASSERT_EQ(load.status, FileStatus::ok);
    SettingsCatalogue edited = load.file.catalogue;
    edited.entries[3].value = 42;
    ASSERT_EQ(saveSettingsFile(file("t.us4"), edited, unreadState()).status, SettingsSaveStatus::ok);
    CliRun write = run("write-settings " + file("t.us4") + port);
    ASSERT_EQ(write.status, 0) << write.output;
    EXPECT_NE(write.output.find("77 settings written"), std::string::npos);
    EXPECT_EQ(sim.withLine([&](LineModel& m) {
        return m.stations[0].holding[settingRegister(edited.entries[3].offset)];
    }),
              42);
    sim.stop();
}

// Motor and pump "none" (0xFFFF) read from a station are written back as they are.
TEST_F(CliLine, SettingsWithMotorAndPumpNoneWriteBack) {
    Simulator sim(line({1, 2, 3, 4}));
    ASSERT_EQ(sim.start(), "");
    int address = 0;
    sim.withLine([&](LineModel& m) {
        for (const Gen4Station& s : m.stations)
            if (s.holding[kRegMotor] == kUnknown16) address = s.address;
    });
    ASSERT_NE(address, 0);
    const std::string port = " --port " + sim.devicePath() + " --address " + std::to_string(address);
    ASSERT_EQ(run("read-settings -o " + file("none.us4") + port).status, 0);
    CliRun write = run("write-settings " + file("none.us4") + port);
    EXPECT_EQ(write.status, 0) << write.output;
    EXPECT_NE(write.output.find("77 settings written"), std::string::npos) << write.output;
    sim.stop();
}

TEST_F(CliLine, Generation3JournalClearAndStop) {
    Simulator sim(line({}, 99));
    ASSERT_EQ(sim.start(), "");
    const std::string port = " --port " + sim.devicePath();
    CliRun read = run("read-journal -o " + file("g3.pr") + port);
    ASSERT_EQ(read.status, 0) << read.output;
    JournalFile f = loadJournal(file("g3.pr"));
    EXPECT_EQ(f.generation, ControllerGeneration::Gen3);
    EXPECT_TRUE(f.image == sim.withLine([](LineModel& m) { return m.gen3->journal; }));

    CliRun refused = run("clear" + port);
    EXPECT_EQ(refused.status, 4);
    EXPECT_NE(refused.output.find("рода работ в положение \"Выкл.\"\n"), std::string::npos);
    EXPECT_EQ(run("stop" + port).status, 0);
    EXPECT_EQ(sim.withLine([](LineModel& m) { return m.gen3->values[16] & 1; }), 0);
    sim.stop();
}

TEST_F(CliLine, RecorderListDownloadAndClear) {
    Simulator sim(line({}, {}, 3));
    ASSERT_EQ(sim.start(), "");
    const std::string port = " --port " + sim.devicePath();
    CliRun list = run("recorder list" + port);
    ASSERT_EQ(list.status, 0) << list.output;
    EXPECT_EQ(std::count(list.output.begin(), list.output.end(), '\n'), 4);
    EXPECT_NE(list.output.find("3.Дата считывания:"), std::string::npos);

    CliRun download = run("recorder download 3 --speed 57600 -o " + file("r3.pr") + port);
    ASSERT_EQ(download.status, 0) << download.output;
    JournalFile f = loadJournal(file("r3.pr"));
    EXPECT_EQ(f.generation, ControllerGeneration::Gen3);
    JournalImage stored = sim.withLine([](LineModel& m) { return m.recorder->entries[2].journal; });
    std::reverse(stored.begin(), stored.end());
    EXPECT_TRUE(f.image == stored);
    EXPECT_NE(run("recorder download 3 --speed 12345 -o x" + port).status, 0);

    EXPECT_EQ(run("recorder clear" + port).status, 0);
    EXPECT_EQ(sim.withLine([](LineModel& m) { return m.recorder->count; }), 0);
    sim.stop();
}

TEST_F(CliLine, ScanAndBadOptions) {
    Simulator sim(line({1, 3}));
    ASSERT_EQ(sim.start(), "");
    const Gen4Station first = sim.withLine([](LineModel& m) { return m.stations[0]; });
    const std::string line1 = "1\t" + std::to_string(first.holding[kRegPad]) + "\t" +
                              std::to_string(first.holding[kRegWell]) + "\n";
    CliRun scan = run("scan --port " + sim.devicePath());
    EXPECT_EQ(scan.status, 0);
    EXPECT_EQ(scan.output, line1);
    CliRun down = run("scan --down --from 2 --port " + sim.devicePath());
    EXPECT_EQ(down.output, line1);
    EXPECT_EQ(run("probe").status, 2);
    EXPECT_EQ(run("probe --port /nonexistent/tty").status, 1);
    EXPECT_EQ(run("probe --port " + sim.devicePath() + " --address 300").status, 2);
    EXPECT_EQ(run("state --port " + sim.devicePath() + " --gen 5").status, 3);
    sim.stop();
}

// The whole line at the real pace of the time-outs (about 19 s), then two stations watched, one of
// them silent: one printed line and one CSV line per answer.
TEST_F(CliLine, FastScanAndWatch) {
    Simulator sim(line({1, 5, 247}));
    ASSERT_EQ(sim.start(), "");
    std::string expected;
    for (const Gen4Station& st : sim.withLine([](LineModel& m) { return m.stations; }))
        expected += std::to_string(st.address) + "\t" + std::to_string(st.holding[kRegPad]) + "\t" +
                    std::to_string(st.holding[kRegWell]) + "\n";
    CliRun scan = run("scan --fast --port " + sim.devicePath());
    EXPECT_EQ(scan.status, 0);
    // The stations on stdout, then the summary on stderr.
    EXPECT_EQ(scan.output.rfind(expected + "3 stations, ", 0), 0u) << scan.output;

    sim.withLine([](LineModel& m) { m.stations[2].silent = true; });
    CliRun watch =
        run("watch --addresses 5,247 --count 3 --csv " + file("w.csv") + " --port " + sim.devicePath());
    EXPECT_EQ(watch.status, 0);
    // Answers begin with their date-time, the silences with "address 247: ".
    std::size_t answers = 0, silences = 0;
    for (std::size_t at = 0; at < watch.output.size(); at = watch.output.find('\n', at) + 1) {
        answers += std::isdigit(static_cast<unsigned char>(watch.output[at])) ? 1 : 0;
        silences += watch.output.compare(at, 13, "address 247: ") == 0 ? 1 : 0;
    }
    EXPECT_EQ(answers, 3u) << watch.output;
    EXPECT_EQ(silences, 3u) << watch.output;
    // Python's csv module reads the file back: a header and three rows of station 5 whose values
    // are numbers with a point, whatever the locale of the run.
    const std::string check = "python3 -c \"import csv,sys; rows=list(csv.DictReader(open(sys.argv[1], "
                              "encoding='utf-8'))); assert len(rows)==3, rows; "
                              "assert all(r['address']=='5' and float(r['IA'])>=0 and float(r['COS_'])<=1 "
                              "and len(r)==18 for r in rows), rows\" " +
                              file("w.csv");
    EXPECT_EQ(std::system(check.c_str()), 0);
    EXPECT_EQ(run("watch --addresses 247 --count 1 --port " + sim.devicePath()).status, 3);
    EXPECT_EQ(run("watch --addresses 5,300 --port " + sim.devicePath()).status, 2);
    sim.stop();
}

} // namespace
} // namespace vorsan::sim::test
