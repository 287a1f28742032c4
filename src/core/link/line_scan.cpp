#include "link/line_scan.h"

#include "link/checksums.h"
#include "link/device_search.h"
#include "link/framed_request.h"
#include "link/line_probe.h"

#include <algorithm>
#include <array>
#include <deque>

namespace vorsan {

std::int64_t lineMicros(std::size_t bytes, int speed) {
    if (speed <= 0) return 0;
    // Rounded up: a frame is never shorter than its bits.
    return (static_cast<std::int64_t>(bytes) * 10 * 1'000'000 + speed - 1) / speed;
}

std::int64_t frameSilenceMicros(int speed) {
    if (speed > 19200) return 1750;
    if (speed <= 0) return 0;
    return (35LL * 1'000'000 + speed - 1) / speed;
}

std::int64_t learnedTimeoutMicros(std::int64_t slowestReplyMicros, int speed) {
    const std::int64_t t = kSafeMultiple * std::max<std::int64_t>(slowestReplyMicros, 0) +
                           lineMicros(kRefusalLength, speed) + frameSilenceMicros(speed);
    return std::clamp(t, kScanTimeoutFloorMicros, kScanTimeoutCeilingMicros);
}

std::vector<ScannedStation> LineScanResult::byAddress() const {
    std::vector<ScannedStation> sorted = stations;
    std::sort(sorted.begin(), sorted.end(),
              [](const ScannedStation& a, const ScannedStation& b) { return a.address < b.address; });
    return sorted;
}

namespace {

// A refusal frame that came from another address than the one asked: its address and the time
// its last byte was read.
struct Heard {
    std::uint8_t address = 0;
    std::int64_t atMicros = 0;
};

struct Answer {
    LinkError error = LinkError::None;
    bool present = false;
    std::int64_t replyMicros = 0;
    std::vector<Heard> others;
};

class Scanner {
public:
    Scanner(SerialLink& link, const LineScanOptions& options, LineScanResult& result)
        : link_(link), o_(options), r_(result) {}

    void run() {
        const std::uint8_t current = std::clamp(o_.currentAddress, kFirstStationAddress, kLastStationAddress);
        // The current station first, with the full wait: what it answers teaches the time-out.
        if (!step(0, current, 0, 1) || !probe(0, current, kScanTimeoutCeilingMicros, 0, 1)) return;

        std::vector<std::uint8_t> first;
        for (int n = kFirstStationAddress; n <= kLastStationAddress; ++n)
            if (n != current) first.push_back(static_cast<std::uint8_t>(n));
        if (!pass(1, first)) return;
        r_.firstPassTimeoutMicros = learnedTimeoutMicros(slowest_, o_.lineSpeed);

        std::vector<std::uint8_t> second;
        for (int n = kFirstStationAddress; n <= kLastStationAddress; ++n)
            if (!found_[n]) second.push_back(static_cast<std::uint8_t>(n));
        r_.secondPassTimeoutMicros = secondTimeout();
        pass(2, second);
    }

private:
    std::int64_t secondTimeout() const {
        return std::min(2 * learnedTimeoutMicros(slowest_, o_.lineSpeed), kScanTimeoutCeilingMicros);
    }

    bool pass(int number, const std::vector<std::uint8_t>& addresses) {
        const int total = static_cast<int>(addresses.size());
        for (int k = 0; k < total; ++k) {
            const std::uint8_t n = addresses[k];
            if (found_[n]) continue; // heard late and confirmed meanwhile
            const std::int64_t timeout =
                number == 1 ? learnedTimeoutMicros(slowest_, o_.lineSpeed) : secondTimeout();
            if (!step(number, n, k, total) || !probe(number, n, timeout, k, total)) return false;
        }
        return true;
    }

    bool step(int pass, std::uint8_t address, int done, int total) {
        if (!o_.proceed || o_.proceed(ScanStep{pass, address, done, total})) return true;
        r_.cancelled = true;
        return false;
    }

    // Asks n; on an answer enters the station. Stations heard late meanwhile are asked again at
    // once with a time-out of their own. False ends the scan (write failure or cancel).
    bool probe(int pass, std::uint8_t n, std::int64_t timeout, int done, int total) {
        std::deque<Heard> late;
        if (!askAndEnter(pass, n, timeout, true, late)) return false;
        while (!late.empty()) {
            const Heard h = late.front();
            late.pop_front();
            if (found_[h.address] || sentAt_[h.address] == 0) continue;
            const std::int64_t since = h.atMicros - sentAt_[h.address];
            if (since <= 0 || since > kScanTimeoutCeilingMicros) continue; // not an answer to our request
            const std::int64_t reply =
                std::max<std::int64_t>(since - lineMicros(kRefusalLength, o_.lineSpeed), 0);
            if (!step(pass, h.address, done, total)) return false;
            if (!askAndEnter(pass, h.address, learnedTimeoutMicros(reply, o_.lineSpeed), false, late))
                return false;
        }
        return true;
    }

    bool askAndEnter(int pass, std::uint8_t n, std::int64_t timeout, bool learns, std::deque<Heard>& late) {
        const Answer a = ask(n, timeout);
        if (a.error != LinkError::None) {
            r_.error = a.error;
            return false;
        }
        late.insert(late.end(), a.others.begin(), a.others.end());
        if (!a.present) return true;
        // Only a reply within the line's own time-out teaches it: one slow station, heard late,
        // must not make every absent address wait for it.
        if (learns) slowest_ = std::max(slowest_, a.replyMicros);
        return enter(pass, n, a.replyMicros);
    }

    bool enter(int pass, std::uint8_t n, std::int64_t replyMicros) {
        found_[n] = true;
        ScannedStation s;
        s.address = n;
        s.replyMicros = replyMicros;
        s.pass = pass;
        // The station list wants pad and well; a missed answer is asked once more.
        for (int attempt = 0; attempt < 2 && !s.padWellAnswered; ++attempt) {
            const PadWellReply pw = readPadWell(link_, n);
            if (pw.error != LinkError::None) {
                r_.error = pw.error;
                return false;
            }
            s.padWellAnswered = pw.valid;
            s.pad = pw.pad;
            s.well = pw.well;
        }
        r_.stations.push_back(s);
        if (o_.found) o_.found(s);
        return true;
    }

    // The search probe at n with the time-out counted from the end of the request on the wire.
    // Every 5-byte frame with a good CRC is looked at: one from n answers, one from another
    // address is a late reply to an earlier request.
    Answer ask(std::uint8_t n, std::int64_t timeout) {
        Answer a;
        const FramedRequest request = searchProbeRequest(n);
        ++r_.requests;
        link_.purge();
        link_.clearRts();
        const std::int64_t writeStart = link_.nowMicros();
        const WriteResult w = link_.write(request.bytes);
        if (!w.ok || w.written < request.bytes.size()) {
            a.error = LinkError::Write_Error;
            return a;
        }
        link_.drain();
        // A pseudo-terminal drains at once; a request cannot have left a real wire before its bits.
        const std::int64_t sent =
            std::max(link_.nowMicros(), writeStart + lineMicros(request.bytes.size(), o_.lineSpeed));
        sentAt_[n] = sent;
        link_.setRts();

        std::array<std::uint8_t, kRefusalLength> frame{};
        std::size_t got = 0;
        for (;;) {
            const ReadResult b = link_.readByte();
            const std::int64_t now = link_.nowMicros();
            if (now - sent > timeout) return a; // late bytes are not kept
            if (!b.byte) continue;
            if (got == frame.size()) {
                std::copy(frame.begin() + 1, frame.end(), frame.begin());
                --got;
            }
            frame[got++] = *b.byte;
            if (got < frame.size()) continue;
            if (crc16(std::span(frame).first(3)) != (frame[3] | frame[4] << 8)) continue;
            if (frame[0] == n) {
                a.present = true;
                a.replyMicros =
                    std::max<std::int64_t>(now - sent - lineMicros(frame.size(), o_.lineSpeed), 0);
                return a;
            }
            if (frame[0] >= kFirstStationAddress && frame[0] <= kLastStationAddress)
                a.others.push_back(Heard{frame[0], now});
            got = 0;
        }
    }

    SerialLink& link_;
    const LineScanOptions& o_;
    LineScanResult& r_;
    std::array<bool, 256> found_{};
    std::array<std::int64_t, 256> sentAt_{}; // when the last request to each address left the wire
    std::int64_t slowest_ = 0;
};

} // namespace

LineScanResult scanLine(SerialLink& link, const LineScanOptions& options) {
    LineScanResult result;
    if (!link.isRs232()) return result;
    Scanner(link, options, result).run();
    return result;
}

LineScanResult scanLineFully(SerialLink& link, const LineScanOptions& options) {
    LineScanResult result;
    if (!link.isRs232()) return result;
    const int total = kLastStationAddress - kFirstStationAddress + 1;
    result.firstPassTimeoutMicros = static_cast<std::int64_t>(kFixedTimeoutMs) * 1000;
    for (int n = kFirstStationAddress; n <= kLastStationAddress; ++n) {
        const auto address = static_cast<std::uint8_t>(n);
        if (options.proceed && !options.proceed(ScanStep{1, address, n - kFirstStationAddress, total})) {
            result.cancelled = true;
            return result;
        }
        ++result.requests;
        const StationProbe probe = stationAnswers(link, address);
        if (probe.error != LinkError::None) {
            result.error = probe.error;
            return result;
        }
        if (!probe.present) continue;
        const PadWellReply pw = readPadWell(link, address);
        if (pw.error != LinkError::None) {
            result.error = pw.error;
            return result;
        }
        ScannedStation s;
        s.address = address;
        s.pad = pw.pad;
        s.well = pw.well;
        s.padWellAnswered = pw.valid;
        result.stations.push_back(s);
        if (options.found) options.found(s);
    }
    return result;
}

} // namespace vorsan
