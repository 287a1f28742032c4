#pragma once
// Decoding a controller's journal memory into records in time order.
#include "common/types.h"
#include "journal/journal_record.h"

#include <cstdint>
#include <span>

namespace vorsan {

struct DecodedJournal {
    Journal journal;
    // Generation 3 images carry the station's well and pad at bytes 1020..1023; generation 4
    // images do not (they come from the settings), so both stay unknown there.
    std::uint16_t wellNumber = kUnknown16;
    std::uint16_t padNumber = kUnknown16;
};

// Decodes every valid slot of the image, then sorts (sortJournal) and reorders events of the same
// moment (orderSameMoment). Never fails: empty, corrupt or implausible slots are skipped. The
// image may be shorter than 32768 bytes (a short journal block of a file): slots that do not lie
// wholly inside it are not there; bytes beyond 32768 are ignored.
DecodedJournal decodeJournal(std::span<const std::uint8_t> image, ControllerGeneration generation);

} // namespace vorsan
