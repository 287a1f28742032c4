#pragma once
// SerialLink over a POSIX terminal device (serial port, USB adapter, pseudo-terminal).
//
// open(): O_NOCTTY, exclusive (TIOCEXCL against other openers, and flock so that a second program,
// even one running as root, is refused), raw mode (no echo, no CR/LF translation, no XON/XOFF,
// no output processing: each would corrupt binary frames), 8 data bits, no parity, one stop bit,
// no hardware flow control, CLOCAL | CREAD, any speed (14400 included), pending input flushed.
// Reads wait with poll() for at most 4 ms.
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
};

} // namespace vorsan
