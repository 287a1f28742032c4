#pragma once
// SerialLink over a POSIX terminal device (serial port, USB adapter, pseudo-terminal).
//
// open(): O_NOCTTY, exclusive (TIOCEXCL against other openers, and flock so that a second program,
// even one running as root, is refused), raw mode (no echo, no CR/LF translation, no XON/XOFF,
// no output processing: each would corrupt binary frames), 8 data bits, no parity, one stop bit,
// no hardware flow control, CLOCAL | CREAD, any speed (14400 included), pending input flushed.
// Reads wait with poll() for at most 4 ms.
//
// Low latency: USB serial adapters of the FTDI kind pass received bytes on only when their latency
// timer (16 ms by default) runs out or their buffer fills, adding up to 16 ms to every reply. open()
// sets ASYNC_LOW_LATENCY through TIOCSSERIAL, which such drivers turn into a 1 ms timer, and close()
// puts the flags back as they were. Drivers that do not know the request (a pseudo-terminal) or
// refuse it (an unprivileged user on some UARTs) leave the port as it is; lowLatency() says which.
#include "link/serial_link.h"

#include <array>
#include <cstddef>
#include <cstdint>

namespace vorsan {

class PosixSerialLink final : public SerialLink {
  public:
    PosixSerialLink() = default;
    ~PosixSerialLink() override;

    bool isOpen() const override { return fd_ >= 0; }
    bool isRs232() const override;
    // The open file descriptor, or -1.
    int fd() const { return fd_; }
    LowLatency lowLatency() const override { return lowLatency_; }

  protected:
    OpenResult doOpen(const std::string& device, int speed) override;
    void doClose() override;
    bool doPurge() override;
    WriteResult doWrite(std::span<const std::uint8_t> bytes) override;
    bool doDrain() override;
    ReadResult doReadByte() override;
    void doSetRts(bool raised) override;

  private:
    // Bytes taken from the driver in one read() and not yet handed out.
    std::array<std::uint8_t, 256> pending_{};
    std::size_t pendingBegin_ = 0;
    std::size_t pendingEnd_ = 0;
    int fd_ = -1;
    LowLatency lowLatency_ = LowLatency::NotTried;
    int savedSerialFlags_ = 0; // the driver's flags before open() set ASYNC_LOW_LATENCY
};

} // namespace vorsan
