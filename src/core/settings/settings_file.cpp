#include "settings/settings_file.h"

#include "journal/whole_file.h"
#include "settings/catalogue.h"
#include "settings/settings_block.h"

#include <algorithm>

namespace vorsan {

SettingsFileLoad loadSettingsFile(std::span<const std::uint8_t> bytes, ControllerGeneration current,
                                  const UnknownMagicQuestion& ask) {
    SettingsFileLoad out;
    const Container c = readContainer(bytes, ask);
    if (c.status != ContainerStatus::ok) {
        out.status = c.status == ContainerStatus::refused ? FileStatus::refused : FileStatus::damaged;
        return out;
    }
    SettingsFile& f = out.file;
    f.generation = c.generation.value_or(current);
    f.catalogue = buildCatalogue(f.generation);
    if (f.generation == ControllerGeneration::Gen4) {
        ParameterBlock block;
        block.fill(0xFF);
        std::copy_n(c.parameterBlock.begin(), std::min(c.parameterBlock.size(), block.size()), block.begin());
        f.state = decodeParameterBlockState(block);
    }
    // A block shorter than an entry's place leaves that entry without a value.
    readSettingsBlock(f.catalogue, c.parameterBlock, BlockLayout::file);
    applyVariantFromValue(f.catalogue);
    return out;
}

SettingsFileLoad loadSettingsFile(const std::filesystem::path& path, ControllerGeneration current,
                                  const UnknownMagicQuestion& ask) {
    const FileBytes read = readWholeFile(path);
    if (!read.ok) {
        SettingsFileLoad out;
        out.status = FileStatus::unreadable;
        out.error = read.error;
        return out;
    }
    return loadSettingsFile(read.bytes, current, ask);
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
