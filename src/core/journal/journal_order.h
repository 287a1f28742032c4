#pragma once
// The two ordering steps that end every decoding, always called in this order.
#include "journal/journal_record.h"

#include <cstddef>

namespace vorsan {

// Orders by (year, month, day, hour, minute, second) ascending with the controller program's own
// exchange method, whose placement of equal keys is what orderSameMoment starts from.
void sortJournal(Journal& journal);

// One pass over a sorted journal that puts the events of one moment in the order a reader expects:
// at a stop the measurement before the stop event and a voltage switch-off after it; at a start
// the switch-on and a measurement with a cause first, the start event next.
void orderSameMoment(Journal& journal);

// Upper bound of the backward moves orderSameMoment makes in one pass; beyond it the pass goes
// forward only, so it ends on every input. A journal of one image never needs as many: each
// backward move carries a start event one place back over a record of its own moment.
inline constexpr std::size_t kMaxSameMomentBackSteps = kMaxJournalRecords * kMaxJournalRecords;

} // namespace vorsan
