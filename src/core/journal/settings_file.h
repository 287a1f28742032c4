#pragma once
// Settings files "*.us4" (generation 4) and "*.ust" (generation 3): the journal-file container
// with an empty journal block, 538 bytes. The generation comes from the magic, not the extension.
#include "common/types.h"
#include "journal/container.h"
#include "journal/current_state.h"
#include "journal/journal_file.h"
#include "settings/setting_def.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace vorsan {

inline constexpr std::size_t kSettingsFileSize = 538;
// Shown (caption "Ошибка") instead of saving a catalogue without any value.
inline constexpr const char* kNoSettingsValuesMessage = "Уставки не содержат ни одного значения";

struct SettingsFile {
    ControllerGeneration generation = ControllerGeneration::Gen4;
    // The catalogue of the generation with the file's values and the transformer variant applied.
    SettingsCatalogue catalogue;
    // Generation 4 files give the window its current state; generation 3 ones do not (the page is
    // emptied), although they carry one.
    std::optional<CurrentState> state;
};

using SettingsFileLoad = FileLoad<SettingsFile>;

// Takes the settings of a settings file or of a journal file (the parameter block after its
// journal block). A file of unknown magic, answered Yes, is read with `current`.
SettingsFileLoad loadSettingsFile(std::span<const std::uint8_t> bytes, ControllerGeneration current,
                                  const UnknownMagicQuestion& ask);
SettingsFileLoad loadSettingsFile(const std::filesystem::path& path, ControllerGeneration current,
                                  const UnknownMagicQuestion& ask);

// True when at least one entry has a value other than 0xFFFF (otherwise nothing may be saved).
bool hasAnySettingValue(const SettingsCatalogue& catalogue);

// The file contents for the catalogue's generation: empty journal block, the settings and the
// window's current state (in both generations). Nothing when no entry has a value.
std::optional<std::vector<std::uint8_t>> settingsFileBytes(const SettingsCatalogue& catalogue,
                                                           const CurrentState& state);

enum class SettingsSaveStatus { ok, noValues, unwritable };
struct SettingsSave {
    SettingsSaveStatus status = SettingsSaveStatus::ok;
    std::string error; // the system's text when unwritable
};

// Writes a settings file, replacing an existing one; nothing is written without a value.
SettingsSave saveSettingsFile(const std::filesystem::path& path, const SettingsCatalogue& catalogue,
                              const CurrentState& state);

// "Куст12_Ск345" from the catalogue's pad and well settings; "" when either is 0xFFFF.
std::string proposedSettingsFileName(const SettingsCatalogue& catalogue);

} // namespace vorsan
