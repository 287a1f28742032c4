#pragma once
// Journal files "*.VR4" (generation 4) and "*.pr" (generation 3): the container with the journal
// image, the settings and the current state read with it.
#include "common/types.h"
#include "journal/container.h"
#include "journal/current_state.h"
#include "settings/setting_def.h"

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace vorsan {

// How loading a file ended. refused and damaged are the container's abandonments; unreadable is a
// file the system could not read (error holds its text).
enum class FileStatus { ok, refused, damaged, unreadable };

// What loading a journal or settings file gave: `file` holds the contents only when status is ok.
template <class File> struct FileLoad {
    FileStatus status = FileStatus::ok;
    File file;
    std::string error; // the system's text when unreadable
};

struct JournalFile {
    ControllerGeneration generation = ControllerGeneration::Gen4;
    // The journal block: a shorter block is filled up with 0xFF (empty slots), a longer one cut.
    JournalImage image{};
    std::size_t journalBlockLength = 0; // as the file gave it
    // The catalogue of the generation with the file's values and the transformer variant applied.
    SettingsCatalogue catalogue;
    CurrentState state;
    bool stateStored = false; // false when the block held no state (its three voltages 0xFFFF)
    // Pad and well from the settings of the generation (numbers 83/84 or 89/90), 0xFFFF unknown.
    std::uint16_t padNumber = kUnknown16;
    std::uint16_t wellNumber = kUnknown16;
};

using JournalFileLoad = FileLoad<JournalFile>;

// Opens the contents of a journal file. `current` is the generation a file of unknown magic is
// read with when `ask` answers Yes. Nothing is returned unless the whole read succeeds.
JournalFileLoad loadJournalFile(std::span<const std::uint8_t> bytes, ControllerGeneration current,
                                const UnknownMagicQuestion& ask);
JournalFileLoad loadJournalFile(const std::filesystem::path& path, ControllerGeneration current,
                                const UnknownMagicQuestion& ask);

// The parameter block of a file: 0xFF, the settings in the file layout, then the current state.
ParameterBlock fileParameterBlock(const SettingsCatalogue& catalogue, const CurrentState& state);

// The contents of a journal file: header of the generation, the 32768-byte image and the parameter
// block of `catalogue` (the settings of that generation) and `state`.
std::vector<std::uint8_t> journalFileBytes(ControllerGeneration generation, const JournalImage& image,
                                           const SettingsCatalogue& catalogue, const CurrentState& state);

// Writes a journal file, replacing an existing one; "" on success, else the system's text.
std::string saveJournalFile(const std::filesystem::path& path, ControllerGeneration generation,
                            const JournalImage& image, const SettingsCatalogue& catalogue,
                            const CurrentState& state);

// Pad and well numbers held by a catalogue's settings (83/84 in generation 4, 89/90 in 3).
struct PadWell {
    std::uint16_t pad = kUnknown16;
    std::uint16_t well = kUnknown16;
};
PadWell padAndWell(const SettingsCatalogue& catalogue);

// The proposed file name "Куст12_Ск345" (no extension); "" when either number is 0xFFFF.
std::string proposedFileName(std::uint16_t padNumber, std::uint16_t wellNumber);

} // namespace vorsan
