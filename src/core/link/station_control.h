#pragma once
// Commands to a station: clear the chronology, start and stop the motor. Each takes a link opened
// at 9600 bit/s.
#include "link/serial_link.h"

#include <cstdint>
#include <string>

namespace vorsan {

enum class ClearOutcome {
    Refused,  // the controller refused (its mode switch is not off): show kClearRefusedMessage
    Accepted, // an answer other than a refusal came
    Silent,   // nothing came
};

struct ClearResult {
    LinkError error = LinkError::None; // Write_Error
    ClearOutcome outcome = ClearOutcome::Silent;
};

// The refusal message (caption "Ошибка"), three lines joined by carriage returns.
extern const std::string kClearRefusedMessage;

// Generation 4: A 05 00 00 27 10 through the fixed exchange with a 5-byte reply; a 5-byte frame
// with a good CRC is a refusal; the longer acknowledgement of an accepting controller fails that
// check and counts as accepted.
ClearResult clearChronology4(SerialLink& link, std::uint8_t address);
// Generation 3: 0xE1 written once, up to 20 read attempts; a nonzero answer is a refusal.
ClearResult clearChronology3(SerialLink& link);

// Generation 4: A 05 00 3F 00 01 (start) or 00 (stop) through the fixed exchange; the answer is
// not examined. Returns Write_Error or None.
LinkError startStop4(SerialLink& link, std::uint8_t address, bool start);
// Generation 3: 0x27 (start) or 0x28 (stop) written once, one answer awaited (20 attempts) and
// not examined.
LinkError startStop3(SerialLink& link, bool start);

} // namespace vorsan
