#include "link/line_speed.h"

#if defined(__linux__)
#include <asm/ioctls.h>
#include <asm/termbits.h>

// <sys/ioctl.h> would pull in the libc termios definitions that clash with <asm/termbits.h>.
extern "C" int ioctl(int fd, unsigned long request, ...);

namespace vorsan {

bool setArbitraryLineSpeed(int fd, int speed) {
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0) return false;
    tio.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    tio.c_ispeed = static_cast<speed_t>(speed);
    tio.c_ospeed = static_cast<speed_t>(speed);
    return ioctl(fd, TCSETS2, &tio) == 0;
}

int readLineSpeed(int fd) {
    struct termios2 tio {};
    if (ioctl(fd, TCGETS2, &tio) != 0) return 0;
    return static_cast<int>(tio.c_ospeed);
}

} // namespace vorsan

#else
#include <termios.h>

namespace vorsan {

// BSD and macOS speed_t values are the bit rates themselves.
bool setArbitraryLineSpeed(int fd, int speed) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return false;
    if (cfsetispeed(&tio, static_cast<speed_t>(speed)) != 0) return false;
    if (cfsetospeed(&tio, static_cast<speed_t>(speed)) != 0) return false;
    return tcsetattr(fd, TCSANOW, &tio) == 0;
}

int readLineSpeed(int fd) {
    termios tio{};
    if (tcgetattr(fd, &tio) != 0) return 0;
    return static_cast<int>(cfgetospeed(&tio));
}

} // namespace vorsan
#endif
