#pragma once
// The settings-file calls of the file commands, kept in a unit of their own: the settings-file
// header and the program-settings header (which the window's state includes) both define a
// constant kSettingsFileSize, so no unit may include both.
#include "journal/container.h"
#include "journal/current_state.h"
#include "journal/journal_file.h"
#include "settings/setting_def.h"

#include <filesystem>
#include <optional>
#include <string>

struct SettingsFileRead {
    vorsan::FileStatus status = vorsan::FileStatus::ok;
    vorsan::SettingsCatalogue catalogue;
    std::optional<vorsan::CurrentState> state; // generation 4 files only
    std::string error;
};

SettingsFileRead readSettingsFileAt(const std::filesystem::path& path, vorsan::ControllerGeneration current,
                                    const vorsan::UnknownMagicQuestion& ask);

enum class SettingsFileWrite { written, noValues, unwritable };
SettingsFileWrite writeSettingsFileAt(const std::filesystem::path& path,
                                      const vorsan::SettingsCatalogue& catalogue,
                                      const vorsan::CurrentState& state, std::string& error);

bool anySettingValue(const vorsan::SettingsCatalogue& catalogue);
std::string proposedSettingsName(const vorsan::SettingsCatalogue& catalogue);
const char* noSettingsValuesMessage();
