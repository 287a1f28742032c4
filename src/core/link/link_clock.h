#pragma once
// The monotonic clock the link measures reply time-outs with. The port uses the steady system
// clock; tests give the link a virtual clock that only moves when the fake line says so.
#include <chrono>
#include <cstdint>

namespace vorsan {

class LinkClock {
public:
    virtual ~LinkClock() = default;
    // Microseconds since an arbitrary fixed point; never goes backwards.
    virtual std::int64_t nowMicros() const = 0;
    std::int64_t nowMs() const { return nowMicros() / 1000; }
};

// std::chrono::steady_clock.
class SteadyLinkClock final : public LinkClock {
public:
    std::int64_t nowMicros() const override;
    // The one instance links use unless they are given another clock.
    static const SteadyLinkClock& instance();
};

// A clock that moves only when told to (tests, the scripted line).
class VirtualLinkClock final : public LinkClock {
public:
    explicit VirtualLinkClock(std::int64_t startMicros = 1'000'000) : now_(startMicros) {}
    std::int64_t nowMicros() const override { return now_; }
    void advanceMicros(std::int64_t micros) { now_ += micros > 0 ? micros : 0; }
    void advanceMs(std::int64_t ms) { advanceMicros(ms * 1000); }
    // Moves to the given time if it lies ahead; never goes back.
    void advanceTo(std::int64_t micros) { now_ = micros > now_ ? micros : now_; }

private:
    std::int64_t now_;
};

// The steady clock running `factor` times faster than real time. With a simulator that answers at
// once, the protocol's 300 and 500 ms waits pass in a few real milliseconds.
class ScaledLinkClock final : public LinkClock {
public:
    explicit ScaledLinkClock(int factor) : factor_(factor), start_(std::chrono::steady_clock::now()) {}
    std::int64_t nowMicros() const override {
        const auto real =
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - start_);
        return 1'000'000 + real.count() * factor_;
    }

private:
    int factor_;
    std::chrono::steady_clock::time_point start_;
};

} // namespace vorsan
