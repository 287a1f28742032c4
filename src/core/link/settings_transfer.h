#pragma once
// Reading and writing the controller's settings memory (the 512-byte parameter block) in either
// protocol. All take a link opened at 9600 bit/s and leave it open.
#include "common/types.h"
#include "journal/current_state.h"
#include "link/serial_link.h"
#include "link/transfer_progress.h"
#include "settings/setting_def.h"

#include <cstdint>
#include <string>

namespace vorsan {

struct SettingsRead {
    // Write_Error; St (generation 4: a block failed all 6 tries); generation 3: Read_Error,
    // Time_Error, ContrSumError.
    LinkError error = LinkError::None;
    bool cancelled = false;
    ParameterBlock block{};             // as the controller sent it
    SettingsCatalogue catalogue;        // the generation's catalogue with the values of the block
    CurrentState state = unreadState(); // generation 4: taken from the same block (no pad, well)
    int typeCode = -1;                  // generation 3: valueRequest(54), -1 when it failed
    bool ok() const { return error == LinkError::None && !cancelled; }
};

// Generation 4: 16 requests A 03 00 16k 00 10 (37 bytes, 300 ms, 6 tries). The transformer variant
// follows the 13th setting (below 380: first variant). Progress: 16 steps.
SettingsRead readSettings4(SerialLink& link, std::uint8_t address, const TransferProgress& progress = {});

// Generation 3: the type code (valueRequest(54): 11 first variant, 99 second, else unchanged), then
// blockRead(0xDD, 8 blocks of 64 bytes, 10 s) and the checksum (0xE0). Progress: 8 steps.
SettingsRead readSettings3(SerialLink& link, const TransferProgress& progress = {});

// The message the user sees for a failed settings read ("" for success).
std::string settingsReadMessage(ControllerGeneration generation, LinkError error);

struct SettingsWrite4 {
    LinkError error = LinkError::None; // Write_Error, or St when a setting failed all 6 tries
    bool cancelled = false;
    int written = 0; // settings acknowledged
    int retries = 0;
    bool ok() const { return error == LinkError::None && !cancelled; }
};

// Generation 4: every setting of the catalogue in order, A 06 (176 + offset/2) value, the 8-byte
// echo within 300 ms, up to 6 tries; 0xFFFF is sent like any other value. Progress: 77 steps.
// A write that fails part-way leaves the controller with the settings written so far.
SettingsWrite4 writeSettings4(SerialLink& link, std::uint8_t address, const SettingsCatalogue& catalogue,
                              const TransferProgress& progress = {});

struct SettingsWrite3 {
    std::string message; // "" on success, else the text for the user
    LinkError error = LinkError::None;
    ParameterBlock sent{};       // the controller's block with the values overlaid
    int missingBytes = 0;        // bytes that could not be written, after the filler rounds
    int fillerBytes = 0;         // 0xFF fillers sent
    SettingsCatalogue catalogue; // on success: every value as sent (0xFFFF ones become the controller's)
    bool ok() const { return message.empty(); }
};

// Generation 3: reads the controller's block (0xDD) and checks its sum, overlays the values other
// than 0xFFFF, opens the write with 0xDE (up to 10 tries), sends the 512 bytes one by one as
// echoed commands, fills missing bytes with 0xFF (rounds until 3 fillers were sent), and ends
// with 0xDF unless a byte went wrong. Progress: 512 steps of the transfer.
SettingsWrite3 writeSettings3(SerialLink& link, const SettingsCatalogue& catalogue,
                              const TransferProgress& progress = {});

} // namespace vorsan
