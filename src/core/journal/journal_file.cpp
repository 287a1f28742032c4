#include "journal/journal_file.h"

#include "common/whole_file.h"
#include "settings/catalogue.h"
#include "settings/settings_block.h"

#include <algorithm>

namespace vorsan {
namespace {

// First byte of the slot that holds byte `at` of an image: short events of 8 bytes from 0, in
// generation 4 setting changes of 16 bytes from 1024, measurement blocks of 32 bytes from 2048
// (generation 4) or 1024 (generation 3). Generation 3 bytes 1008-1023 (unused, well, pad) are no
// slot: `at` itself.
std::size_t slotStart(ControllerGeneration generation, std::size_t at) {
    const bool g4 = generation == ControllerGeneration::Gen4;
    const std::size_t measures = g4 ? 2048 : 1024;
    if (at >= measures) return measures + (at - measures) / 32 * 32;
    if (g4 && at >= 1024) return 1024 + (at - 1024) / 16 * 16;
    if (!g4 && at >= 1008) return at;
    return at / 8 * 8;
}

// A journal block that ends inside a slot does not hold that slot: its bytes are made empty like
// the missing ones, so that a record is not made up from a half slot and the 0xFF filler.
void dropPartialSlot(JournalImage& image, ControllerGeneration generation, std::size_t blockLength) {
    if (blockLength >= image.size()) return;
    const std::size_t first = slotStart(generation, blockLength);
    std::fill(image.begin() + static_cast<std::ptrdiff_t>(first),
              image.begin() + static_cast<std::ptrdiff_t>(blockLength), 0xFF);
}

} // namespace

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
    dropPartialSlot(f.image, f.generation, c.journalBlock.size());
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
