#pragma once
// The pie diagrams of a journal stretch: total run time against total idle time, and the number
// of stops of each cause.
#include "journal/journal_record.h"
#include "journal/journal_row.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vorsan {

struct PieSlice {
    double value = 0;
    std::string label;
    std::uint32_t colour = 0; // blue-green-red order
    bool operator==(const PieSlice&) const = default;
};

// First and last record position of the diagram, both included (0-based positions).
struct Stretch {
    std::size_t first = 0;
    std::size_t last = 0;
    bool operator==(const Stretch&) const = default;
};

// The grid selection chooses the stretch when it covers more than one record (top < bottom, as
// record positions); otherwise the whole journal is taken. A selection reaching past the journal
// is cut to it. Nothing for an empty journal.
std::optional<Stretch> diagramStretch(std::size_t count, std::size_t selectionTop, std::size_t selectionBottom);
bool selectionIsStretch(std::size_t selectionTop, std::size_t selectionBottom);

struct WorkIdleTimes {
    double work = 0; // days
    double idle = 0; // days
};

// Running and idle time over the stretch. Each start event closes an idle span and each stop
// event a running span, both measured from the last event of either class (the stretch's first
// record before any); the last record closes whatever the last event opened. Records whose date
// or time is not real are passed over. Without any such span the whole stretch counts as work.
WorkIdleTimes workIdleTimes(std::span<const JournalRecord> records, Stretch stretch);

// "РАБОТА: 1 234 сут.5 ч.7 мин.": whole days (with digit grouping), hours and minutes of a
// duration in days; one second is added before cutting so that 2 h stored as 0.0833… does not
// read 1 h 59 min. Days, hours and minutes all come from that one count of whole seconds, so a
// sum of spans a hair below 3 days reads "3 сут.0 ч.0 мин.", never "2 сут.24 ч.0 мин.".
std::string durationLabel(std::string_view prefix, double days, std::string_view groupSeparator = "\u00A0");

inline constexpr std::uint32_t kWorkColour = 0xFF0000;
inline constexpr std::uint32_t kIdleSliceColour = 0x009900;

// The two slices: work (blue) and idle (green).
std::vector<PieSlice> workIdleDiagram(std::span<const JournalRecord> records, Stretch stretch,
                                      std::string_view groupSeparator = "\u00A0");

// One slice per counted stop cause that occurs in the stretch, in the order of the cause table,
// labelled with the count and the cause ("3 высокое напряжение", "2: перегрузка"). Codes 12, 13,
// 14, 16 and all other codes are not counted.
std::vector<PieSlice> stopCauseDiagram(std::span<const JournalRecord> records, Stretch stretch);

// The counted stop codes with their label suffix and colour, in slice order.
struct StopCause {
    std::uint8_t code;
    const char* suffix;
    std::uint32_t colour;
};
std::span<const StopCause> stopCauses();

// The whole percents the pie shows beside its slices, adding up to 100: each slice's share is cut
// to a whole percent and the percents still missing go one each to the slices that lost the most
// (the earlier slice first when they lost the same). Rounding each share alone can show 96 % in
// all: nine slices of 10.4 % and one of 6.4 %. Slices of no or negative value get 0 %; all are 0
// when no slice has a value.
std::vector<int> slicePercents(std::span<const PieSlice> slices);

// "за период с 05.03.2024 14:07:09 по 06.03.2024 08:00:00" from the rows of the stretch's ends.
std::string periodLine(const JournalRow& first, const JournalRow& last);

inline constexpr const char* kWorkIdleChoice = "Время работы/простоя";
inline constexpr const char* kStopCauseChoice = "Причины отключений";
inline constexpr const char* kStopCausePrintTitle = "Причины Отключений";

} // namespace vorsan
