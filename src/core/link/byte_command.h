#pragma once
// Exchanges of the byte-command protocol: one command byte that the controller echoes, then a
// fixed handshake or a stream of data. Values come low byte first; bulk data is followed, on
// request 0xE0, by its additive checksum (checksums.h).
//
// Every wait is counted in read attempts of SerialLink::readByte (about 4 ms each): 20 attempts
// wait about 80 ms, 100 about 400 ms. Only blockRead has a clock time-out, for the data stream.
#include "link/serial_link.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace vorsan {

inline constexpr std::uint8_t kProbeCommand = 0xFF;    // also the filler byte of a settings write
inline constexpr std::uint8_t kChecksumCommand = 0xE0; // checksum of the last block; value handshake
inline constexpr std::uint8_t kRecorderProbeAnswer = 0xFE;
inline constexpr std::uint8_t kTypeCodeCommand = 54;       // controller type code (11 or 99)
inline constexpr std::uint8_t kJournalCommand = 0x45;      // 32768 bytes, 128 blocks of 256
inline constexpr std::uint8_t kSettingsReadCommand = 0xDD; // 512 bytes, 8 blocks of 64
inline constexpr std::uint8_t kSettingsWriteBegin = 0xDE;
inline constexpr std::uint8_t kSettingsWriteEnd = 0xDF;
inline constexpr std::uint8_t kClearChronologyCommand = 0xE1;
inline constexpr std::uint8_t kClockCommand = 0x1E;
inline constexpr std::uint8_t kStartCommand = 0x27;
inline constexpr std::uint8_t kStopCommand = 0x28;

inline constexpr int kShortReadAttempts = 20;
inline constexpr int kValueReadAttempts = 100;
inline constexpr int kRecorderTypeCode = 9999; // what probe() reports for the 0xFE answer

// Writes one byte; false unless the driver took it.
bool writeByte(SerialLink& link, std::uint8_t b);

// Reads until a byte arrives, at most `attempts` read attempts.
std::optional<std::uint8_t> readWithAttempts(SerialLink& link, int attempts);

struct ValueResult {
    LinkError error = LinkError::None; // Write_Error0, Read_Error1, Write_Error, Read_Error2, Read_Error3
    std::uint16_t value = 0;           // meaningful only without error
};

// Purge; write c and expect its echo; write 0xE0 and expect its echo; then the value, low byte
// first. Each read waits up to 100 attempts. Stops at the first failure, sending nothing more.
ValueResult valueRequest(SerialLink& link, std::uint8_t command);

enum class CommandEcho {
    Echoed,     // the same byte came back
    NoEcho,     // nothing, or another byte
    NotWritten, // ten writes failed
};

// Purge; write b (up to 10 tries); read up to 20 attempts and compare with b.
CommandEcho singleCommand(SerialLink& link, std::uint8_t b);

// Called once with (0, blocks) before the transfer, then after every block with (done, blocks).
using BlockProgress = std::function<void(int blocksDone, int blocks)>;

struct BlockReadResult {
    LinkError error = LinkError::None; // Write_Error, Read_Error (no echo), Time_Error
    std::vector<std::uint8_t> data;    // the bytes received, also those before a Time_Error
};

// Purge; write c; expect its echo within 20 attempts; then receive blocks x blockLength bytes
// with no pause or acknowledgement between blocks, all within timeoutSeconds counted from the
// echo. A byte read after the limit is not kept.
BlockReadResult blockRead(SerialLink& link, std::uint8_t command, int blocks, int blockLength,
                          int timeoutSeconds, const BlockProgress& progress = {});

// The controller's additive checksum of the preceding block transfer: blockRead(0xE0, 1, 2, 2 s),
// low byte first.
struct ChecksumResult {
    LinkError error = LinkError::None;
    std::uint16_t checksum = 0;
};
ChecksumResult readControllerChecksum(SerialLink& link);

struct ProbeResult {
    bool answered = false;
    // 11 or 99 (generation 3 controller), another valueRequest(54) result, kRecorderTypeCode for
    // the 0xFE answer; -1 when a generation 3 echo came but its type code could not be read.
    int typeCode = -1;
};

// On an RS-232 port: purge, write 0xFF and read up to 20 attempts. 0xFF: a generation 3
// controller, whose type code is then asked with valueRequest(54). 0xFE: something else that
// answers (type code 9999). Anything else: no answer.
ProbeResult probe(SerialLink& link);

} // namespace vorsan
