#include "pty_port.h"

#include "link/line_speed.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace vorsan::sim {
namespace {

struct SpeedCode {
    unsigned baud;
    speed_t code;
};

constexpr SpeedCode kSpeeds[] = {{1200, B1200},     {2400, B2400},     {4800, B4800},    {9600, B9600},
                                 {19200, B19200},   {38400, B38400},   {57600, B57600},  {115200, B115200},
                                 {230400, B230400}, {460800, B460800}, {921600, B921600}};

speed_t speedCode(unsigned baud) {
    for (const SpeedCode& s : kSpeeds)
        if (s.baud == baud) return s.code;
    return B9600;
}

std::string systemError(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

} // namespace

PtyPort::~PtyPort() {
    close();
}

std::string PtyPort::open(unsigned baud) {
    close();
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (master_ < 0) return systemError("posix_openpt");
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        std::string e = systemError("grantpt/unlockpt");
        close();
        return e;
    }
    const char* name = ::ptsname(master_);
    device_ = name ? name : "";
    // Keeping the slave open ourselves means the master never sees a hang-up while the program
    // under test has the device closed between transactions.
    slave_ = ::open(device_.c_str(), O_RDWR | O_NOCTTY);
    if (slave_ < 0) {
        std::string e = systemError("open slave");
        close();
        return e;
    }
    termios t{};
    ::tcgetattr(slave_, &t);
    ::cfmakeraw(&t);
    ::cfsetispeed(&t, speedCode(baud));
    ::cfsetospeed(&t, speedCode(baud));
    t.c_cflag |= CLOCAL | CREAD;
    ::tcsetattr(slave_, TCSANOW, &t);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    return {};
}

std::string PtyPort::makeLink(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode)) return path + " exists and is not a symbolic link";
        ::unlink(path.c_str());
    }
    if (::symlink(device_.c_str(), path.c_str()) != 0) return systemError(("symlink " + path).c_str());
    link_ = path;
    return {};
}

void PtyPort::close() {
    if (!link_.empty()) {
        ::unlink(link_.c_str());
        link_.clear();
    }
    if (slave_ >= 0) ::close(slave_);
    if (master_ >= 0) ::close(master_);
    slave_ = master_ = -1;
}

bool PtyPort::read(std::vector<std::uint8_t>& out, int timeoutMs) {
    pollfd p{master_, POLLIN, 0};
    int n = ::poll(&p, 1, timeoutMs);
    if (n < 0) return errno == EINTR;
    if (n == 0 || !(p.revents & POLLIN)) return true;
    std::uint8_t buf[4096];
    ssize_t got = ::read(master_, buf, sizeof buf);
    if (got > 0) out.insert(out.end(), buf, buf + got);
    return got >= 0 || errno == EAGAIN || errno == EINTR;
}

bool PtyPort::writeNow(const std::uint8_t* data, std::size_t size, const std::atomic<bool>& stop) {
    while (size > 0 && !stop) {
        ssize_t n = ::write(master_, data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<std::size_t>(n);
        } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
            return false;
        } else {
            pollfd p{master_, POLLOUT, 0};
            ::poll(&p, 1, 20);
        }
    }
    return true;
}

bool PtyPort::writePaced(const std::vector<std::uint8_t>& bytes, unsigned baud, SimClock::time_point start,
                         const std::atomic<bool>& stop) {
    if (baud == 0) return writeNow(bytes.data(), bytes.size(), stop);
    // Byte k has fully left the line at start + (k + 1) byte times; release bytes in small
    // groups as their time comes, so a slow line looks slow to the reader.
    const auto byteTime = std::chrono::nanoseconds(10'000'000'000LL / baud);
    std::size_t sent = 0;
    while (sent < bytes.size() && !stop) {
        auto now = SimClock::now();
        std::size_t due = now < start ? 0 : static_cast<std::size_t>((now - start) / byteTime);
        due = std::min(due, bytes.size());
        if (due > sent) {
            if (!writeNow(bytes.data() + sent, due - sent, stop)) return false;
            sent = due;
            continue;
        }
        auto next = start + byteTime * static_cast<long>(sent + 1);
        std::this_thread::sleep_until(std::min(next, now + std::chrono::milliseconds(1)));
    }
    return true;
}

unsigned PtyPort::peerSpeed() const {
    // The terminal settings are shared by every opener of the slave, so ours show the peer's.
    int speed = slave_ >= 0 ? readLineSpeed(slave_) : 0;
    return speed > 0 ? static_cast<unsigned>(speed) : 0;
}

void PtyPort::releaseExclusive() {
    // A program that opened the device exclusively leaves the flag on the terminal when it closes,
    // because our slave descriptor keeps the terminal alive; clear it so it can open again.
    if (slave_ >= 0) ::ioctl(slave_, TIOCNXCL);
}

} // namespace vorsan::sim
