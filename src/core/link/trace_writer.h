#pragma once
// A LinkObserver that writes the line traffic as text, for the command-line tool's --trace:
//
//   -- open
//   -> 01 03 00 EE 00 02 A4 3E
//   <- 01 03 04 00 07 00 2A CA 77   (+12.4 ms)   [CRC failure]
//   -> 01 03 00 EE 00 02 A4 3E   [retry]
//   <- 01 03 04 00 07 00 2A CA 2D   (+11.9 ms)
//   -- close
//
// One line per write, and one line for all the bytes read after it, however many reads they took.
// The reply line is written when the next request goes out, at a control event (purge, RTS, close)
// or by flush(); its time runs from the end of the request to the last byte read.
//
// A write whose last two bytes are the CRC-16 of the others is a frame of the framed protocol:
// its reply is marked "[CRC failure]" unless it ends with the CRC-16 of its other bytes, and the same
// frame written again in one open session is marked "[retry]" (the transactions repeat a request
// only when its reply did not come intact or in time). Generation 3 byte commands are single bytes,
// not frames: they get neither mark.
//
// Open and close are lines of their own; purge and RTS, which go with every request, are not shown.
// Runs longer than kShownBytes (a generation 3 journal comes as one run of 32 K) show their first
// kShownBytes bytes and their length.
#include "link/serial_link.h"

#include <cstddef>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace vorsan {

class TraceWriter final : public LinkObserver {
public:
    // More than the longest frame, so that every frame is shown whole.
    static constexpr std::size_t kShownBytes = 256;

    explicit TraceWriter(std::ostream& out) : out_(out) {}
    ~TraceWriter() override { flush(); }
    TraceWriter(const TraceWriter&) = delete;
    TraceWriter& operator=(const TraceWriter&) = delete;

    void onTraffic(TrafficDirection direction, std::span<const std::uint8_t> bytes,
                   std::int64_t micros) override;
    void onControl(LinkControl what, std::int64_t micros) override;
    // Writes the reply gathered so far.
    void flush();

private:
    void request(std::span<const std::uint8_t> bytes, std::int64_t micros);

    std::ostream& out_;
    std::vector<std::uint8_t> lastFrame_; // the last frame written in this session, for retries
    bool requestFramed_ = false;
    bool haveRequest_ = false; // something was written in this session
    std::int64_t requestMicros_ = 0;
    std::vector<std::uint8_t> reply_; // its first kShownBytes bytes
    std::size_t replyLength_ = 0;
    std::int64_t replyMicros_ = 0;
};

} // namespace vorsan
