#include "journal/journal_file.h"

#include "journal/whole_file.h"
#include "settings/catalogue.h"
#include "settings/settings_block.h"

#include <algorithm>

namespace vorsan {

PadWell padAndWell(const SettingsCatalogue& catalogue) {
    const bool g4 = catalogue.generation == ControllerGeneration::Gen4;
    const SettingDef* pad = catalogue.byNumber(g4 ? kGen4PadNumber : kGen3PadNumber);
    const SettingDef* well = catalogue.byNumber(g4 ? kGen4WellNumber : kGen3WellNumber);
    return {pad != nullptr ? pad->value : kUnknown16, well != nullptr ? well->value : kUnknown16};
}

std::string proposedFileName(std::uint16_t padNumber, std::uint16_t wellNumber) {
    if (padNumber == kUnknown16 || wellNumber == kUnknown16) return {};
    return "Куст" + std::to_string(padNumber) + "_Ск" + std::to_string(wellNumber);
}

JournalFileLoad loadJournalFile(std::span<const std::uint8_t> bytes, ControllerGeneration current,
                                const UnknownMagicQuestion& ask) {
    JournalFileLoad out;
    const Container c = readContainer(bytes, ask);
    if (c.status != ContainerStatus::ok) {
        out.status = c.status == ContainerStatus::refused ? FileStatus::refused : FileStatus::damaged;
        return out;
    }
    JournalFile& f = out.file;
    f.generation = c.generation.value_or(current);
    f.journalBlockLength = c.journalBlock.size();
    f.image.fill(0xFF);
    std::copy_n(c.journalBlock.begin(), std::min(c.journalBlock.size(), f.image.size()), f.image.begin());
    f.catalogue = buildCatalogue(f.generation);
    readSettingsBlock(f.catalogue, c.parameterBlock, BlockLayout::file);
    applyVariantFromValue(f.catalogue);
    // The state is read from a full block; the missing end of a short block reads as 0xFF.
    ParameterBlock block;
    block.fill(0xFF);
    std::copy_n(c.parameterBlock.begin(), std::min(c.parameterBlock.size(), block.size()), block.begin());
    f.state = decodeParameterBlockState(block);
    f.stateStored = !stateIsEmpty(f.state);
    const PadWell pw = padAndWell(f.catalogue);
    f.padNumber = pw.pad;
    f.wellNumber = pw.well;
    return out;
}

JournalFileLoad loadJournalFile(const std::filesystem::path& path, ControllerGeneration current,
                                const UnknownMagicQuestion& ask) {
    const FileBytes read = readWholeFile(path);
    if (!read.ok) {
        JournalFileLoad out;
        out.status = FileStatus::unreadable;
        out.error = read.error;
        return out;
    }
    return loadJournalFile(read.bytes, current, ask);
}

ParameterBlock fileParameterBlock(const SettingsCatalogue& catalogue, const CurrentState& state) {
    ParameterBlock block = writeSettingsBlock(catalogue);
    encodeParameterBlockState(state, block);
    return block;
}

std::vector<std::uint8_t> journalFileBytes(ControllerGeneration generation, const JournalImage& image,
                                           const SettingsCatalogue& catalogue, const CurrentState& state) {
    const ParameterBlock block = fileParameterBlock(catalogue, state);
    return writeContainer(generation, image, block);
}

std::string saveJournalFile(const std::filesystem::path& path, ControllerGeneration generation,
                            const JournalImage& image, const SettingsCatalogue& catalogue,
                            const CurrentState& state) {
    return writeWholeFile(path, journalFileBytes(generation, image, catalogue, state));
}

} // namespace vorsan
