#pragma once
// The two ordering steps that end every decoding, always called in this order.
#include "journal/journal_record.h"

#include <cstdint>
#include <vector>

namespace vorsan {

// Orders by (year, month, day, hour, minute, second) ascending with the controller program's own
// exchange method, whose placement of equal keys is what orderSameMoment starts from.
void sortJournal(Journal& journal);

// One pass over a sorted journal that puts the events of one moment in the order a reader expects:
// at a stop the measurement before the stop event and a voltage switch-off after it; at a start
// the switch-on and a measurement with a cause first, the start event next.
// Some moments make the start rules undo each other (a measurement with a cause, a switch-on and a
// start of one second); the pass notices the loop, or a number of backward moves beyond twice the
// records of that minute, and goes on with the order it had before the loop. It ends on every
// input, in time linear in the journal for ordinary ones.
void orderSameMoment(Journal& journal);

// The same pass as positions: element i is the index in `records` of the record that goes i-th.
std::vector<std::uint32_t> sameMomentOrder(const std::vector<JournalRecord>& records);

} // namespace vorsan
