#pragma once
// The one text of a setting value (grid, database view, printouts, journal setting-change texts),
// and the reading of what a user typed into a setting's editor.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "settings/setting_def.h"

namespace vorsan {

// Shown by the caller when valueText reports a choice value beyond its list (caption "Error").
inline constexpr const char* kChoiceOutOfRangeMessage = "Ошибка, уставка выходит за допустимые значения";

// Text of raw value `raw` of an entry, first rule that applies:
//   1. 0xFFFF: "";
//   2. time mask: "%.1dч %.2dмин" of raw / 60, raw % 60 (90 -> "1ч 30мин");
//   3. mask, scale 1: raw, one blank, unit ("380 В"; the blank stays when the unit is empty);
//   4. mask, other scale: raw / scale with two decimals and `separator`, one blank, unit
//      (125 / 10 -> "12,50 А");
//   5. choice: the choice text at index raw.
// std::nullopt when a choice value is not less than the number of choices: the caller shows
// kChoiceOutOfRangeMessage and keeps the text it had.
std::optional<std::string> valueText(const SettingDef& def, std::uint16_t raw, char separator);

// The same for the entry's own value.
std::optional<std::string> valueText(const SettingDef& def, char separator);

// Outcome of committing typed text into a mask entry.
struct SettingInput {
    bool ok = false;
    std::uint16_t raw = 0; // the new raw value when ok
    std::string message;   // when not ok: the text for a box with the caption "Ошибка"
};

// The refusal text of an entry: "Введено неправильное значение", CR, "Должно быть не менее ",
// minRaw / scale, unit, " и не более ", maxRaw / scale, unit; limits in the shortest general form
// with `separator` ("0,1А" and "100А" for the generation 4 motor current).
std::string inputRefusalMessage(const SettingDef& def, char separator);

// Reads the text of a mask entry's editor (unfilled positions as blanks): every blank removed,
// the first "." made ","; the time mask is hours before "ч" and minutes after it without the last
// three characters ("мин"), an empty part counting 0; any other mask is a decimal number with a
// comma, raw = the integer part, truncated toward zero, of number × scale, taken from the typed
// decimal digits exactly (0.857 -> 85, 0.53 -> 53 for scale 100). Text that is not a number, a
// time text without "ч" and "мин", or a raw value outside minRaw ... maxRaw is refused with
// inputRefusalMessage(def, separator).
SettingInput parseSettingInput(const SettingDef& def, std::string_view text, char separator);

// Commit of a choice editor: the selected 0-based index if it lies within minRaw ... maxRaw;
// std::nullopt (nothing changes, no message) for no selection (-1) or an index outside.
std::optional<std::uint16_t> choiceCommit(const SettingDef& def, int selectedIndex);

} // namespace vorsan
