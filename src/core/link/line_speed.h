#pragma once
// Line speeds that the classic termios speed constants lack (14400 bit/s for the recorder).
// Kept apart from posix_serial_link.cpp: on Linux the arbitrary-speed interface (termios2 with
// BOTHER) comes from <asm/termbits.h>, which cannot be included together with <termios.h>.

namespace vorsan {

// Sets input and output speed of the open terminal fd to any bit rate. False on failure.
bool setArbitraryLineSpeed(int fd, int speed);

// The output speed the driver reports for fd, in bit/s; 0 when it cannot be read.
int readLineSpeed(int fd);

} // namespace vorsan
