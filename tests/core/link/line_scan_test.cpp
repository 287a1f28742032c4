// The fast scan's time-out for an absent address: three times the slowest reply seen, plus the
// 5-byte refusal's frame time and the 3.5-character silence, within 20..500 ms.
#include "link/line_scan.h"

#include <gtest/gtest.h>

namespace vorsan {
namespace {

TEST(ScanTimeout, LearnedFromTheSlowestReply) {
    struct Case {
        std::int64_t slowestMicros;
        int speed;
        std::int64_t expected;
    };
    // At 9600 bit/s a 5-byte frame lasts 5208.3 us and 3.5 characters 3645.8 us (both rounded up);
    // above 19200 bit/s the silence is fixed at 1750 us.
    const Case cases[] = {
        {0, 9600, 20'000},        // nothing measured: the floor
        {3'000, 9600, 20'000},    // 17.9 ms: still the floor
        {10'000, 9600, 38'855},   // 30 000 + 5 209 + 3 646
        {120'000, 9600, 368'855}, // a station 120 ms late
        {200'000, 9600, 500'000}, // the ceiling
        {20'000, 115200, 62'185}, // 60 000 + 435 + 1 750
        {-5, 9600, 20'000},       // a reply faster than its own bits counts as 0
    };
    for (const Case& c : cases)
        EXPECT_EQ(learnedTimeoutMicros(c.slowestMicros, c.speed), c.expected)
            << c.slowestMicros << " @" << c.speed;
}

} // namespace
} // namespace vorsan
