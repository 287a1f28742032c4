#pragma once
// A LinkObserver that writes the line traffic as text, for the command-line tool's --trace:
//
//      0.000 open
//      0.012 purge
//      0.015 rts off
//      0.020 > 01 03 00 EE 00 02 A4 3E
//      0.031 rts on
//     12.417 < 01 03 04 00 07 00 2A 5A 2E
//
// Times are milliseconds since the first event. Bytes read one after another are gathered on one
// line until the direction changes, a control event comes, a pause longer than kGapMs or 16 bytes.
#include "link/serial_link.h"

#include <cstdint>
#include <ostream>
#include <vector>

namespace vorsan {

class TraceWriter final : public LinkObserver {
  public:
    static constexpr std::int64_t kGapMs = 5;
    static constexpr std::size_t kBytesPerLine = 16;

    explicit TraceWriter(std::ostream& out) : out_(out) {}
    ~TraceWriter() override { flush(); }

    void onTraffic(TrafficDirection direction, std::span<const std::uint8_t> bytes,
                   std::int64_t micros) override;
    void onControl(LinkControl what, std::int64_t micros) override;
    // Writes the bytes gathered so far.
    void flush();

  private:
    void stamp(std::int64_t micros);

    std::ostream& out_;
    std::vector<std::uint8_t> pending_;
    TrafficDirection pendingDirection_ = TrafficDirection::Read;
    std::int64_t pendingStart_ = 0;
    std::int64_t pendingLast_ = 0;
    std::int64_t origin_ = 0;
    bool started_ = false;
};

} // namespace vorsan
