#pragma once
// The fast scan of a whole line: every address 1..247 asked with the search probe
// (n 03 FF FF 00 01, a read of register 0xFFFF that a station refuses with a 5-byte frame), but an
// absent address costs a time-out learned from the stations that answer instead of the fixed
// 500 ms, so the line is covered in seconds rather than two minutes.
//
// How the time-out is learned: the scan asks the current station first (with the full 500 ms) and
// measures every reply: the time from the end of the request on the wire to the start of the
// reply. An absent address is given kSafeMultiple times the slowest reply seen, plus the reply's
// own frame time and the 3.5-character silence that ends a frame, within 20..500 ms. A station
// whose reply comes after its time-out is usually heard while the next addresses are asked (its
// refusal carries its address); it is asked again at once with a time-out learned from that late
// reply, without slowing the rest of the line. The addresses that did not answer are then asked in
// a second pass at twice the learned time-out, so a station that missed one request is found.
//
// Takes a link opened at the line speed given (9600 bit/s for stations). On a port that is not
// RS-232 nothing is asked, as with the fixed-time-out exchange.
#include "link/serial_link.h"

#include <cstdint>
#include <functional>
#include <vector>

namespace vorsan {

// One station found, with what readPadWell gave (0xFFFF when it did not answer).
struct ScannedStation {
    std::uint8_t address = 0;
    std::uint16_t pad = 0xFFFF;
    std::uint16_t well = 0xFFFF;
    bool padWellAnswered = false;
    std::int64_t replyMicros = 0; // end of the request on the wire -> start of the reply
    int pass = 1;                 // 0: the current station's probe, 1 or 2: the pass that found it
};

// Where the scan is: called before every request; returning false cancels the scan there.
struct ScanStep {
    int pass = 1; // 0 (the current station), 1, 2
    std::uint8_t address = 0;
    int done = 0;  // requests of this pass already sent
    int total = 0; // requests this pass will send (247 in the first)
};

struct LineScanOptions {
    std::uint8_t currentAddress = 1;                  // asked first, to learn the line's reply time
    int lineSpeed = 9600;                             // bit/s, for the frame and silence times
    std::function<bool(const ScanStep&)> proceed;     // false cancels
    std::function<void(const ScannedStation&)> found; // each station as it is found
};

struct LineScanResult {
    LinkError error = LinkError::None; // Write_Error ends the scan
    bool cancelled = false;
    std::vector<ScannedStation> stations;     // in the order found
    std::int64_t firstPassTimeoutMicros = 0;  // the learned time-out when the first pass ended
    std::int64_t secondPassTimeoutMicros = 0; // the time-out of the second pass (0 when none ran)
    int requests = 0;                         // search probes sent
    // Stations in address order.
    std::vector<ScannedStation> byAddress() const;
};

// The scan never changes the caller's current address: when it is cancelled, what was found so
// far has been reported through `found`, and the caller keeps its address.
LineScanResult scanLine(SerialLink& link, const LineScanOptions& options = {});

// The full scan, for lines with slow stations: every address 1..247 in turn with the search
// probe's fixed 500 ms (no learning, no second pass), each station found entered with its pad and
// well like the fast scan's. Steps are reported as pass 1; currentAddress and lineSpeed are not used.
LineScanResult scanLineFully(SerialLink& link, const LineScanOptions& options = {});

// ---- the time-out rule, apart for its own tests -------------------------------------------

inline constexpr int kSafeMultiple = 3;
inline constexpr std::int64_t kScanTimeoutFloorMicros = 20'000;
inline constexpr std::int64_t kScanTimeoutCeilingMicros = 500'000;

// Time of `bytes` bytes on the wire at `speed` (one start bit, 8 data bits, one stop bit).
std::int64_t lineMicros(std::size_t bytes, int speed);
// The silence of 3.5 characters that ends a frame; 1750 us above 19200 bit/s, as Modbus RTU fixes.
std::int64_t frameSilenceMicros(int speed);
// kSafeMultiple x the slowest reply + the 5-byte refusal's frame time + the silence, in 20..500 ms.
std::int64_t learnedTimeoutMicros(std::int64_t slowestReplyMicros, int speed);

} // namespace vorsan
