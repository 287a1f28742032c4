// The port over a real pseudo-terminal. A pty does not reproduce baud rate, parity or character
// timing, so only what it does carry is tested: raw bytes, exclusivity, the configured speed
// value, flushing and the behaviour of a device without modem lines.
#include "link/byte_command.h"
#include "link/checksums.h"
#include "link/frame_exchange.h"
#include "link/line_speed.h"
#include "link/open_failure.h"
#include "link/posix_serial_link.h"
#include "pty_pair.h"
#include "recording_observer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <thread>

using namespace vorsan;
using vorsan::test::PtyPair;
using Bytes = std::vector<std::uint8_t>;

namespace {

struct Pty : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(pty.ok());
        ASSERT_TRUE(link.open(pty.slavePath(), 9600).ok());
    }
    // Reads what the link receives until n bytes or 1 s without a byte.
    Bytes readLink(std::size_t n) {
        Bytes out;
        for (int idle = 0; out.size() < n && idle < 250;) {
            const ReadResult r = link.readByte();
            if (r.byte) {
                out.push_back(*r.byte);
                idle = 0;
            } else {
                ++idle;
            }
        }
        return out;
    }
    PtyPair pty;
    PosixSerialLink link;
};

const Bytes kControlBytes{0x0D, 0x0A, 0x11, 0x13, 0x00, 0x7F, 0x03, 0x1A, 0x04, 0xFF, 0x0D};

} // namespace

TEST_F(Pty, RawModePassesControlBytesBothWays) {
    ASSERT_TRUE(pty.writeMaster(kControlBytes));
    EXPECT_EQ(readLink(kControlBytes.size()), kControlBytes);
    // Nothing was echoed back to the sender.
    EXPECT_TRUE(pty.readMaster(1, 50).empty());

    const WriteResult w = link.write(kControlBytes);
    EXPECT_TRUE(w.ok);
    EXPECT_EQ(w.written, kControlBytes.size());
    EXPECT_EQ(pty.readMaster(kControlBytes.size()), kControlBytes);
}

TEST_F(Pty, FramedReplyWithControlBytesArrivesIntact) {
    // A pad/well reply whose registers are 0x0D0A and 0x1113.
    const auto req = padWellRequest(1);
    std::thread peer([&] {
        if (pty.readMaster(8).size() == 8) {
            Bytes reply{1, 3, 4, 0x0D, 0x0A, 0x11, 0x13};
            const std::uint16_t crc = crc16(reply);
            reply.push_back(static_cast<std::uint8_t>(crc));
            reply.push_back(static_cast<std::uint8_t>(crc >> 8));
            pty.writeMaster(reply);
        }
    });
    const FramedReply r = framedRequest(link, req);
    peer.join();
    ASSERT_TRUE(r.valid);
    EXPECT_EQ(r.registerValue(0), 0x0D0A);
    EXPECT_EQ(r.registerValue(1), 0x1113);
}

TEST_F(Pty, ReadWithoutDataReturnsNothing) {
    const auto start = std::chrono::steady_clock::now();
    const ReadResult r = link.readByte();
    EXPECT_FALSE(r.byte);
    EXPECT_TRUE(r.ok);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1)); // generous
}

TEST_F(Pty, RtsOnADeviceWithoutModemLinesIsHarmless) {
    link.clearRts();
    link.setRts();
    EXPECT_TRUE(link.isOpen());
    EXPECT_TRUE(link.isRs232());
    EXPECT_TRUE(link.write(Bytes{0x42}).ok);
    EXPECT_EQ(pty.readMaster(1), Bytes{0x42});
}

TEST_F(Pty, SecondOpenIsRefusedUntilClosed) {
    PosixSerialLink other;
    const OpenResult r = other.open(pty.slavePath(), 9600);
    EXPECT_EQ(r.error, LinkError::OpenPort_Error);
    EXPECT_NE(r.reason.find("занят"), std::string::npos) << r.reason;
    EXPECT_FALSE(other.isOpen());
    link.close();
    EXPECT_TRUE(other.open(pty.slavePath(), 9600).ok());
}

TEST_F(Pty, ObserverSeesBothDirections) {
    test::RecordingObserver seen;
    link.setObserver(&seen);
    EXPECT_TRUE(link.write(Bytes{1, 2, 3}).ok);
    ASSERT_TRUE(pty.writeMaster({9, 8}));
    EXPECT_EQ(readLink(2), (Bytes{9, 8}));
    EXPECT_EQ(seen.bytes(TrafficDirection::Written), (Bytes{1, 2, 3}));
    EXPECT_EQ(seen.bytes(TrafficDirection::Read), (Bytes{9, 8}));
    for (std::size_t i = 1; i < seen.events.size(); ++i)
        EXPECT_GE(seen.events[i].micros, seen.events[i - 1].micros);
    link.setObserver(nullptr);
}

TEST_F(Pty, PurgeDiscardsWhatArrived) {
    ASSERT_TRUE(pty.writeMaster({1, 2, 3, 4}));
    // Wait until the bytes are in the driver's queue without taking them.
    pollfd p{link.fd(), POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 2000), 1);
    EXPECT_TRUE(link.purge());
    EXPECT_FALSE(link.readByte().byte);
}

TEST(PosixLink, OpenFlushesPendingInput) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    // Another holder of the slave puts it in raw mode so that bytes become readable at once.
    const int holder = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    ASSERT_GE(holder, 0);
    termios tio{};
    ASSERT_EQ(tcgetattr(holder, &tio), 0);
    cfmakeraw(&tio);
    ASSERT_EQ(tcsetattr(holder, TCSANOW, &tio), 0);
    ASSERT_TRUE(pty.writeMaster({0x55, 0x66}));
    pollfd p{holder, POLLIN, 0};
    ASSERT_EQ(poll(&p, 1, 2000), 1);

    PosixSerialLink link;
    ASSERT_TRUE(link.open(pty.slavePath(), 9600).ok());
    EXPECT_FALSE(link.readByte().byte);
    link.close();
    ::close(holder);
}

TEST(PosixLink, AnySpeedIncludingFourteenThousandFourHundred) {
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    for (int speed : {9600, 14400, 19200, 57600, 115200}) {
        SCOPED_TRACE(speed);
        PosixSerialLink link;
        ASSERT_TRUE(link.open(pty.slavePath(), speed).ok());
        EXPECT_EQ(readLineSpeed(link.fd()), speed);
        termios tio{};
        ASSERT_EQ(tcgetattr(link.fd(), &tio), 0);
        EXPECT_EQ(tio.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
        EXPECT_FALSE(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS));
        EXPECT_TRUE(tio.c_cflag & CLOCAL);
        EXPECT_TRUE(tio.c_cflag & CREAD);
        EXPECT_FALSE(tio.c_iflag & (IXON | IXOFF | ICRNL | INLCR | IGNCR));
        EXPECT_FALSE(tio.c_oflag & OPOST);
        EXPECT_FALSE(tio.c_lflag & (ECHO | ICANON | ISIG | IEXTEN));
    }
}

TEST(PosixLink, MissingDeviceSaysSo) {
    PosixSerialLink link;
    const OpenResult r = link.open("/dev/ttyVorsanMissing7", 9600);
    EXPECT_EQ(r.error, LinkError::OpenPort_Error);
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(openFailureMessage(r),
              "Не удалось открыть порт\nУстройство /dev/ttyVorsanMissing7 не существует.");
}

TEST(PosixLink, FileThatIsNoTerminalRefusesTheLineSettings) {
    PosixSerialLink link;
    const OpenResult r = link.open("/dev/null", 9600);
    EXPECT_EQ(r.error, LinkError::DCB_Error);
    EXPECT_FALSE(link.isOpen());
    EXPECT_EQ(openFailureMessage(r), "Ошибка при инициализации порта");
}

TEST(PosixLink, ClosedLinkFailsQuietly) {
    PosixSerialLink link;
    EXPECT_FALSE(link.isRs232());
    EXPECT_FALSE(link.write(Bytes{1}).ok);
    EXPECT_FALSE(link.readByte().byte);
    EXPECT_FALSE(link.purge());
    link.setRts();
    link.close();
}

TEST(PosixLink, PeerClosedMakesReadsFailNotHang) {
    auto pty = std::make_unique<PtyPair>();
    ASSERT_TRUE(pty->ok());
    PosixSerialLink link;
    ASSERT_TRUE(link.open(pty->slavePath(), 9600).ok());
    pty.reset();
    const ReadResult r = link.readByte();
    EXPECT_FALSE(r.byte);
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(framedRequest(link, padWellRequest(1)).valid);
}

TEST(OpenFailure, PermissionReasonNamesTheGroupAndTheFix) {
    const std::string reason =
        openFailureReason(OpenFailureCause::PermissionDenied, "/dev/ttyUSB0", "dialout", "ivan", EACCES);
    EXPECT_NE(reason.find("/dev/ttyUSB0"), std::string::npos);
    EXPECT_NE(reason.find("в группу dialout"), std::string::npos);
    EXPECT_NE(reason.find("usermod -aG dialout ivan"), std::string::npos);
    EXPECT_EQ(openFailureCause(EACCES), OpenFailureCause::PermissionDenied);
    EXPECT_EQ(openFailureCause(ENOENT), OpenFailureCause::Missing);
    EXPECT_EQ(openFailureCause(EBUSY), OpenFailureCause::Busy);
}
