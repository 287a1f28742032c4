#include "settings_file_io.h"

#include "settings/settings_file.h"

SettingsFileRead readSettingsFileAt(const std::filesystem::path& path, vorsan::ControllerGeneration current,
                                    const vorsan::UnknownMagicQuestion& ask) {
    auto load = vorsan::loadSettingsFile(path, current, ask);
    return {load.status, std::move(load.file.catalogue), load.file.state, std::move(load.error)};
}

SettingsFileWrite writeSettingsFileAt(const std::filesystem::path& path,
                                      const vorsan::SettingsCatalogue& catalogue,
                                      const vorsan::CurrentState& state, std::string& error) {
    const auto saved = vorsan::saveSettingsFile(path, catalogue, state);
    error = saved.error;
    switch (saved.status) {
    case vorsan::SettingsSaveStatus::ok:
        return SettingsFileWrite::written;
    case vorsan::SettingsSaveStatus::noValues:
        return SettingsFileWrite::noValues;
    case vorsan::SettingsSaveStatus::unwritable:
        break;
    }
    return SettingsFileWrite::unwritable;
}

bool anySettingValue(const vorsan::SettingsCatalogue& catalogue) {
    return vorsan::hasAnySettingValue(catalogue);
}

std::string proposedSettingsName(const vorsan::SettingsCatalogue& catalogue) {
    return vorsan::proposedSettingsFileName(catalogue);
}

const char* noSettingsValuesMessage() {
    return vorsan::kNoSettingsValuesMessage;
}
