#pragma once
// What the drawings of a well's figures need beyond the figures: the stops of every month split by
// cause (for the stacked bars), and a long resistance curve thinned to what a page or a screen can
// show.
#include "analytics/well_stats.h"

#include <cstddef>
#include <cstdint>
#include <map>
#include <span>
#include <vector>

namespace vorsan::analytics {

// The stop events of every month of `months` (as computeWellStats gave them for the same records
// and period), by code; one map per month, in the same order.
std::vector<std::map<std::uint8_t, std::size_t>> monthStopsByCause(std::span<const JournalRecord> records,
                                                                  const std::vector<MonthFigures>& months,
                                                                  const Period& period = {});

// At most about 2 × `columns` of `points` (in time order) that draw the same curve at that width:
// the time span is cut into `columns` equal parts and each part keeps its lowest and its highest
// point, in time order. Fewer points than that come back unchanged.
std::vector<ResistancePoint> thinnedPoints(const std::vector<ResistancePoint>& points, std::size_t columns);

} // namespace vorsan::analytics
