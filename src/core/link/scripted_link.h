#pragma once
// ScriptedLink: a SerialLink that replays a script on a virtual clock, for tests of the
// exchanges and of the transactions built on them. Nothing sleeps: time moves only when the code
// under test reads.
//
// The script is a queue of turns. Each write() takes the next turn: the written bytes are logged
// (and compared with the turn's expected request, if it has one), and the turn's reply bytes are
// scheduled at their delays counted from the end of that write. A write with no turn left gets
// silence. readByte() hands out a byte that has arrived; otherwise it moves the clock to the next
// byte's arrival if that is within 4 ms, else by 4 ms and returns nothing, as the port does.
//
//   ScriptedLink line;
//   line.expect(request).reply(replyBytes);                   // whole reply at once
//   line.expect(request).reply(head, 0).reply(tail, 250);      // split, tail 250 ms later
//   line.expect(request).replyPaced(replyBytes, 0, 1.04);      // 9600 bit/s byte spacing
//   line.expect(request);                                      // silence
//   line.anyWrite().failWrite();                               // the driver refuses the write
//   line.inject({0x55}, line.nowMicros());                     // junk already on the line
//
// For long transactions a responder plays the device: it is asked for every write that finds
// no turn left and returns the reply (empty: silence), delivered from responderDelayMs after the
// write, one byte every responderGapMs.
#include "link/link_clock.h"
#include "link/serial_link.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace vorsan {

using Bytes = std::vector<std::uint8_t>;

// A frame with its CRC-16 appended (low byte first); withBadCrc flips the last CRC byte.
Bytes withCrc(Bytes frame);
Bytes withBadCrc(Bytes frame);

class ScriptedLink final : public SerialLink {
  public:
    ScriptedLink();

    // ---- script ----
    // A turn taken by the next write, which must equal `request`.
    ScriptedLink& expect(Bytes request);
    // A turn taken by the next write, whatever it writes.
    ScriptedLink& anyWrite();
    // Reply bytes of the last turn, all arriving delayMs after the end of its write.
    ScriptedLink& reply(const Bytes& bytes, double delayMs = 0);
    // Reply bytes of the last turn, the first at delayMs, then one every gapMs.
    ScriptedLink& replyPaced(const Bytes& bytes, double delayMs, double gapMs);
    // The last turn's write fails after the driver took `accepted` bytes; no reply follows.
    ScriptedLink& failWrite(std::size_t accepted = 0);
    // Bytes that arrive at an absolute time, whatever is written (noise, a late reply).
    void inject(const Bytes& bytes, std::int64_t atMicros);
    // The device's answer to writes that find no turn left.
    using Responder = std::function<Bytes(const Bytes& written)>;
    void setResponder(Responder responder, double delayMs = 1, double gapMs = 0);

    // ---- line behaviour ----
    void setRs232(bool rs232) { rs232_ = rs232; }
    // Models the wire: a write returns at once, its bytes then take 10 bits each at this speed
    // to leave the line, drain() waits for that, and reply delays count from that moment.
    // 0 (the default): a write has left the line when it returns.
    void setWireSpeed(int bitsPerSecond) { wireSpeed_ = bitsPerSecond; }
    // The next open fails with this word and reason.
    void failOpen(LinkError error, std::string reason = {});

    // ---- what happened ----
    VirtualLinkClock& virtualClock() { return clock_; }
    const std::vector<Bytes>& writes() const { return writes_; }
    // Writes that did not match their turn's expected request.
    std::size_t mismatches() const { return mismatches_; }
    // Turns not yet taken by a write.
    std::size_t turnsLeft() const { return turns_.size(); }
    std::size_t purges() const { return purges_; }
    std::size_t readAttempts() const { return readAttempts_; }
    std::size_t opens() const { return opens_; }
    const std::string& openedDevice() const { return device_; }
    int openedSpeed() const { return speed_; }
    bool rts() const { return rts_; }
    // Bytes scheduled and not yet read (purged bytes excluded).
    std::size_t bytesWaiting() const { return arriving_.size(); }

    bool isOpen() const override { return open_; }
    bool isRs232() const override { return rs232_; }

  protected:
    OpenResult doOpen(const std::string& device, int speed) override;
    void doClose() override;
    bool doPurge() override;
    WriteResult doWrite(std::span<const std::uint8_t> bytes) override;
    bool doDrain() override;
    ReadResult doReadByte() override;
    void doSetRts(bool raised) override;

  private:
    struct Arrival {
        std::int64_t atMicros;
        std::uint8_t byte;
    };
    struct Piece {
        Bytes bytes;
        std::int64_t delayMicros;
        std::int64_t gapMicros;
    };
    struct Turn {
        std::optional<Bytes> request;
        std::vector<Piece> pieces;
        std::optional<std::size_t> failAfter;
    };

    void schedule(std::int64_t atMicros, std::uint8_t byte);
    Turn& lastTurn();

    VirtualLinkClock clock_;
    std::deque<Turn> turns_;
    std::deque<Arrival> arriving_; // ordered by time
    std::vector<Bytes> writes_;
    std::optional<OpenResult> openFailure_;
    Responder responder_;
    std::int64_t responderDelay_ = 0;
    std::int64_t responderGap_ = 0;
    std::string device_;
    int speed_ = 0;
    std::size_t mismatches_ = 0;
    std::size_t purges_ = 0;
    std::size_t readAttempts_ = 0;
    std::size_t opens_ = 0;
    bool open_ = false;
    bool rs232_ = true;
    bool rts_ = false;
    int wireSpeed_ = 0;
    std::int64_t wireFreeAt_ = 0; // when the last written byte has left the wire
};

} // namespace vorsan
