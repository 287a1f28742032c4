#pragma once
// The live current state of a station: the generation 4 poll (three register ranges) and the
// generation 3 poll (25 value requests and the clock). Both take a link opened at 9600 bit/s.
#include "journal/current_state.h"
#include "link/serial_link.h"

#include "common/types.h"

#include <cstdint>
#include <string>

namespace vorsan {

struct CurrentStateRead {
    // Write_Error; Crc (generation 4: the first or second block missing or corrupt); the first
    // value-request word or Write_Error/Read_Error3 of the clock (generation 3).
    LinkError error = LinkError::None;
    CurrentState state = unreadState();
    bool ok() const { return error == LinkError::None; }
};

// Registers 63..78, then 16..31 (37 bytes, 300 ms each), then pad and well (238, 239; 1300 ms),
// whose failure leaves them 0xFFFF without failing the read.
CurrentStateRead readCurrentState4(SerialLink& link, std::uint8_t address);

// valueRequest of every parameter in kGen3StateParameters order, then the clock: 0x1E written
// once, its echo (not compared) and 7 BCD bytes, each within 100 read attempts.
CurrentStateRead readCurrentState3(SerialLink& link);

// The message box of a failed poll, "" when the failure shows only in the status bar
// ("Ошибка чтения текущих параметров"): a generation 4 request that could not be written gives
// "Ошибка записи в порт".
std::string currentStateReadMessage(ControllerGeneration generation, LinkError error);

// The status-bar text of a failed poll.
inline constexpr const char* kCurrentStateReadFailed = "Ошибка чтения текущих параметров";

} // namespace vorsan
