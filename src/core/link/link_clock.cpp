#include "link/link_clock.h"

#include <chrono>

namespace vorsan {

std::int64_t SteadyLinkClock::nowMicros() const {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

const SteadyLinkClock& SteadyLinkClock::instance() {
    static const SteadyLinkClock clock;
    return clock;
}

} // namespace vorsan
