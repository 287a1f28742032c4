#pragma once
// Writing a journal back into a controller image (after rows are deleted the image is encoded
// without them and decoded again).
#include "common/types.h"
#include "journal/journal_decode.h"
#include "journal/journal_record.h"

#include <cstddef>
#include <cstdint>

namespace vorsan {

// Records to leave out: 1-based positions first..last inclusive; empty when first is 0 or
// first > last.
struct RecordRange {
    std::size_t first = 0;
    std::size_t last = 0;
    bool contains(std::size_t position) const { return first != 0 && position >= first && position <= last; }
};

struct EncodedJournal {
    JournalImage image{};
    // Records that found no free slot in their area (a journal holding more events, setting
    // changes or measurements than the image has slots for); they are not written.
    std::size_t dropped = 0;
};

// Encodes every record outside `skip`, in journal order. `current` is the image the journal came
// from: generation 3 takes its current factor from it (first unused measurement slot).
EncodedJournal encodeJournal(const Journal& journal, ControllerGeneration generation,
                             const JournalImage& current, RecordRange skip, std::uint16_t wellNumber,
                             std::uint16_t padNumber);

struct JournalAfterDeletion {
    JournalImage image{};    // the re-encoded image, which becomes the current one
    DecodedJournal decoded;  // that image decoded again
    std::size_t dropped = 0; // see EncodedJournal
};

// Deleting rows ("Удалить строку"): the journal is encoded without positions `skip` (1-based,
// as the grid's selected rows) into a new image, which is decoded again, so image and journal stay
// consistent. When `journal` is the decoding of `current` with the zeros its rows put in place of
// a missing power factor or load, the image's own records are written, so those stay missing.
JournalAfterDeletion deleteJournalRecords(const Journal& journal, ControllerGeneration generation,
                                          const JournalImage& current, RecordRange skip,
                                          std::uint16_t wellNumber, std::uint16_t padNumber);

} // namespace vorsan
