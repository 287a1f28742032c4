#pragma once
// One setting of a controller and the ordered list of them (the catalogue) with their raw values.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/types.h"

namespace vorsan {

// How a setting is edited: typed text that must fit an edit mask, or a pick from a list.
enum class EditorKind { mask, choice };

// The edit mask of durations: hours, the letter "ч", minutes, the letters "мин". A setting with
// this mask holds minutes.
inline constexpr const char* kTimeMask = "99\\ч99\\мин";

// One setting: texts, unit, scale, limits, editor and place in the settings memory.
struct SettingDef {
    std::string unit;                 // unit shown behind a number ("В", "%", "сек"); empty for choices
    std::int32_t scale = 1;           // 1, 10 or 100: shown number = raw / scale
    std::uint16_t offset = 0;         // byte offset of the word in the settings memory (always even)
    std::string longName;             // name in the grid, printouts and the database view
    std::uint16_t value = kUnknown16; // raw value; 0xFFFF = no value
    // The value was read from a controller or loaded from a settings or journal file, whatever it
    // is: 0xFFFF is a legitimate value of some settings (motor and pump "none"), so a write decides
    // on this flag, never on the value, whether the setting may be sent.
    bool loaded = false;
    EditorKind editorKind = EditorKind::mask;
    double minRaw = 0;                // lowest accepted raw value (not divided by scale)
    double maxRaw = 0;                // highest accepted raw value
    std::vector<std::string> choices; // mask: exactly one item, the edit mask; choice: the texts
    std::string shortName;            // abbreviation for journal setting-change texts (generation 4 only)

    // The edit mask of a mask entry ("" for a choice entry).
    const std::string& mask() const;
    // True for a mask entry whose mask is the time mask (the value is minutes).
    bool isTime() const;
};

// The raw values of a catalogue, in catalogue order.
using SettingsSet = std::vector<std::uint16_t>;

// The ordered settings of one generation: 77 entries (generation 4) or 82 (generation 3).
// Entry i (0-based) has the setting number i + 21.
struct SettingsCatalogue {
    ControllerGeneration generation = ControllerGeneration::Gen4;
    std::vector<SettingDef> entries;

    std::size_t size() const { return entries.size(); }
    // Entry by 0-based index; nullptr when out of range.
    const SettingDef* at(std::size_t index) const;
    SettingDef* at(std::size_t index);
    // Entry by setting number n (index n - 21); nullptr when the catalogue has no such number.
    const SettingDef* byNumber(int number) const;
    SettingDef* byNumber(int number);
};

} // namespace vorsan
