#include "journal/journal_order.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace vorsan {
namespace {

// Year, month, day, hour, minute, second packed so that comparing the numbers compares the six
// fields lexicographically (each field keeps its own bits, the year the highest ones).
std::uint64_t timeKey(const JournalRecord& r) {
    return (std::uint64_t{r.year} << 40) | (std::uint64_t{r.month} << 32) | (std::uint64_t{r.day} << 24) |
           (std::uint64_t{r.hour} << 16) | (std::uint64_t{r.minute} << 8) | std::uint64_t{r.second};
}

// Y is of the same moment as the reference X: same minute, and Y's second is X's or 0 (a
// measurement written at the start of the minute of an event).
bool sameMoment(const JournalRecord& x, const JournalRecord& y) {
    return x.year == y.year && x.month == y.month && x.day == y.day && x.hour == y.hour && x.minute == y.minute &&
           (y.second == 0 || y.second == x.second);
}

bool hasCause(const JournalRecord& r) { return r.EXT_ZAP >= 1 && r.EXT_ZAP <= 7; }
bool isStop(const JournalRecord& r) { return isStopEvent(r.SOBYTIE); }
bool isStart(const JournalRecord& r) { return isStartEvent(r.SOBYTIE); }
bool isNeither(const JournalRecord& r) { return isUnclassedEvent(r.SOBYTIE); }

} // namespace

void sortJournal(Journal& journal) {
    // The exchange method runs on (key, index) pairs instead of whole records: the same
    // comparisons and exchanges, so the same permutation, with 16 bytes moved instead of a record.
    auto& recs = journal.records;
    const std::size_t n = recs.size();
    if (n < 2) return;
    struct Item {
        std::uint64_t key;
        std::size_t index;
    };
    std::vector<Item> items(n);
    for (std::size_t i = 0; i < n; ++i) items[i] = {timeKey(recs[i]), i};
    for (std::size_t i = 0; i < n; ++i) {
        Item held = items[n - 1];
        for (std::size_t j = n; j-- > i;) {
            if (items[j].key < held.key) std::swap(items[j], held);
        }
        items[n - 1] = items[i];
        items[i] = held;
    }
    std::vector<JournalRecord> sorted;
    sorted.reserve(n);
    for (const Item& it : items) sorted.push_back(recs[it.index]);
    recs = std::move(sorted);
}

void orderSameMoment(Journal& journal) {
    auto& r = journal.records;
    const std::size_t n = r.size();
    // Rules 5 to 10 move the position back; some inputs would make them undo each other for ever,
    // so they get a budget of backward moves and, once it is spent, the pass only goes forward.
    std::size_t budget = kMaxSameMomentBackSteps;
    auto back = [&](std::size_t& k, std::size_t a, std::size_t b, std::size_t steps) {
        std::swap(r[a], r[b]);
        k -= steps;
        --budget;
    };
    for (std::size_t k = 1; k < n; ++k) {
        // Rules 1-4: at a stop the measurement of that moment goes before the stop event and a
        // voltage switch-off after it.
        if (r[k - 1].SOBYTIE == kCodeVoltageOff && isStop(r[k]) && sameMoment(r[k - 1], r[k]))
            std::swap(r[k - 1], r[k]);
        if (isStop(r[k - 1]) && isNeither(r[k]) && sameMoment(r[k - 1], r[k])) std::swap(r[k - 1], r[k]);
        if (isStop(r[k - 1]) && k + 1 < n && isNeither(r[k + 1]) && sameMoment(r[k - 1], r[k + 1]))
            std::swap(r[k - 1], r[k + 1]);
        if (isStop(r[k - 1]) && k + 2 < n && isNeither(r[k + 2]) && sameMoment(r[k - 1], r[k + 2]))
            std::swap(r[k - 1], r[k + 2]);
        // Rules 5-10: at a start the switch-on and a measurement with a cause come first, the start
        // event next, the other measurements of that moment after it. Each rule checks k before
        // it looks at a record, since an earlier rule may have moved k back to 0.
        if (budget > 0 && k >= 2 && isStart(r[k - 1]) && isNeither(r[k - 2]) && !hasCause(r[k - 2]) &&
            sameMoment(r[k - 1], r[k - 2]))
            back(k, k - 2, k - 1, 2);
        if (budget > 0 && k >= 2 && r[k - 1].SOBYTIE == kCodeVoltageOn && isStart(r[k - 2]) &&
            r[k - 2].SOBYTIE != kCodeVoltageOn && sameMoment(r[k - 1], r[k - 2]))
            back(k, k - 2, k - 1, 2);
        if (budget > 0 && k >= 3 && isStart(r[k - 1]) && isNeither(r[k - 3]) && sameMoment(r[k - 1], r[k - 3]))
            back(k, k - 3, k - 1, 3);
        if (budget > 0 && k >= 4 && isStart(r[k - 1]) && isNeither(r[k - 4]) && sameMoment(r[k - 1], r[k - 4]))
            back(k, k - 4, k - 1, 3);
        if (budget > 0 && k >= 2 && hasCause(r[k - 1]) && isStart(r[k - 2]) && sameMoment(r[k - 1], r[k - 2]))
            back(k, k - 2, k - 1, 2);
        if (budget > 0 && k >= 3 && isStart(r[k - 1]) && isStop(r[k - 2]) && isStop(r[k - 3]) && sameMoment(r[k - 1], r[k - 2]))
            back(k, k - 2, k - 1, 2);
    }
}

} // namespace vorsan
