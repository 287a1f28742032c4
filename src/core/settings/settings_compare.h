#pragma once
// Comparing the settings shown with another set of the same generation (a settings file, a well's
// snapshot in the database): which settings differ, with the value texts as the settings page
// shows them.
#include "common/types.h"
#include "settings/setting_def.h"

#include <cstddef>
#include <string>
#include <vector>

namespace vorsan {

struct SettingDifference {
    std::size_t index = 0;  // 0-based entry (the settings page's row index)
    std::string number;     // "21", "A0"
    std::string name;       // the entry's long name
    std::string here;       // value text of the settings shown ("" for 0xFFFF)
    std::string there;      // value text of the other set
};

struct SettingsComparison {
    // Empty when compared; otherwise why not (different generations), for a box with the caption
    // "Внимание".
    std::string refusal;
    std::vector<SettingDifference> differences;
    bool compared() const { return refusal.empty(); }
};

// Compares `here` (its entries' values) with `thereValues` of generation `thereGeneration`, entry
// by entry in catalogue order. Raw values are compared; the texts come from valueText with
// `separator` and the names, units and choices of `here` (a choice beyond its list shows as its
// raw number in brackets). A set of another generation, or of another length, is refused.
// `whatThere` names the other set in the refusal ("в файле", "в базе данных").
SettingsComparison compareSettings(const SettingsCatalogue& here, ControllerGeneration thereGeneration,
                                   const SettingsSet& thereValues, char separator,
                                   const std::string& whatThere);

// The same with another catalogue's values (a settings file, a snapshot read as a catalogue).
SettingsComparison compareSettings(const SettingsCatalogue& here, const SettingsCatalogue& there, char separator,
                                   const std::string& whatThere);

} // namespace vorsan
