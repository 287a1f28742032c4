#pragma once
// The requests of the framed protocol. Each request is 8 bytes: address, function, register
// (high byte first), count or value (high byte first), CRC-16 (low byte first). A FramedRequest
// carries with it how its reply is awaited: the reply length, the time-out counted from the end of
// the request, the number of tries and whether it goes through the fixed 500 ms exchange that
// does nothing on a port that is not RS-232. Pass it to framedRequest() (frame_exchange.h).
//
// Replies: functions 0x03/0x04 answer address, function, byte count, the registers high byte
// first and the CRC (5 + 2 x count bytes); 0x06 echoes the 8-byte request; a refusal is 5 bytes
// (address, function | 0x80, code, CRC). Only the length and the CRC are checked by the exchange.
#include <array>
#include <cstddef>
#include <cstdint>

namespace vorsan {

inline constexpr std::uint8_t kRecorderAddress = 0xFF;
inline constexpr std::uint8_t kFirstStationAddress = 1;
inline constexpr std::uint8_t kLastStationAddress = 247;

inline constexpr std::uint8_t kFnReadRegisters = 0x03;
inline constexpr std::uint8_t kFnReadInputRegisters = 0x04;
inline constexpr std::uint8_t kFnCommand = 0x05;
inline constexpr std::uint8_t kFnWriteRegister = 0x06;

inline constexpr std::size_t kRequestLength = 8;
inline constexpr std::size_t kRefusalLength = 5;
// The longest reply of the program: a journal block of 64 registers.
inline constexpr std::size_t kMaxReplyLength = 133;

inline constexpr int kBlockTries = 6;       // block transfers of journal and settings
inline constexpr int kFixedTimeoutMs = 500; // framedExchangeFixed
inline constexpr int kDefaultTimeoutMs = 300;

struct FramedRequest {
    std::array<std::uint8_t, kRequestLength> bytes{}; // with the CRC in bytes 6, 7
    std::size_t replyLength = 0;
    int timeoutMs = kDefaultTimeoutMs; // kFixedTimeoutMs when fixedExchange
    int tries = 1;
    bool fixedExchange = false;

    std::uint8_t address() const { return bytes[0]; }
    std::uint8_t function() const { return bytes[1]; }
    std::uint16_t registerNumber() const { return static_cast<std::uint16_t>(bytes[2] << 8 | bytes[3]); }
    std::uint16_t countOrValue() const { return static_cast<std::uint16_t>(bytes[4] << 8 | bytes[5]); }
};

// Generic frames: address, function, register, count or value; the CRC is appended. The reply
// length is set for 0x03/0x04 (5 + 2 x count) and 0x06 (8); 0x05 expects a 5-byte answer.
FramedRequest makeRequest(std::uint8_t address, std::uint8_t function, std::uint16_t reg,
                          std::uint16_t countOrValue);
FramedRequest readRegisters(std::uint8_t address, std::uint16_t firstRegister, std::uint16_t count);
FramedRequest readInputRegisters(std::uint8_t address, std::uint16_t firstRegister, std::uint16_t count);
FramedRequest writeRegister(std::uint8_t address, std::uint16_t reg, std::uint16_t value);

// ---- one builder per request the program sends --------------------------------------------

// Current state, first block: registers 63 to 78. A 03 00 3F 00 10, 37 bytes, 300 ms, 1 try.
FramedRequest currentStateFirstRequest(std::uint8_t address);
// Current state, second block: registers 16 to 31. A 03 00 10 00 10, 37 bytes, 300 ms, 1 try.
FramedRequest currentStateSecondRequest(std::uint8_t address);
// Pad and well: registers 238, 239. A 03 00 EE 00 02, 9 bytes, 1 try; 300 ms alone,
// kPadWellInStateReadTimeoutMs inside the current-state read.
inline constexpr int kPadWellInStateReadTimeoutMs = 1300;
FramedRequest padWellRequest(std::uint8_t address, int timeoutMs = kDefaultTimeoutMs);
// Settings block k (0..15): registers 16k to 16k + 15. A 03 00 16k 00 10, 37 bytes, 300 ms, 6 tries.
FramedRequest settingsBlockRequest(std::uint8_t address, int block);
// One setting to register r. A 06 r v, 8-byte echo, 300 ms, 6 tries.
FramedRequest writeSettingRequest(std::uint8_t address, std::uint16_t reg, std::uint16_t value);
// Journal block k (0..255): input registers 64k to 64k + 63. A 04 (64k) 00 40, 133 bytes, 300 ms,
// 6 tries.
FramedRequest journalBlockRequest(std::uint8_t address, int block);
// Clear the chronology: A 05 00 00 27 10, 5 bytes (a refusal), fixed exchange.
FramedRequest clearChronologyRequest(std::uint8_t address);
// Start (A 05 00 3F 00 01) or stop (A 05 00 3F 00 00) the motor, 5 bytes, fixed exchange.
FramedRequest startStopRequest(std::uint8_t address, bool start);
// Search probe at address n: n 03 FF FF 00 01 (register 0xFFFF, which a station refuses with a
// 5-byte frame), 5 bytes, fixed exchange.
FramedRequest searchProbeRequest(std::uint8_t address);
// Recorder present: FF 03 00 20 00 01, 7 bytes, 100 ms.
FramedRequest recorderPresentRequest();
// Clear the recorder: FF 06 00 20 00 00, 8 bytes, 2300 ms.
FramedRequest recorderClearRequest();
// Recorder transfer speed code s in register 9: FF 06 00 09 00 s, 8 bytes, 300 ms.
FramedRequest recorderSpeedRequest(std::uint8_t code);
// Recorder entry i: its clock (registers 16 to 19) and its identity (registers 238 to 241),
// i 03 00 10 00 04 / i 03 00 EE 00 04, 13 bytes, 150 ms.
FramedRequest recorderEntryClockRequest(std::uint8_t entry);
FramedRequest recorderEntryIdentityRequest(std::uint8_t entry);

// The recorder's code for a bulk speed: 460800 / speed - 1 (9600 -> 47, 115200 -> 3).
std::uint8_t recorderSpeedCode(int speed);

} // namespace vorsan
