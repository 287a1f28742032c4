#pragma once
// SerialLink: the thin layer over a serial port that every transaction with a station or the
// recorder uses. A transaction opens the port, exchanges its frames and closes it again; the link
// keeps nothing between transactions.
//
// The public operations are not virtual: they call the implementation's do* hooks and report what
// happened to the observer, so every implementation (the port, the scripted fake) is traced alike
// and an unobserved link pays one pointer test per operation.
//
// Implementations: PosixSerialLink (posix_serial_link.h) for real ports and pseudo-terminals,
// ScriptedLink (scripted_link.h) for tests. The exchanges built on top are in frame_exchange.h
// (framed protocol) and byte_command.h (byte-command protocol).
#include "link/link_clock.h"
#include "link/link_error.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace vorsan {

// Outcome of open(): the error word (OpenPort_Error, DCB_Error, TimeOut_Error or None) and, for
// a failed open, one line saying why and what to do about it (may be empty).
struct OpenResult {
    LinkError error = LinkError::None;
    std::string reason;
    bool ok() const { return error == LinkError::None; }
};

// The message box text of a failed open: "Не удалось открыть порт" or "Ошибка при инициализации
// порта", followed by the reason on a second line when there is one. Empty on success.
std::string openFailureMessage(const OpenResult& result);

struct WriteResult {
    std::size_t written = 0; // bytes the driver took
    bool ok = false;         // false: the write failed (written may still be > 0)
};

struct ReadResult {
    std::optional<std::uint8_t> byte; // the byte, or none when nothing came within the read time
    bool ok = true;                   // false: the port reported an error (also without a byte)
};

enum class TrafficDirection { Written, Read };
// LowLatencyOn / LowLatencyRefused follow Opened on a port that was asked for low-latency mode
// (USB adapters hold received bytes up to their latency timer otherwise); a refusal is harmless.
enum class LinkControl {
    Opened,
    OpenFailed,
    Closed,
    Purged,
    Drained,
    RtsRaised,
    RtsDropped,
    LowLatencyOn,
    LowLatencyRefused,
};

// Sees every byte the link writes and reads, with the link clock's time in microseconds.
// Called synchronously from the link's operations; it must not call back into the link.
class LinkObserver {
  public:
    virtual ~LinkObserver() = default;
    virtual void onTraffic(TrafficDirection direction, std::span<const std::uint8_t> bytes,
                           std::int64_t micros) = 0;
    virtual void onControl(LinkControl /*what*/, std::int64_t /*micros*/) {}
    // Before Opened / OpenFailed: the device, the line speed asked for and, on failure, the reason.
    virtual void onOpen(const std::string& /*device*/, int /*speed*/, const std::string& /*failure*/) {}
};

class SerialLink {
  public:
    // The longest a readByte waits for a byte: 1 ms per byte plus 3 ms.
    static constexpr int kReadByteTimeoutMs = 4;

    SerialLink() = default;
    SerialLink(const SerialLink&) = delete;
    SerialLink& operator=(const SerialLink&) = delete;
    virtual ~SerialLink() = default;

    // Opens the device exclusively at the speed (bit/s), 8 data bits, no parity, one stop bit, no
    // flow control, raw bytes, input flushed. A failure leaves the port closed.
    OpenResult open(const std::string& device, int speed);
    void close();
    virtual bool isOpen() const = 0;

    // Discards everything received and not yet sent. Called at the start of every request.
    bool purge();
    // Returns when the driver has taken all bytes (or failed).
    WriteResult write(std::span<const std::uint8_t> bytes);
    // Waits until everything written has left the wire (the driver's queue and the UART's).
    // write() returns earlier, while the last bytes are still being shifted out.
    bool drain();
    // One byte, or none within kReadByteTimeoutMs.
    ReadResult readByte();
    // RTS line for a direction-switching line driver. A port without modem lines (a
    // pseudo-terminal, some adapters) ignores them; this never fails.
    void setRts();
    void clearRts();
    // Whether the port is a serial terminal device. The probe and the fixed-time-out exchange
    // do nothing on a port that is not.
    virtual bool isRs232() const = 0;

    // Time for reply time-outs. Replaceable; the clock must outlive the link.
    const LinkClock& clock() const { return *clock_; }
    std::int64_t nowMicros() const { return clock_->nowMicros(); }
    void setClock(const LinkClock& clock) { clock_ = &clock; }

    // At most one observer; nullptr removes it. The observer must outlive its registration.
    void setObserver(LinkObserver* observer) { observer_ = observer; }
    LinkObserver* observer() const { return observer_; }

    // Whether the open port runs in low-latency mode (see LinkControl).
    enum class LowLatency { NotTried, On, Refused };
    virtual LowLatency lowLatency() const { return LowLatency::NotTried; }

  protected:
    virtual OpenResult doOpen(const std::string& device, int speed) = 0;
    virtual void doClose() = 0;
    virtual bool doPurge() = 0;
    virtual WriteResult doWrite(std::span<const std::uint8_t> bytes) = 0;
    // A link whose writes leave at once (a fake without a wire) has nothing to wait for.
    virtual bool doDrain() { return true; }
    virtual ReadResult doReadByte() = 0;
    virtual void doSetRts(bool raised) = 0;

  private:
    void notify(LinkControl what) {
        if (observer_) observer_->onControl(what, nowMicros());
    }

    const LinkClock* clock_ = &SteadyLinkClock::instance();
    LinkObserver* observer_ = nullptr;
};

} // namespace vorsan
