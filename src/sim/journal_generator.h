#pragma once
// Realistic event journals for the simulated controllers.
#include "common/types.h"

#include <cstdint>

namespace vorsan::sim {

// A journal image of the given generation made from a seed: measurements drifting around a
// nominal voltage and current, stops of several causes with their measurements, starts, setting
// changes (generation 4), and several events in one second. Pad and well go into the generation 3
// image (bytes 1020..1023); a generation 4 image does not carry them.
JournalImage generateJournal(ControllerGeneration generation, std::uint32_t seed, std::uint16_t pad,
                             std::uint16_t well);

} // namespace vorsan::sim
