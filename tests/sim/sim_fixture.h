#pragma once
// An in-process simulator on a real pseudo-terminal and a port link opened on it.
#include "link/posix_serial_link.h"
#include "simulator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

namespace vorsan::sim::test {

using FastClock = vorsan::ScaledLinkClock;

inline SimOptions fastOptions() {
    SimOptions o;
    o.fast = true;
    o.seed = 7;
    return o;
}

class SimLine {
public:
    explicit SimLine(SimOptions options) : sim(std::move(options)) {
        // The simulator answers at once, so the link's time-outs may run five times faster.
        link.setClock(clock);
        std::string error = sim.start();
        EXPECT_EQ(error, "");
    }
    ~SimLine() {
        link.close();
        sim.stop();
    }
    // Opens the link at the speed (9600 unless told); false with a test failure otherwise.
    bool open(int speed = 9600) {
        OpenResult r = link.open(sim.devicePath(), speed);
        EXPECT_TRUE(r.ok()) << r.reason;
        return r.ok();
    }
    // Requests as the simulator received them.
    std::vector<Bytes> requests() const {
        std::vector<Bytes> out;
        for (const ReceivedRequest& r : sim.received())
            out.push_back(r.bytes);
        return out;
    }

    FastClock clock{5};
    Simulator sim;
    PosixSerialLink link;
};

} // namespace vorsan::sim::test
