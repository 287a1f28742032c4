#pragma once
// Reading the controller's journal memory (32768 bytes) in either protocol. Both take a link
// opened at 9600 bit/s and leave it open; the settings read that follows a journal read in the
// window's command is in settings_transfer.h.
#include "common/types.h"
#include "link/serial_link.h"
#include "link/transfer_progress.h"

#include <cstdint>
#include <string>

namespace vorsan {

struct JournalRead {
    // Write_Error; St (a block failed all 6 tries); generation 3: Read_Error, Time_Error,
    // ContrSumError.
    LinkError error = LinkError::None;
    bool cancelled = false;   // the progress callback asked to stop
    JournalImage image{};     // filled from offset 0 in the order received (partial on failure)
    std::size_t received = 0; // bytes of the image filled
    int retries = 0;          // repeated requests (generation 4)
    bool ok() const { return error == LinkError::None && !cancelled; }
};

// Generation 4: 256 requests A 04 (64k) 00 40, 133-byte replies, 300 ms, up to 6 tries each; the
// 128 data bytes of each reply are appended. Progress: 256 steps.
JournalRead readJournal4(SerialLink& link, std::uint8_t address, const TransferProgress& progress = {});

// Generation 3: blockRead(0x45, 128 blocks of 256 bytes, 150 s), then the controller's additive
// checksum (0xE0), compared with the sum of the bytes. Progress: 128 steps (cannot be cancelled
// in the middle of the stream).
JournalRead readJournal3(SerialLink& link, const TransferProgress& progress = {});

// The message the user sees for a failed journal read ("" for success and for a cancel).
std::string journalReadMessage(ControllerGeneration generation, LinkError error);

} // namespace vorsan
