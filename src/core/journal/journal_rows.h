#pragma once
// Turning decoded records into the texts every journal view shows, and the classification the
// journal grid draws with.
#include "common/types.h"
#include "journal/journal_record.h"
#include "journal/journal_row.h"
#include "settings/setting_def.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vorsan {

// Rows of a journal, one per record, same index. `gen4Catalogue` is the window's generation 4
// catalogue (setting-change texts name its entries, with the window's transformer variant);
// `separator` is the user's decimal separator. As the views expect, a generation 4 measurement
// whose COS_ shows "---" (255) and a generation 3 measurement whose ZAGR shows "---" (255) get
// that field set to 0 in the journal, so graphs and exports read 0.
std::vector<JournalRow> buildJournalRows(Journal& journal, ControllerGeneration generation,
                                         const SettingsCatalogue& gen4Catalogue, char separator);

// The row of one record (the same rules; may set COS_ or ZAGR to 0 as above).
JournalRow buildJournalRow(JournalRecord& record, ControllerGeneration generation,
                           const SettingsCatalogue& gen4Catalogue, char separator);
// The same into an existing row, whose strings are reused: rebuilding the rows of a large
// journal then allocates nothing.
void fillJournalRow(JournalRecord& record, JournalRow& row, ControllerGeneration generation,
                    const SettingsCatalogue& gen4Catalogue, char separator);

// Text of an event code, "" for codes without one (measurements, unknown codes, and in
// generation 3 code 46). 250 is not handled here: see settingChangeText.
std::string eventCodeText(std::uint8_t code, ControllerGeneration generation);

// Cause of a generation 4 measurement (EXT_ZAP 1..7), "" for any other value.
std::string causeText(std::uint8_t cause);

// "Изменение уставки №: 34.Ном.ток двиг.Уст.,   12,50 А  ->  13,00 А", cut to 100 characters.
std::string settingChangeText(const JournalRecord& record, const SettingsCatalogue& gen4Catalogue,
                              char separator);

// Text of one raw value of a setting-change record: the time mask as hours and minutes, a list
// item by index, a number with its unit (divided by the scale with two decimals when the scale is
// not 1). A value beyond the choice list reads as the raw number with "(нет в списке)".
std::string settingChangeValueText(const SettingDef& def, std::uint16_t raw, char separator);

// ---- classification for the grid ---------------------------------------------------------

enum class EventClass { stop, start, none };

constexpr EventClass eventClassOf(std::uint8_t code) {
    return isStopEvent(code) ? EventClass::stop : isStartEvent(code) ? EventClass::start : EventClass::none;
}

struct JournalRowStyle {
    bool eventRow = false; // the event text spans columns 3 to the last
    EventClass eventClass = EventClass::none;
    std::uint32_t colour = kColourBlack; // colour of columns 3.. (event text or values)
};

// Event rows are green for start events and red for every other code; measurement rows black
// (their cause column is red, kCauseColumnColour).
JournalRowStyle journalRowStyle(const JournalRecord& record, const JournalRow& row);

inline constexpr std::uint32_t kNumberColumnColour = kColourBlue;
inline constexpr std::uint32_t kCauseColumnColour = kColourRed;

// The journal grid: 15 columns for generation 4, 11 for generation 3; headers of row 0.
inline constexpr int kJournalColumnsGen4 = 15;
inline constexpr int kJournalColumnsGen3 = 11;
inline constexpr int kFirstSpanColumn = 3;
inline constexpr const char* kJournalColumnHeaders[kJournalColumnsGen4] = {
    "",      "Дата",    "Время",  "Uab, B",  "Ubc, B", "Uca, B", "Ia, A", "Ib, A",
    "Ic, A", "Загр.,%", "R, кОм", "P, Атм.", "T, °С",  "cos",    ""};
inline constexpr int kJournalColumnWidths[kJournalColumnsGen4] = {35, 80, 65, 54, 54, 54, 54, 54,
                                                                  54, 54, 54, 54, 54, 54, 54};

constexpr int journalColumnCount(ControllerGeneration g) {
    return g == ControllerGeneration::Gen4 ? kJournalColumnsGen4 : kJournalColumnsGen3;
}

// Text of a measurement row in grid column c (3..14), "" elsewhere.
std::string measurementCellText(const JournalRow& row, int column);

} // namespace vorsan
