#include "settings/settings_compare.h"

#include "settings/catalogue.h"
#include "settings/value_text.h"

namespace vorsan {

namespace {

std::string generationText(ControllerGeneration g) {
    return g == ControllerGeneration::Gen4 ? "поколения 4" : "поколения 3";
}

std::string shownText(const SettingDef& def, std::uint16_t raw, char separator) {
    if (auto text = valueText(def, raw, separator)) return *text;
    std::string text = "(";
    text += std::to_string(raw);
    text += ')';
    return text;
}

} // namespace

SettingsComparison compareSettings(const SettingsCatalogue& here, ControllerGeneration thereGeneration,
                                   const SettingsSet& thereValues, char separator,
                                   const std::string& whatThere) {
    SettingsComparison result;
    if (thereGeneration != here.generation || thereValues.size() != here.size()) {
        result.refusal = "Уставки не сравниваются: на странице уставки контроллера " +
                         generationText(here.generation) + " (" + std::to_string(here.size()) + "), " +
                         whatThere + " — " + generationText(thereGeneration) + " (" +
                         std::to_string(thereValues.size()) + ").";
        return result;
    }
    for (std::size_t i = 0; i < here.size(); ++i) {
        const SettingDef& def = here.entries[i];
        if (def.value == thereValues[i]) continue;
        result.differences.push_back({i, settingNumberText(i), def.longName, shownText(def, def.value, separator),
                                      shownText(def, thereValues[i], separator)});
    }
    return result;
}

SettingsComparison compareSettings(const SettingsCatalogue& here, const SettingsCatalogue& there, char separator,
                                   const std::string& whatThere) {
    SettingsSet values;
    values.reserve(there.size());
    for (const auto& e : there.entries)
        values.push_back(e.value);
    return compareSettings(here, there.generation, values, separator, whatThere);
}

} // namespace vorsan
