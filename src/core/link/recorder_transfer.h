#pragma once
// The data recorder: its directory of stored chronologies, downloading one entry and clearing it.
#include "common/types.h"
#include "journal/current_state.h"
#include "link/serial_link.h"
#include "link/transfer_progress.h"
#include "settings/setting_def.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace vorsan {

// The page has room for 63 entries; the directory holds no more.
inline constexpr int kMaxRecorderEntries = 63;

// 16 bytes of one entry: registers 16..19 (the reading's clock, BCD: minutes, seconds, -, hours,
// month, day, -, year) and 238..241 (pad, well, motor, pump; high byte first).
struct RecorderDirectoryEntry {
    std::array<std::uint8_t, 16> bytes{};
    std::uint8_t minuteBcd() const { return bytes[0]; }
    std::uint8_t secondBcd() const { return bytes[1]; }
    std::uint8_t hourBcd() const { return bytes[3]; }
    std::uint8_t monthBcd() const { return bytes[4]; }
    std::uint8_t dayBcd() const { return bytes[5]; }
    std::uint8_t yearBcd() const { return bytes[7]; }
    std::uint16_t pad() const { return word(8); }
    std::uint16_t well() const { return word(10); }
    std::uint16_t motor() const { return word(12); }
    std::uint16_t pump() const { return word(14); }
    // Entries without pad or well cannot be downloaded into the window.
    bool loadable() const { return pad() != 0xFFFF && well() != 0xFFFF; }

  private:
    std::uint16_t word(std::size_t at) const {
        return static_cast<std::uint16_t>(bytes[at] << 8 | bytes[at + 1]);
    }
};

struct RecorderDirectory {
    LinkError error = LinkError::None;           // Write_Error ends the reading
    std::vector<RecorderDirectoryEntry> entries; // entry i at index i - 1; missing replies leave zeros
};

// For each entry i from 1 to count (at most 63): i 03 00 10 00 04 and i 03 00 EE 00 04, 13 bytes,
// 150 ms, one try each. Takes a link opened at 9600 bit/s.
RecorderDirectory readRecorderDirectory(SerialLink& link, int count);

// The text of an entry's button: "3.Дата считывания:14:05:09  21.11.26 куст12 скв.345 ПЭД-7 ЭЦН-8"
// (the motor and pump parts only when known; without pad or well only the date part).
std::string recorderEntryCaption(int entry, const RecorderDirectoryEntry& e);

struct RecorderDownload {
    OpenResult open;                   // a failed open of either speed
    LinkError error = LinkError::None; // Write_Error, or St for a missing or corrupt block
    bool cancelled = false;
    ControllerGeneration generation = ControllerGeneration::Gen4;
    JournalImage image{};               // a generation 3 image is turned back end for end
    ParameterBlock block{};             // registers 0..255 as received
    SettingsCatalogue catalogue;        // the entry generation's catalogue with the block's values
    CurrentState state = unreadState(); // taken from the block
    std::uint16_t pad = 0xFFFF;         // the words at 352 + o and 354 + o, o = offset of the 63rd entry
    std::uint16_t well = 0xFFFF;
    bool ok() const { return this->open.ok() && error == LinkError::None && !cancelled; }
};

// Downloads entry i: speed code (460800 / recorderSpeed - 1) to register 9 at 9600 bit/s, then at
// the recorder speed 256 journal blocks and 16 settings blocks (one try each) and the speed code
// 47 back to 9600. The link is opened and closed here (it must not be open). Progress: 272 steps
// (256 journal blocks, then 16 settings blocks).
RecorderDownload downloadRecorderEntry(SerialLink& link, const std::string& device, int recorderSpeed,
                                       std::uint8_t entry, const TransferProgress& progress = {});

// FF 06 00 20 00 00 (register 0x20 := 0), 8 bytes, 2300 ms; the reply is not examined.
LinkError clearRecorder(SerialLink& link);

} // namespace vorsan
