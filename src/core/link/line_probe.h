#pragma once
// What is on the line: the probe tick's transaction and the single requests it is built from.
// All take a link opened at 9600 bit/s.
#include "link/serial_link.h"

#include <cstdint>

namespace vorsan {

// The recorder count that means "no recorder" (also what a recorder answers when it has none).
inline constexpr std::uint16_t kNoRecorder = 255;

// recorderPresent: FF 03 00 20 00 01, 7 bytes, 100 ms, one try. The count is register 0x20, or
// kNoRecorder when no valid reply came.
struct RecorderPresence {
    LinkError error = LinkError::None; // Write_Error only
    std::uint16_t count = kNoRecorder;
    bool present() const { return count != kNoRecorder; }
};
RecorderPresence recorderPresent(SerialLink& link);

// readPadWell: A 03 00 EE 00 02 (registers 238, 239), 9 bytes, one try. Without a valid reply
// both numbers are 0xFFFF.
struct PadWellReply {
    LinkError error = LinkError::None; // Write_Error only
    bool valid = false;
    std::uint16_t pad = 0xFFFF;
    std::uint16_t well = 0xFFFF;
    bool known() const { return pad != 0xFFFF && well != 0xFFFF; }
};
PadWellReply readPadWell(SerialLink& link, std::uint8_t address, int timeoutMs = 300);

enum class LineDevice { Nothing, Gen3Controller, Gen4Station, Recorder };

// The probe tick: the generation 3 echo probe (type code 11 or 99), else the recorder request,
// else the pad-and-well request of the station at `address`.
struct LineProbe {
    LineDevice device = LineDevice::Nothing;
    LinkError error = LinkError::None; // Write_Error of the pad-and-well request
    int typeCode = -1;                 // generation 3 type code (11 or 99); 9999 for the 0xFE answer
    std::uint16_t recorderCount = kNoRecorder;
    // A station answered the pad-and-well request. It goes into the station list with the numbers
    // as they are, even when one is 0xFFFF (unset) and the line therefore counts as Nothing.
    bool padWellAnswered = false;
    std::uint16_t pad = 0xFFFF;
    std::uint16_t well = 0xFFFF;
};
LineProbe probeLine(SerialLink& link, std::uint8_t address);

} // namespace vorsan
