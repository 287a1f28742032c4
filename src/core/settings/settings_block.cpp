#include "settings/settings_block.h"

#include <cmath>
#include <limits>

namespace vorsan {
namespace {

// Generation 4 settings start at byte 352: register 176 of the controller's 256 registers.
constexpr std::size_t kGen4SettingsStart = 352;

bool highByteFirst(ControllerGeneration generation, BlockLayout layout) {
    return generation == ControllerGeneration::Gen4 && layout == BlockLayout::controller;
}

void putLowFirst(ParameterBlock& block, std::size_t pos, std::uint16_t v) {
    block[pos] = static_cast<std::uint8_t>(v & 0xFF);
    block[pos + 1] = static_cast<std::uint8_t>(v >> 8);
}

} // namespace

std::size_t settingBytePosition(ControllerGeneration generation, std::uint16_t offset) {
    return generation == ControllerGeneration::Gen4 ? kGen4SettingsStart + offset : offset;
}

std::uint16_t settingRegister(std::uint16_t offset) {
    return static_cast<std::uint16_t>(kGen4SettingsStart / 2 + offset / 2);
}

void readSettingsBlock(SettingsCatalogue& catalogue, std::span<const std::uint8_t> block,
                       BlockLayout layout) {
    const bool bigEndian = highByteFirst(catalogue.generation, layout);
    for (SettingDef& d : catalogue.entries) {
        const std::size_t pos = settingBytePosition(catalogue.generation, d.offset);
        if (pos + 1 >= block.size()) continue;
        const std::uint8_t first = block[pos];
        const std::uint8_t second = block[pos + 1];
        d.value = bigEndian ? static_cast<std::uint16_t>(first << 8 | second)
                            : static_cast<std::uint16_t>(second << 8 | first);
        d.loaded = true;
    }
}

ParameterBlock writeSettingsBlock(const SettingsCatalogue& catalogue) {
    ParameterBlock block;
    block.fill(0xFF);
    for (const SettingDef& d : catalogue.entries) {
        const std::size_t pos = settingBytePosition(catalogue.generation, d.offset);
        if (pos + 1 < block.size()) putLowFirst(block, pos, d.value);
    }
    return block;
}

void overlayGen3Settings(ParameterBlock& controllerBlock, const SettingsCatalogue& catalogue) {
    if (catalogue.generation != ControllerGeneration::Gen3) return;
    for (const SettingDef& d : catalogue.entries) {
        if (d.value == kUnknown16 || std::size_t{d.offset} + 1 >= controllerBlock.size()) continue;
        putLowFirst(controllerBlock, d.offset, d.value);
    }
}

std::uint16_t gen3BlockChecksum(const ParameterBlock& block) {
    std::uint32_t sum = 0;
    for (const std::uint8_t b : block)
        sum += b;
    return static_cast<std::uint16_t>(sum & 0xFFFF);
}

std::int64_t rawFromShown(long double shown, const SettingDef& def) {
    // Extended precision, as the entered number was read: 0.857 × 100 = 85.69... -> 85.
    const long double product = shown * static_cast<long double>(def.scale);
    constexpr auto kMax = std::numeric_limits<std::int64_t>::max();
    constexpr auto kMin = std::numeric_limits<std::int64_t>::min();
    if (std::isnan(product)) return kMin;
    if (product >= static_cast<long double>(kMax)) return kMax;
    if (product <= static_cast<long double>(kMin)) return kMin;
    return static_cast<std::int64_t>(std::trunc(product));
}

std::int64_t rawFromHoursMinutes(std::int64_t hours, std::int64_t minutes) {
    return hours * 60 + minutes;
}

double shownFromRaw(std::uint16_t raw, const SettingDef& def) {
    return def.scale == 0 ? static_cast<double>(raw) : static_cast<double>(raw) / def.scale;
}

HoursMinutes hoursMinutesFromRaw(std::uint16_t raw) {
    return {static_cast<std::uint16_t>(raw / 60), static_cast<std::uint16_t>(raw % 60)};
}

} // namespace vorsan
