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
    return x.year == y.year && x.month == y.month && x.day == y.day && x.hour == y.hour &&
           x.minute == y.minute && (y.second == 0 || y.second == x.second);
}

bool hasCause(const JournalRecord& r) {
    return r.EXT_ZAP >= 1 && r.EXT_ZAP <= 7;
}
bool isStop(const JournalRecord& r) {
    return isStopEvent(r.SOBYTIE);
}
bool isStart(const JournalRecord& r) {
    return isStartEvent(r.SOBYTIE);
}
bool isNeither(const JournalRecord& r) {
    return isUnclassedEvent(r.SOBYTIE);
}

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
    for (std::size_t i = 0; i < n; ++i)
        items[i] = {timeKey(recs[i]), i};
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
    for (const Item& it : items)
        sorted.push_back(recs[it.index]);
    recs = std::move(sorted);
}

namespace {

// The same-moment pass over an order of positions (records stay where they are; the pass moves
// their indices). The start rules move the position k back, and some moments make them undo each
// other for ever: with a measurement with a cause, a switch-on and a start of one second, the
// start is put before the measurement and then the switch-on and the measurement are put back
// before it. The pass therefore remembers, at each new furthest position (the frontier), the order
// just before its first backward move. When the state (order and k) repeats, the rules loop; when
// the backward moves from one frontier exceed twice the size of its minute plus a few, they are
// needlessly long. In both cases the pass returns to the remembered order and goes on forward from
// the frontier, and that minute makes no backward moves again. Inputs without loops get every rule
// as it stands; every input ends, in time linear in the journal.
//
// The state is compared through a hash of the (position, index) pairs kept up to date on every
// exchange, and the remembered order is restored by undoing the exchanges made since; both cost
// O(1) per exchange.
class SameMomentPass {
public:
    explicit SameMomentPass(const std::vector<JournalRecord>& records)
        : recs_(records), order_(records.size()) {
        findMinuteGroups();
        for (std::size_t i = 0; i < order_.size(); ++i) {
            order_[i] = static_cast<std::uint32_t>(i);
            hash_ += mix(i, order_[i]);
        }
    }

    std::vector<std::uint32_t> run() {
        const std::size_t n = order_.size();
        for (std::size_t k = 1; k < n; ++k) {
            if (k > frontier_) enterFrontier(k);
            if (remembering_ && loopFound(k)) {
                abandonFrontier(k);
                continue;
            }
            forwardRules(k);
            backRules(k);
        }
        return std::move(order_);
    }

private:
    const JournalRecord& at(std::size_t pos) const { return recs_[order_[pos]]; }

    static std::uint64_t mix(std::uint64_t pos, std::uint64_t index) {
        std::uint64_t x = (pos << 32) ^ index ^ 0x9E3779B97F4A7C15ULL;
        x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ULL;
        x = (x ^ (x >> 27)) * 0x94D049BB133111EBULL;
        return x ^ (x >> 31);
    }

    void exchange(std::size_t a, std::size_t b) {
        hash_ -= mix(a, order_[a]) + mix(b, order_[b]);
        std::swap(order_[a], order_[b]);
        hash_ += mix(a, order_[a]) + mix(b, order_[b]);
        if (remembering_) undo_.push_back({a, b});
    }

    // Runs of records of one minute: exchanges never leave such a run, so each position keeps its
    // run for the whole pass.
    void findMinuteGroups() {
        const auto& r = recs_;
        groupOf_.resize(r.size());
        for (std::size_t first = 0; first < r.size();) {
            std::size_t last = first + 1;
            while (last < r.size() && r[last].year == r[first].year && r[last].month == r[first].month &&
                   r[last].day == r[first].day && r[last].hour == r[first].hour &&
                   r[last].minute == r[first].minute)
                ++last;
            for (std::size_t i = first; i < last; ++i)
                groupOf_[i] = groupSize_.size();
            groupSize_.push_back(last - first);
            first = last;
        }
        frozen_.assign(groupSize_.size(), false);
    }

    void enterFrontier(std::size_t k) {
        frontier_ = k;
        remembering_ = false;
        undo_.clear();
        movesHere_ = 0;
        movesAllowed_ = 2 * groupSize_[groupOf_[k - 1]] + 8;
        haveCheckpoint_ = false;
        checkpointSteps_ = 0;
        checkpointPeriod_ = 1;
    }

    // Brent's method on the state (order, k) at the start of each step since the first backward
    // move of this frontier: the state is compared with a checkpoint moved to the current state
    // after 1, 2, 4, ... steps, so a loop is seen within about twice its start plus its length.
    bool loopFound(std::size_t k) {
        const std::pair<std::uint64_t, std::size_t> state{hash_, k};
        if (haveCheckpoint_ && state == checkpoint_) return true;
        if (++checkpointSteps_ >= checkpointPeriod_) {
            checkpoint_ = state;
            haveCheckpoint_ = true;
            checkpointSteps_ = 0;
            checkpointPeriod_ *= 2;
        }
        return false;
    }

    // Leaves this frontier with the order it had before its first backward move, and goes on
    // forward from there; the minute of the frontier makes no backward moves again, so a later
    // frontier whose moves come back over it does not start the same loop.
    void abandonFrontier(std::size_t& k) {
        returnToRemembered();
        k = frontier_;
        frozen_[groupOf_[frontier_ - 1]] = true;
    }

    // No backward move while R lies in a minute where the start rules were found to loop.
    bool mayMoveBack(std::size_t k) const { return !frozen_[groupOf_[k - 1]]; }

    // The stop rules, R being the record at k - 1 and the record compared with R the one whose
    // second may be 0: at a stop the measurement of that moment goes before the stop event and a
    // voltage switch-off after it.
    void forwardRules(std::size_t k) {
        const std::size_t n = order_.size();
        // A switch-off followed by a stop of its moment: the stop first.
        if (at(k - 1).SOBYTIE == kCodeVoltageOff && isStop(at(k)) && sameMoment(at(k - 1), at(k)))
            exchange(k - 1, k);
        // A stop followed by a record of neither class, directly, one or two places on: that
        // record before the stop.
        if (isStop(at(k - 1)) && isNeither(at(k)) && sameMoment(at(k - 1), at(k))) exchange(k - 1, k);
        if (isStop(at(k - 1)) && k + 1 < n && isNeither(at(k + 1)) && sameMoment(at(k - 1), at(k + 1)))
            exchange(k - 1, k + 1);
        if (isStop(at(k - 1)) && k + 2 < n && isNeither(at(k + 2)) && sameMoment(at(k - 1), at(k + 2)))
            exchange(k - 1, k + 2);
    }

    // The start rules, R being the record at k - 1 and the record compared with R the earlier-placed
    // one: at a start the switch-on and a measurement with a cause come first, the start event
    // next, the other measurements of that moment after it. Each rule works on what the previous
    // ones left and checks k before it looks at a record, since a previous rule may have moved k
    // back to 0.
    void backRules(std::size_t& k) {
        // A start after a record of neither class without a cause: the start one place back.
        if (k >= 2 && mayMoveBack(k) && isStart(at(k - 1)) && isNeither(at(k - 2)) && !hasCause(at(k - 2)) &&
            sameMoment(at(k - 1), at(k - 2)) && !moveBack(k, k - 2, 2))
            return;
        // A switch-on after another start: the switch-on one place back.
        if (k >= 2 && mayMoveBack(k) && at(k - 1).SOBYTIE == kCodeVoltageOn && isStart(at(k - 2)) &&
            at(k - 2).SOBYTIE != kCodeVoltageOn && sameMoment(at(k - 1), at(k - 2)) && !moveBack(k, k - 2, 2))
            return;
        // A start two or three places after a record of neither class: exchanged with it.
        if (k >= 3 && mayMoveBack(k) && isStart(at(k - 1)) && isNeither(at(k - 3)) &&
            sameMoment(at(k - 1), at(k - 3)) && !moveBack(k, k - 3, 3))
            return;
        if (k >= 4 && mayMoveBack(k) && isStart(at(k - 1)) && isNeither(at(k - 4)) &&
            sameMoment(at(k - 1), at(k - 4)) && !moveBack(k, k - 4, 3))
            return;
        // A measurement with a cause after a start: the measurement one place back.
        if (k >= 2 && mayMoveBack(k) && hasCause(at(k - 1)) && isStart(at(k - 2)) &&
            sameMoment(at(k - 1), at(k - 2)) && !moveBack(k, k - 2, 2))
            return;
        // A start after two stops: the start one place back.
        if (k >= 3 && mayMoveBack(k) && isStart(at(k - 1)) && isStop(at(k - 2)) && isStop(at(k - 3)) &&
            sameMoment(at(k - 1), at(k - 2)))
            moveBack(k, k - 2, 2);
    }

    // Exchanges positions `other` and k - 1 and moves k back by `steps`. When the frontier's
    // allowance is spent, returns to the order remembered there instead and returns false.
    bool moveBack(std::size_t& k, std::size_t other, std::size_t steps) {
        remembering_ = true;
        if (movesHere_ == movesAllowed_) {
            abandonFrontier(k);
            return false;
        }
        exchange(other, k - 1);
        k -= steps;
        ++movesHere_;
        return true;
    }

    void returnToRemembered() {
        remembering_ = false;
        for (auto it = undo_.rbegin(); it != undo_.rend(); ++it)
            exchange(it->first, it->second);
        undo_.clear();
    }

    const std::vector<JournalRecord>& recs_;
    std::vector<std::uint32_t> order_;
    std::vector<std::size_t> groupSize_; // per minute group
    std::vector<std::pair<std::size_t, std::size_t>> undo_;
    std::uint64_t hash_ = 0;
    std::pair<std::uint64_t, std::size_t> checkpoint_{0, 0};
    bool haveCheckpoint_ = false;
    std::size_t checkpointSteps_ = 0;
    std::size_t checkpointPeriod_ = 1;
    std::size_t frontier_ = 0;
    std::vector<std::size_t> groupOf_; // minute group of each position
    std::vector<bool> frozen_;         // per minute group
    bool remembering_ = false;
    std::size_t movesHere_ = 0;
    std::size_t movesAllowed_ = 0;
};

} // namespace

std::vector<std::uint32_t> sameMomentOrder(const std::vector<JournalRecord>& records) {
    if (records.size() < 2) return std::vector<std::uint32_t>(records.size(), 0);
    return SameMomentPass(records).run();
}

void orderSameMoment(Journal& journal) {
    if (journal.records.size() < 2) return;
    const std::vector<std::uint32_t> order = sameMomentOrder(journal.records);
    std::vector<JournalRecord> out;
    out.reserve(order.size());
    for (const auto i : order)
        out.push_back(journal.records[i]);
    journal.records = std::move(out);
}

} // namespace vorsan
