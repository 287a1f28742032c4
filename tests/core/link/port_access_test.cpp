// What the user is told when a port cannot be opened: the group command for a device the user may
// not open (a real refusal, with the test dropped to the user "nobody"), the program that holds a
// port (a real holder in another process), an adapter that is gone; and low-latency mode, which a
// pseudo-terminal refuses without harm.
#include "link/open_failure.h"
#include "link/posix_serial_link.h"
#include "pty_pair.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/wait.h>

using namespace vorsan;
using vorsan::test::PtyPair;

namespace {

// Runs `child` in a forked process and returns what it wrote to the pipe.
template <class F> std::string inChild(F child) {
    int fds[2];
    if (pipe(fds) != 0) return "pipe failed";
    const pid_t pid = fork();
    if (pid == 0) {
        ::close(fds[0]);
        const std::string text = child();
        (void)!::write(fds[1], text.data(), text.size());
        _exit(0);
    }
    ::close(fds[1]);
    std::string out;
    char buf[512];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0)
        out.append(buf, static_cast<std::size_t>(n));
    ::close(fds[0]);
    waitpid(pid, nullptr, 0);
    return out;
}

TEST(PortAccess, AUserOutsideTheDevicesGroupIsGivenTheCommand) {
    if (geteuid() != 0) GTEST_SKIP() << "needs root to become another user";
    const group* dialout = getgrnam("dialout");
    const passwd* nobody = getpwnam("nobody");
    ASSERT_NE(dialout, nullptr);
    ASSERT_NE(nobody, nullptr);
    const auto dir = std::filesystem::temp_directory_path() / ("access" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::filesystem::permissions(dir, std::filesystem::perms::all);
    const std::string device = (dir / "ttyUSB0").string();
    std::ofstream(device).put('\0');
    ASSERT_EQ(chown(device.c_str(), 0, dialout->gr_gid), 0);
    ASSERT_EQ(chmod(device.c_str(), 0660), 0);
    const uid_t uid = nobody->pw_uid;
    const gid_t gid = nobody->pw_gid;

    const std::string said = inChild([&] {
        if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0) return std::string("no drop");
        std::string text = portAccessWarning(device) + "|";
        PosixSerialLink link;
        return text + openFailureMessage(link.open(device, 9600));
    });
    std::filesystem::remove_all(dir);
    const std::string warning = said.substr(0, said.find('|'));
    const std::string message = said.substr(said.find('|') + 1);
    EXPECT_NE(warning.find("sudo usermod -aG dialout nobody"), std::string::npos) << said;
    EXPECT_NE(warning.find("при следующем входе в систему"), std::string::npos) << said;
    EXPECT_EQ(message.substr(0, message.find('\n')), "Не удалось открыть порт");
    EXPECT_NE(message.find("sudo usermod -aG dialout nobody"), std::string::npos) << said;
}

TEST(PortAccess, DiagnosisFromOwnerGroupAndMode) {
    struct Case {
        AccessFacts facts;
        AccessProblem problem;
    };
    const Case cases[] = {
        {{.root = true, .mode = 0}, AccessProblem::None},
        {{.owner = true, .mode = 0600}, AccessProblem::None},
        {{.owner = true, .mode = 0400}, AccessProblem::OwnerOnly},
        {{.sessionHasGroup = true, .mode = 0660}, AccessProblem::None},
        {{.mode = 0660}, AccessProblem::NotInGroup},
        // Added with usermod, but this session started before: log in again, no second usermod.
        {{.listedInGroup = true, .mode = 0660}, AccessProblem::LoginPending},
        {{.sessionHasGroup = true, .mode = 0600}, AccessProblem::OwnerOnly},
        {{.mode = 0666}, AccessProblem::None},
    };
    for (const auto& c : cases)
        EXPECT_EQ(accessProblem(c.facts), c.problem) << std::oct << c.facts.mode;
    EXPECT_NE(accessProblemText(AccessProblem::LoginPending, "/dev/ttyUSB0", "dialout", "ivan").find("уже добавлен"),
              std::string::npos);
}

TEST(PortAccess, APortHeldByAnotherProgramNamesIt) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    const pid_t holder = fork();
    if (holder == 0) {
        PosixSerialLink link;
        const bool ok = link.open(pty.slavePath(), 9600).ok();
        (void)!::write(ready[1], ok ? "1" : "0", 1);
        pause();
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, '1');
    PosixSerialLink link;
    const OpenResult r = link.open(pty.slavePath(), 9600);
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
    EXPECT_EQ(r.error, LinkError::OpenPort_Error);
    std::string comm;
    std::getline(std::ifstream("/proc/self/comm"), comm);
    EXPECT_NE(r.reason.find("занят другой программой: " + comm + " (процесс " + std::to_string(holder) + ")"),
              std::string::npos)
        << r.reason;
}

TEST(PortAccess, AnAdapterThatIsGoneWasUnplugged) {
    PosixSerialLink link;
    const std::string byId = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_NOSUCH00-if00-port0";
    const OpenResult r = link.open(byId, 9600);
    EXPECT_EQ(r.error, LinkError::OpenPort_Error);
    EXPECT_EQ(r.reason, "Адаптер " + byId + " отключён (устройство не найдено).");
    EXPECT_EQ(portAccessWarning(byId), r.reason);
    EXPECT_EQ(link.open("/dev/ttyS99999", 9600).reason, "Устройство /dev/ttyS99999 не существует.");
}

TEST(PortAccess, APseudoTerminalRefusesLowLatencyAndStillWorks) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    PosixSerialLink link;
    ASSERT_TRUE(link.open(pty.slavePath(), 9600).ok());
    EXPECT_EQ(link.lowLatency(), SerialLink::LowLatency::Refused);
    const std::uint8_t byte[] = {0x45};
    EXPECT_TRUE(link.write(byte).ok);
    EXPECT_EQ(pty.readMaster(1), std::vector<std::uint8_t>{0x45});
    link.close();
    EXPECT_EQ(link.lowLatency(), SerialLink::LowLatency::NotTried);
}

} // namespace
