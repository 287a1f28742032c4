#pragma once
// The settings catalogue of each controller generation and the choice of the transformer variant.
#include <cstddef>
#include <cstdint>
#include <string>

#include "settings/setting_def.h"

namespace vorsan {

// Entry counts and the first setting number.
inline constexpr std::size_t kGen4SettingCount = 77;
inline constexpr std::size_t kGen3SettingCount = 82;
inline constexpr int kFirstSettingNumber = 21;

// Setting numbers that other subsystems read by position.
inline constexpr int kGen4PadNumber = 83;      // "Номер куста"
inline constexpr int kGen4WellNumber = 84;     // "Номер скважины"
inline constexpr int kGen4StationAddress = 87; // "Адрес станции"
inline constexpr int kGen3PadNumber = 89;
inline constexpr int kGen3WellNumber = 90;
// The transformer entry ("Напряжение ТМПН/Номинальный ток") and, in generation 3, the motor
// current entry that follows it (its scale follows the variant).
inline constexpr int kGen4TransformerNumber = 33;
inline constexpr int kGen3TransformerNumber = 35;
inline constexpr int kGen3MotorCurrentNumber = 36;

// Number of entries of a generation's catalogue (77 or 82).
std::size_t settingCount(ControllerGeneration generation);

// The catalogue of a generation in its neutral form, every value 0xFFFF.
SettingsCatalogue buildCatalogue(ControllerGeneration generation);

// Rewrites the transformer entry for variant 1 (current transformer) or 2 (supply transformer);
// in generation 3 it also sets the scale of the motor current entry (10 or 1). Offset, value,
// scale and editor kind of the transformer entry stay. Any other variant number changes nothing.
void applyTransformerVariant(SettingsCatalogue& catalogue, int variant);

// 2 when the transformer entry's raw value is 380 or more (0xFFFF included), else 1.
int variantForValue(std::uint16_t raw);

// Variant from a generation 3 controller's type code: 11 -> 1, 99 -> 2, anything else -> 0 (no
// change; applyTransformerVariant ignores 0).
int variantForTypeCode(int typeCode);

// Chooses the variant from the catalogue's own transformer value (variantForValue) and applies it.
void applyVariantFromValue(SettingsCatalogue& catalogue);

// Setting number text of entry i: i + 21 in decimal below 100, otherwise the hexadecimal digit of
// (i + 21) / 10 and the decimal digit of (i + 21) % 10 (79 -> "A0", 81 -> "A2").
std::string settingNumberText(std::size_t index);

// The same for a setting number n (21 -> "21", 100 -> "A0").
std::string settingNumberTextOf(int number);

// Name column of a setting row: number text, two blanks, long name ("21  Номинальное напряжение",
// "A0  Чередование фаз"); "" for an index beyond the catalogue.
std::string settingRowName(const SettingsCatalogue& catalogue, std::size_t index);

// The values of a catalogue, in catalogue order.
SettingsSet settingsSetOf(const SettingsCatalogue& catalogue);

// Puts the values of a set into a catalogue, in catalogue order, and marks them loaded. Returns
// false and changes nothing when the set's size differs from the catalogue's.
bool assignSettingsSet(SettingsCatalogue& catalogue, const SettingsSet& values);

// True when the catalogue has entries and every one was read or loaded (0xFFFF values included).
bool everySettingLoaded(const SettingsCatalogue& catalogue);

// Whether the catalogue may be written to a controller. A generation 4 write sends every value,
// so each must have been read or loaded: an unread one would put 0xFFFF into the controller's
// setpoints. A generation 3 write sends only known values and leaves the rest as the controller
// has them, so it is never refused. An empty catalogue is never written.
bool settingsWritable(const SettingsCatalogue& catalogue);

// What the user is told when settingsWritable refuses.
inline constexpr const char* kSettingsNotLoadedMessage =
    "Не все уставки считаны или загружены из файла: запись уставок в контроллер отменена";

} // namespace vorsan
