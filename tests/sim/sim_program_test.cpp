// vorsan-sim as a program, and a line serving a journal file.
#include "sim_fixture.h"

#include "journal/journal_file.h"
#include "link/journal_transfer.h"
#include "link/line_probe.h"
#include "link/settings_transfer.h"
#include "settings/catalogue.h"
#include "settings/settings_block.h"

#include <csignal>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vorsan::sim::test {
namespace {

namespace fs = std::filesystem;

TEST(SimProgram, PrintsItsDeviceMakesTheLinkAndAnswers) {
    const fs::path program = fs::path(VORSAN_BINDIR) / "vorsan-sim";
    if (!fs::exists(program)) GTEST_SKIP() << "vorsan-sim is not built";
    const fs::path link = fs::temp_directory_path() / ("vorsan-sim-line-" + std::to_string(::getpid()));
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string programText = program.string(), linkText = link.string();
    std::vector<char*> argv = {const_cast<char*>(programText.c_str()),
                               const_cast<char*>("--gen4"),
                               const_cast<char*>("7"),
                               const_cast<char*>("--fast"),
                               const_cast<char*>("--link"),
                               const_cast<char*>(linkText.c_str()),
                               nullptr};
    pid_t pid = 0;
    ASSERT_EQ(posix_spawn(&pid, programText.c_str(), &actions, nullptr, argv.data(), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    std::string device;
    char c = 0;
    while (::read(out[0], &c, 1) == 1 && c != '\n')
        device += c;
    ::close(out[0]);
    EXPECT_EQ(device.rfind("/dev/pts/", 0), 0u) << device;
    EXPECT_EQ(fs::read_symlink(link).string(), device);

    PosixSerialLink port;
    ASSERT_TRUE(port.open(link.string(), 9600).ok());
    LineProbe found = probeLine(port, 7);
    EXPECT_EQ(found.device, LineDevice::Gen4Station);
    port.close();

    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(link)));
}

TEST(SimProgram, HelpAndBadOptions) {
    const fs::path program = fs::path(VORSAN_BINDIR) / "vorsan-sim";
    if (!fs::exists(program)) GTEST_SKIP() << "vorsan-sim is not built";
    auto run = [&](const std::string& arguments, std::string& output) {
        FILE* pipe = ::popen((program.string() + " " + arguments + " 2>&1").c_str(), "r");
        char buf[4096];
        for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;)
            output.append(buf, n);
        const int w = ::pclose(pipe);
        return WIFEXITED(w) ? WEXITSTATUS(w) : -1;
    };
    std::string help, bad;
    EXPECT_EQ(run("--help", help), 0);
    for (const char* option : {"--gen4", "--gen3", "--recorder", "--switch", "--baud", "--fast", "--corrupt",
                               "--drop", "--slow-ms", "--silent", "--seed", "--journal", "--link"})
        EXPECT_NE(help.find(option), std::string::npos) << option;
    EXPECT_EQ(run("--gen4 300", bad), 2);
    EXPECT_NE(bad.find("1 to 247"), std::string::npos) << bad;
}

TEST(SimProgram, LineServesTheJournalAndSettingsOfAFile) {
    const fs::path file = fs::temp_directory_path() / ("vorsan-sim-" + std::to_string(::getpid()) + ".VR4");
    JournalImage image;
    for (std::size_t k = 0; k < image.size(); ++k)
        image[k] = static_cast<std::uint8_t>(k * 7);
    SettingsCatalogue catalogue = buildCatalogue(ControllerGeneration::Gen4);
    for (std::size_t k = 0; k < catalogue.size(); ++k)
        catalogue.entries[k].value = static_cast<std::uint16_t>(k + 1);
    CurrentState state = zeroState();
    state.UAB = 401;
    ASSERT_EQ(saveJournalFile(file, ControllerGeneration::Gen4, image, catalogue, state), "");

    SimOptions o = fastOptions();
    o.gen4Addresses = {1};
    o.journalFile = file.string();
    SimLine line(o);
    ASSERT_TRUE(line.open());
    JournalRead journal = readJournal4(line.link, 1);
    ASSERT_TRUE(journal.ok());
    EXPECT_TRUE(journal.image == image);
    SettingsRead settings = readSettings4(line.link, 1);
    ASSERT_TRUE(settings.ok());
    EXPECT_EQ(settingsSetOf(settings.catalogue), settingsSetOf(catalogue));
    EXPECT_EQ(settings.state.UAB, 401);
    fs::remove(file);

    SimOptions bad = fastOptions();
    bad.journalFile = "/nonexistent/x.VR4";
    Simulator sim(bad);
    EXPECT_NE(sim.start(), "");
}

} // namespace
} // namespace vorsan::sim::test
