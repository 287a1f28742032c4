#pragma once
// Where each setting's raw value lies in the 512-byte parameter block, in which byte order, and how
// a typed number becomes a raw value.
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/types.h"
#include "settings/setting_def.h"

namespace vorsan {

// Byte order of a block: as the controller sends it, or as the program's files keep it.
//   generation 4: value at 352 + offset (register 176 + offset/2); controller high byte first,
//                 files low byte first;
//   generation 3: value at the offset itself (256 ... 464); low byte first in both.
enum class BlockLayout { controller, file };

// Byte position in the parameter block of a setting with catalogue offset `offset`.
std::size_t settingBytePosition(ControllerGeneration generation, std::uint16_t offset);

// Generation 4 register that holds a setting with catalogue offset `offset` (176 + offset / 2).
std::uint16_t settingRegister(std::uint16_t offset);

// Sets the value of every entry from its place in `block`, in catalogue order, using the
// catalogue's generation and the given layout, and marks it loaded. Nothing else of the catalogue
// changes. A block shorter than an entry's place leaves that entry as it was (0xFFFF and not
// loaded in a fresh catalogue).
void readSettingsBlock(SettingsCatalogue& catalogue, std::span<const std::uint8_t> block, BlockLayout layout);

// The file block of a catalogue: 0xFF everywhere except the value word of every entry, written at
// its place low byte first (0xFFFF written as FF FF like any other value).
ParameterBlock writeSettingsBlock(const SettingsCatalogue& catalogue);

// Generation 3 write: overlays the values other than 0xFFFF onto a copy of the controller's own
// block (low byte first at each entry's offset). Generation 4 catalogues change nothing.
void overlayGen3Settings(ParameterBlock& controllerBlock, const SettingsCatalogue& catalogue);

// Generation 3 block checksum: the sum of all 512 bytes modulo 65536 (sent low byte first).
std::uint16_t gen3BlockChecksum(const ParameterBlock& block);

// Raw value of a typed number: the integer part, truncated toward zero, of shown × scale computed
// in extended precision (0.857 for scale 100 gives 85). Non-finite or huge numbers give a value
// outside any setting's limits (clamped to the int64 range), never undefined behaviour.
std::int64_t rawFromShown(long double shown, const SettingDef& def);

// Minutes of a duration: hours × 60 + minutes.
std::int64_t rawFromHoursMinutes(std::int64_t hours, std::int64_t minutes);

// Shown number of a raw value: raw / scale.
double shownFromRaw(std::uint16_t raw, const SettingDef& def);

// Hours and minutes of a duration in minutes (5999 -> 99 h 59 min).
struct HoursMinutes {
    std::uint16_t hours = 0;
    std::uint16_t minutes = 0;
    bool operator==(const HoursMinutes&) const = default;
};
HoursMinutes hoursMinutesFromRaw(std::uint16_t raw);

} // namespace vorsan
