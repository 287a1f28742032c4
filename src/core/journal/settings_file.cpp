#include "journal/settings_file.h"

#include "common/whole_file.h"

#include <algorithm>
#include <utility>

namespace vorsan {
namespace {

// A settings file is read as a journal file whose journal block is empty: the settings and, in
// generation 4, the current state are taken from what that read gave.
SettingsFileLoad settingsOf(JournalFileLoad&& journal) {
    SettingsFileLoad out;
    out.status = journal.status;
    out.error = std::move(journal.error);
    if (journal.status != FileStatus::ok) return out;
    out.file.generation = journal.file.generation;
    out.file.catalogue = std::move(journal.file.catalogue);
    if (journal.file.generation == ControllerGeneration::Gen4) out.file.state = journal.file.state;
    return out;
}

} // namespace

SettingsFileLoad loadSettingsFile(std::span<const std::uint8_t> bytes, ControllerGeneration current,
                                  const UnknownMagicQuestion& ask) {
    return settingsOf(loadJournalFile(bytes, current, ask));
}

SettingsFileLoad loadSettingsFile(const std::filesystem::path& path, ControllerGeneration current,
                                  const UnknownMagicQuestion& ask) {
    return settingsOf(loadJournalFile(path, current, ask));
}

bool hasAnySettingValue(const SettingsCatalogue& catalogue) {
    return std::any_of(catalogue.entries.begin(), catalogue.entries.end(),
                       [](const SettingDef& d) { return d.value != kUnknown16; });
}

std::optional<std::vector<std::uint8_t>> settingsFileBytes(const SettingsCatalogue& catalogue,
                                                           const CurrentState& state) {
    if (!hasAnySettingValue(catalogue)) return std::nullopt;
    const ParameterBlock block = fileParameterBlock(catalogue, state);
    return writeContainer(catalogue.generation, {}, block);
}

SettingsSave saveSettingsFile(const std::filesystem::path& path, const SettingsCatalogue& catalogue,
                              const CurrentState& state) {
    const auto bytes = settingsFileBytes(catalogue, state);
    if (!bytes) return {SettingsSaveStatus::noValues, {}};
    if (auto err = writeWholeFile(path, *bytes); !err.empty()) return {SettingsSaveStatus::unwritable, err};
    return {};
}

std::string proposedSettingsFileName(const SettingsCatalogue& catalogue) {
    const PadWell pw = padAndWell(catalogue);
    return proposedFileName(pw.pad, pw.well);
}

} // namespace vorsan
