#include "link/posix_serial_link.h"

#include "link/line_speed.h"
#include "link/open_failure.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace vorsan {

namespace {

// A write that the driver does not take within this long has failed (a stuck line or a peer
// that stopped reading a pseudo-terminal).
constexpr int kWriteLimitMs = 2000;

struct StandardSpeed {
    int bits;
    speed_t code;
};

constexpr StandardSpeed kStandardSpeeds[] = {
    {1200, B1200},     {2400, B2400},     {4800, B4800},     {9600, B9600},
    {19200, B19200},   {38400, B38400},   {57600, B57600},   {115200, B115200},
    {230400, B230400}, {460800, B460800}, {921600, B921600},
};

bool standardSpeedCode(int speed, speed_t& code) {
    for (const auto& s : kStandardSpeeds)
        if (s.bits == speed) {
            code = s.code;
            return true;
        }
    return false;
}

// Raw 8N1 without flow control. The speed is set separately when it has no constant.
bool applyLineSettings(int fd, int speed) {
    termios tio{};
    tcgetattr(fd, &tio); // a failure shows in tcsetattr below
    cfmakeraw(&tio);
    tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY | INPCK | ISTRIP);
    tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS | HUPCL);
    tio.c_cflag |= CS8 | CLOCAL | CREAD;
    speed_t code = B9600;
    const bool standard = standardSpeedCode(speed, code);
    cfsetispeed(&tio, code);
    cfsetospeed(&tio, code);
    if (tcsetattr(fd, TCSANOW, &tio) != 0) return false;
    return standard || setArbitraryLineSpeed(fd, speed);
}

// Reads return at once with what is there; the 4 ms wait is done with poll().
bool applyReadTimeouts(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return false;
    tio.c_cc[VMIN] = 0;
    tio.c_cc[VTIME] = 0;
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

// Sets ASYNC_LOW_LATENCY; true when the driver took it. `saved` gets the flags it had.
bool setLowLatency(int fd, int& saved) {
    serial_struct info{};
    if (ioctl(fd, TIOCGSERIAL, &info) != 0) return false;
    saved = info.flags;
    if (info.flags & ASYNC_LOW_LATENCY) return true;
    info.flags |= ASYNC_LOW_LATENCY;
    if (ioctl(fd, TIOCSSERIAL, &info) != 0) return false;
    // Some drivers accept the call and keep their flags: ask again.
    serial_struct check{};
    return ioctl(fd, TIOCGSERIAL, &check) == 0 && (check.flags & ASYNC_LOW_LATENCY);
}

void restoreSerialFlags(int fd, int saved) {
    serial_struct info{};
    if (ioctl(fd, TIOCGSERIAL, &info) != 0 || info.flags == saved) return;
    info.flags = saved;
    ioctl(fd, TIOCSSERIAL, &info);
}

void releaseFd(int fd) {
    ioctl(fd, TIOCNXCL);
    flock(fd, LOCK_UN);
    ::close(fd);
}

std::int64_t steadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

} // namespace

PosixSerialLink::~PosixSerialLink() {
    if (fd_ < 0) return;
    if (lowLatency_ == LowLatency::On) restoreSerialFlags(fd_, savedSerialFlags_);
    releaseFd(fd_);
}

OpenResult PosixSerialLink::doOpen(const std::string& device, int speed) {
    OpenResult result;
    if (fd_ >= 0) doClose();
    pendingBegin_ = pendingEnd_ = 0;

    const int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        result.error = LinkError::OpenPort_Error;
        result.reason = describeOpenFailure(device, errno);
        return result;
    }
    // The lock refuses a second program that honours it, root included; TIOCEXCL refuses every
    // later open of the device except by root. A file that is no terminal refuses TIOCEXCL and
    // then fails on the line settings below.
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        result.error = LinkError::OpenPort_Error;
        result.reason = describeOpenFailure(device, EBUSY);
        return result;
    }
    ioctl(fd, TIOCEXCL);
    if (speed <= 0 || !applyLineSettings(fd, speed)) {
        releaseFd(fd);
        result.error = LinkError::DCB_Error;
        return result;
    }
    if (!applyReadTimeouts(fd)) {
        releaseFd(fd);
        result.error = LinkError::TimeOut_Error;
        return result;
    }
    tcflush(fd, TCIFLUSH);
    fd_ = fd;
    lowLatency_ = setLowLatency(fd, savedSerialFlags_) ? LowLatency::On : LowLatency::Refused;
    return result;
}

void PosixSerialLink::doClose() {
    if (fd_ < 0) return;
    if (lowLatency_ == LowLatency::On) restoreSerialFlags(fd_, savedSerialFlags_);
    lowLatency_ = LowLatency::NotTried;
    releaseFd(fd_);
    fd_ = -1;
    pendingBegin_ = pendingEnd_ = 0;
}

bool PosixSerialLink::isRs232() const {
    return fd_ >= 0 && isatty(fd_);
}

bool PosixSerialLink::doPurge() {
    pendingBegin_ = pendingEnd_ = 0;
    return fd_ >= 0 && tcflush(fd_, TCIOFLUSH) == 0;
}

WriteResult PosixSerialLink::doWrite(std::span<const std::uint8_t> bytes) {
    WriteResult result;
    if (fd_ < 0) return result;
    const std::int64_t deadline = steadyMs() + kWriteLimitMs;
    while (result.written < bytes.size()) {
        const ssize_t n = ::write(fd_, bytes.data() + result.written, bytes.size() - result.written);
        if (n > 0) {
            result.written += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno != EAGAIN && errno != EINTR) return result;
        const std::int64_t left = deadline - steadyMs();
        if (left <= 0) return result;
        pollfd p{fd_, POLLOUT, 0};
        poll(&p, 1, static_cast<int>(left));
    }
    result.ok = true;
    return result;
}

bool PosixSerialLink::doDrain() {
    // Returns when the UART has sent the last stop bit. Output flow control is off, so the wait
    // is the transmission time of what is still queued (8 ms for a request at 9600 bit/s).
    if (fd_ < 0) return false;
    while (tcdrain(fd_) != 0)
        if (errno != EINTR) return false;
    return true;
}

ReadResult PosixSerialLink::doReadByte() {
    ReadResult result;
    if (pendingBegin_ < pendingEnd_) {
        result.byte = pending_[pendingBegin_++];
        return result;
    }
    const std::int64_t deadline = steadyMs() + kReadByteTimeoutMs;
    if (fd_ < 0) {
        result.ok = false;
    } else {
        pollfd p{fd_, POLLIN, 0};
        const int ready = poll(&p, 1, kReadByteTimeoutMs);
        if (ready > 0 && (p.revents & POLLIN)) {
            const ssize_t n = ::read(fd_, pending_.data(), pending_.size());
            if (n > 0) {
                pendingBegin_ = 1;
                pendingEnd_ = static_cast<std::size_t>(n);
                result.byte = pending_[0];
                return result;
            }
        }
        result.ok = ready >= 0 && !(p.revents & (POLLERR | POLLHUP | POLLNVAL));
    }
    // A port in error (a closed peer of a pseudo-terminal) answers poll() at once; the read
    // still takes its 4 ms so that the callers' attempt counts keep meaning time.
    const std::int64_t left = deadline - steadyMs();
    if (left > 0) std::this_thread::sleep_for(std::chrono::milliseconds(left));
    return result;
}

void PosixSerialLink::doSetRts(bool raised) {
    if (fd_ < 0) return;
    int bits = TIOCM_RTS;
    // A device without modem lines (a pseudo-terminal) refuses; the request then means nothing.
    ioctl(fd_, raised ? TIOCMBIS : TIOCMBIC, &bits);
}

} // namespace vorsan
