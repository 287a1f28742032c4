#include "journal/journal_order.h"

#include "image_builder.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <vector>

using namespace vorsan;
using namespace vorsan::testing;

namespace {

// The exchange method exactly as the program has always done it, on whole records, positions
// 1..n: for each i, H := record n; for j = n down to i exchange record j and H when record j is
// earlier than H; then record i goes to position n and H to position i.
bool earlier(const JournalRecord& a, const JournalRecord& b) {
    return std::tie(a.year, a.month, a.day, a.hour, a.minute, a.second) <
           std::tie(b.year, b.month, b.day, b.hour, b.minute, b.second);
}

void referenceSort(std::vector<JournalRecord>& v) {
    const std::size_t n = v.size();
    auto at = [&](std::size_t pos) -> JournalRecord& { return v[pos - 1]; };
    for (std::size_t i = 1; i <= n; ++i) {
        JournalRecord h = at(n);
        for (std::size_t j = n; j >= i; --j)
            if (earlier(at(j), h)) std::swap(at(j), h);
        at(n) = at(i);
        at(i) = h;
    }
}

// Records with few distinct times, each tagged with its first position (NUM_UST) so that the
// permutation, not only the key order, is compared.
Journal randomJournal(std::mt19937& rng, std::size_t n, unsigned distinctSeconds) {
    Journal j;
    std::uniform_int_distribution<unsigned> sec(0, distinctSeconds - 1);
    std::uniform_int_distribution<unsigned> minute(0, 2);
    for (std::size_t i = 0; i < n; ++i) {
        auto r = rec(255, minute(rng), sec(rng));
        r.NUM_UST = static_cast<std::uint16_t>(i);
        j.records.push_back(r);
    }
    return j;
}

TEST(SortJournal, SamePermutationAsTheLiteralMethodOnEqualKeys) {
    std::mt19937 rng(20240305);
    for (int round = 0; round < 300; ++round) {
        const std::size_t n = std::uniform_int_distribution<std::size_t>(0, 120)(rng);
        const unsigned distinct = std::uniform_int_distribution<unsigned>(1, 4)(rng);
        Journal fast = randomJournal(rng, n, distinct);
        std::vector<JournalRecord> ref = fast.records;
        sortJournal(fast);
        referenceSort(ref);
        ASSERT_EQ(fast.records, ref) << "round " << round << " n " << n;
    }
}

TEST(SortJournal, SamePermutationOnAFullJournalOfOneSecond) {
    std::mt19937 rng(7);
    Journal fast = randomJournal(rng, kMaxJournalRecords, 2);
    std::vector<JournalRecord> ref = fast.records;
    sortJournal(fast);
    referenceSort(ref);
    EXPECT_EQ(fast.records, ref);
}

TEST(SortJournal, OrdersByAllSixFields) {
    Journal j;
    auto r = rec(1, 0, 0);
    for (int f = 0; f < 6; ++f) {
        auto x = r;
        switch (f) {
        case 0:
            x.year = 2025;
            break;
        case 1:
            x.month = 4;
            break;
        case 2:
            x.day = 6;
            break;
        case 3:
            x.hour = 15;
            break;
        case 4:
            x.minute = 1;
            break;
        case 5:
            x.second = 1;
            break;
        }
        x.SOBYTIE = static_cast<std::uint8_t>(f);
        j.records.insert(j.records.begin(), x);
    }
    sortJournal(j);
    for (int f = 0; f < 6; ++f)
        EXPECT_EQ(j.records[static_cast<std::size_t>(f)].SOBYTIE, 5 - f);
}

std::vector<int> codes(const Journal& j) {
    std::vector<int> out;
    for (const auto& r : j.records)
        out.push_back(r.SOBYTIE);
    return out;
}

Journal of(std::vector<JournalRecord> v) {
    return Journal{std::move(v)};
}

TEST(OrderSameMoment, MeasurementGoesBeforeTheStopEvent) {
    auto j = of({rec(3, 7, 9), rec(255, 7, 9)});
    orderSameMoment(j);
    EXPECT_EQ(codes(j), (std::vector<int>{255, 3}));
}

TEST(OrderSameMoment, MeasurementAtSecondZeroOfTheMinuteCountsAsSameMoment) {
    auto j = of({rec(3, 7, 9), rec(255, 7, 0)});
    orderSameMoment(j);
    EXPECT_EQ(codes(j), (std::vector<int>{255, 3}));
    auto other = of({rec(3, 7, 9), rec(255, 7, 10)});
    orderSameMoment(other);
    EXPECT_EQ(codes(other), (std::vector<int>{3, 255}));
    auto nextMinute = of({rec(3, 7, 9), rec(255, 8, 0)});
    orderSameMoment(nextMinute);
    EXPECT_EQ(codes(nextMinute), (std::vector<int>{3, 255}));
}

TEST(OrderSameMoment, VoltageOffComesAfterTheStopEvent) {
    auto j = of({rec(140, 7, 9), rec(1, 7, 9)});
    orderSameMoment(j);
    EXPECT_EQ(codes(j), (std::vector<int>{1, 140}));
    auto kept = of({rec(1, 7, 9), rec(140, 7, 9)});
    orderSameMoment(kept);
    EXPECT_EQ(codes(kept), (std::vector<int>{1, 140}));
}

TEST(OrderSameMoment, StopPullsMeasurementsOneAndTwoPlacesOn) {
    auto j = of({rec(3, 7, 9), rec(5, 7, 9), rec(255, 7, 9)});
    orderSameMoment(j);
    EXPECT_EQ(codes(j).front(), 255);
}

// The pass looks back from the record before position k, k < n: a start is moved only when some
// record follows it, hence the record of a later minute at the end of these journals.
TEST(OrderSameMoment, StartEventGoesBeforeMeasurementsWithoutCause) {
    auto j = of({rec(255, 7, 9), rec(49, 7, 9), rec(255, 8, 0)});
    orderSameMoment(j);
    EXPECT_EQ(codes(j), (std::vector<int>{49, 255, 255}));
    auto three = of({rec(255, 7, 9), rec(255, 7, 0), rec(255, 7, 9), rec(48, 7, 9), rec(255, 8, 0)});
    orderSameMoment(three);
    EXPECT_EQ(codes(three).front(), 48);
}

TEST(OrderSameMoment, StartAtTheVeryEndIsNotMoved) {
    auto j = of({rec(255, 7, 9), rec(49, 7, 9)});
    orderSameMoment(j);
    EXPECT_EQ(codes(j), (std::vector<int>{255, 49}));
}

TEST(OrderSameMoment, MeasurementWithCauseStaysBeforeTheStart) {
    auto j = of({rec(255, 7, 9, 2), rec(49, 7, 9), rec(255, 8, 0)});
    orderSameMoment(j);
    EXPECT_EQ(codes(j), (std::vector<int>{255, 49, 255}));
    auto back = of({rec(49, 7, 9), rec(255, 7, 9, 2), rec(255, 8, 0)});
    orderSameMoment(back);
    EXPECT_EQ(codes(back), (std::vector<int>{255, 49, 255}));
    EXPECT_EQ(back.records[0].EXT_ZAP, 2);
}

TEST(OrderSameMoment, VoltageOnGoesBeforeOtherStarts) {
    auto j = of({rec(48, 7, 9), rec(76, 7, 9), rec(255, 8, 0)});
    orderSameMoment(j);
    EXPECT_EQ(codes(j), (std::vector<int>{76, 48, 255}));
}

TEST(OrderSameMoment, DifferentMomentsAreLeftAlone) {
    auto j = of({rec(255, 6, 9), rec(49, 7, 9), rec(3, 8, 1), rec(255, 8, 2)});
    const auto before = j;
    orderSameMoment(j);
    EXPECT_EQ(j, before);
}

TEST(OrderSameMoment, EmptyAndSingleJournals) {
    Journal empty;
    orderSameMoment(empty);
    EXPECT_EQ(empty.count(), 0u);
    auto one = of({rec(49, 7, 9)});
    orderSameMoment(one);
    EXPECT_EQ(codes(one), (std::vector<int>{49}));
}

// The rules written out plainly, on whole records, with no bound: nothing when they have not ended
// after `limit` steps (they loop on that input).
bool sameMomentRef(const JournalRecord& x, const JournalRecord& y) {
    return x.year == y.year && x.month == y.month && x.day == y.day && x.hour == y.hour &&
           x.minute == y.minute && (y.second == 0 || y.second == x.second);
}

std::optional<std::vector<JournalRecord>> referenceOrder(std::vector<JournalRecord> r, std::size_t limit) {
    const std::size_t n = r.size();
    auto stop = [](const JournalRecord& x) { return isStopEvent(x.SOBYTIE); };
    auto start = [](const JournalRecord& x) { return isStartEvent(x.SOBYTIE); };
    auto neither = [](const JournalRecord& x) { return isUnclassedEvent(x.SOBYTIE); };
    auto cause = [](const JournalRecord& x) { return x.EXT_ZAP >= 1 && x.EXT_ZAP <= 7; };
    std::size_t steps = 0;
    for (std::size_t k = 1; k < n; ++k) {
        if (++steps > limit) return std::nullopt;
        if (r[k - 1].SOBYTIE == 140 && stop(r[k]) && sameMomentRef(r[k - 1], r[k])) std::swap(r[k - 1], r[k]);
        if (stop(r[k - 1]) && neither(r[k]) && sameMomentRef(r[k - 1], r[k])) std::swap(r[k - 1], r[k]);
        if (stop(r[k - 1]) && k + 1 < n && neither(r[k + 1]) && sameMomentRef(r[k - 1], r[k + 1]))
            std::swap(r[k - 1], r[k + 1]);
        if (stop(r[k - 1]) && k + 2 < n && neither(r[k + 2]) && sameMomentRef(r[k - 1], r[k + 2]))
            std::swap(r[k - 1], r[k + 2]);
        if (k >= 2 && start(r[k - 1]) && neither(r[k - 2]) && !cause(r[k - 2]) &&
            sameMomentRef(r[k - 1], r[k - 2]))
            std::swap(r[k - 2], r[k - 1]), k -= 2;
        if (k >= 2 && r[k - 1].SOBYTIE == 76 && start(r[k - 2]) && r[k - 2].SOBYTIE != 76 &&
            sameMomentRef(r[k - 1], r[k - 2]))
            std::swap(r[k - 2], r[k - 1]), k -= 2;
        if (k >= 3 && start(r[k - 1]) && neither(r[k - 3]) && sameMomentRef(r[k - 1], r[k - 3]))
            std::swap(r[k - 3], r[k - 1]), k -= 3;
        if (k >= 4 && start(r[k - 1]) && neither(r[k - 4]) && sameMomentRef(r[k - 1], r[k - 4]))
            std::swap(r[k - 4], r[k - 1]), k -= 3;
        if (k >= 2 && cause(r[k - 1]) && start(r[k - 2]) && sameMomentRef(r[k - 1], r[k - 2]))
            std::swap(r[k - 2], r[k - 1]), k -= 2;
        if (k >= 3 && start(r[k - 1]) && stop(r[k - 2]) && stop(r[k - 3]) &&
            sameMomentRef(r[k - 1], r[k - 2]))
            std::swap(r[k - 2], r[k - 1]), k -= 2;
    }
    return r;
}

// Journals of many short moments with every kind of record: wherever the plain rules end, the
// bounded pass gives exactly their result.
TEST(OrderSameMoment, SameResultAsThePlainRulesWhereverTheyEnd) {
    std::mt19937 rng(314);
    const std::uint8_t pool[] = {0, 3, 140, 46, 48, 49, 76, 250, 255, 255, 255, 20};
    std::size_t compared = 0, looping = 0;
    for (int round = 0; round < 3000; ++round) {
        Journal j;
        unsigned minute = 0;
        const std::size_t groups = 1 + rng() % 12;
        const std::size_t maxGroup = round % 10 == 0 ? 24 : 7;
        for (std::size_t g = 0; g < groups; ++g, ++minute) {
            const std::size_t size = 1 + rng() % maxGroup;
            for (std::size_t i = 0; i < size; ++i) {
                auto r = rec(pool[rng() % std::size(pool)], minute % 60, rng() % 4 == 0 ? 0 : 9,
                             static_cast<std::uint8_t>(rng() % 3 == 0 ? 1 + rng() % 7 : 0));
                r.hour = static_cast<std::uint8_t>(minute / 60);
                r.NUM_UST = static_cast<std::uint16_t>(j.records.size());
                j.records.push_back(r);
            }
        }
        const auto expected = referenceOrder(j.records, 20000);
        if (!expected) {
            ++looping;
            continue;
        }
        ++compared;
        orderSameMoment(j);
        ASSERT_EQ(j.records, *expected) << "round " << round;
    }
    EXPECT_GT(compared, 1000u);
    EXPECT_GT(looping, 0u);
}

// A loop in one moment does not keep the start rules from later moments.
TEST(OrderSameMoment, LoopInOneMomentLeavesLaterMomentsOrdered) {
    auto j = of({rec(255, 1, 9, 2), rec(76, 1, 9), rec(49, 1, 9), // loops: cause, switch-on, start
                 rec(255, 2, 9), rec(49, 2, 9), rec(255, 3, 0)});
    orderSameMoment(j);
    EXPECT_EQ(codes(j), (std::vector<int>{255, 76, 49, 49, 255, 255}));
}

// Hundreds of events in one second: whatever the mix, the pass ends and keeps every record.
TEST(OrderSameMoment, EndsOnHostileInputsOfOneSecond) {
    std::mt19937 rng(42);
    const std::uint8_t pool[] = {0, 3, 14, 31, 140, 46, 48, 49, 76, 250, 255, 255, 20};
    for (int round = 0; round < 20; ++round) {
        Journal j;
        for (std::size_t i = 0; i < 600; ++i) {
            auto r = rec(pool[rng() % std::size(pool)], 7, (rng() % 3 == 0) ? 0 : 9,
                         static_cast<std::uint8_t>(rng() % 9));
            r.NUM_UST = static_cast<std::uint16_t>(i);
            j.records.push_back(r);
        }
        std::vector<int> tags;
        for (const auto& r : j.records)
            tags.push_back(r.NUM_UST);
        orderSameMoment(j);
        std::vector<int> after;
        for (const auto& r : j.records)
            after.push_back(r.NUM_UST);
        std::sort(tags.begin(), tags.end());
        std::sort(after.begin(), after.end());
        EXPECT_EQ(tags, after) << "round " << round;
    }
}

// A pattern that makes the start rules undo each other: a start between measurements of which one
// has a cause and one not. The pass must still end.
TEST(OrderSameMoment, EndsWhereRulesUndoEachOther) {
    Journal j;
    for (int i = 0; i < 300; ++i) {
        j.records.push_back(rec(255, 7, 9, 2));
        j.records.push_back(rec(49, 7, 9));
        j.records.push_back(rec(255, 7, 9, 0));
        j.records.push_back(rec(76, 7, 9));
    }
    orderSameMoment(j);
    EXPECT_EQ(j.count(), 1200u);
}

} // namespace
