#pragma once
// An observer that keeps everything the link reports, for tests.
#include "link/serial_link.h"

#include <cstdint>
#include <vector>

namespace vorsan::test {

struct LinkEvent {
    bool traffic;                 // false: a control event
    TrafficDirection direction{}; // traffic only
    std::vector<std::uint8_t> bytes;
    LinkControl control{}; // control only
    std::int64_t micros;
};

class RecordingObserver final : public LinkObserver {
  public:
    void onTraffic(TrafficDirection d, std::span<const std::uint8_t> b, std::int64_t us) override {
        events.push_back({true, d, {b.begin(), b.end()}, {}, us});
    }
    void onControl(LinkControl c, std::int64_t us) override { events.push_back({false, {}, {}, c, us}); }

    std::vector<std::uint8_t> bytes(TrafficDirection d) const {
        std::vector<std::uint8_t> out;
        for (const auto& e : events)
            if (e.traffic && e.direction == d) out.insert(out.end(), e.bytes.begin(), e.bytes.end());
        return out;
    }

    std::vector<LinkEvent> events;
};

} // namespace vorsan::test
