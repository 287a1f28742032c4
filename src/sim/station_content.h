#pragma once
// What the simulated devices hold: registers, settings memory, journal memory.
#include "common/types.h"

#include <array>
#include <cstdint>
#include <map>
#include <vector>

namespace vorsan::sim {

// The 256 holding registers of a generation 4 station (or of a recorder entry).
using RegisterFile = std::array<std::uint16_t, 256>;

// Register numbers of a generation 4 station that the simulator itself looks at.
inline constexpr std::size_t kRegClock = 16;     // 16..19: clock, BCD
inline constexpr std::size_t kRegStatus = 63;    // status word, bit 0 = running
inline constexpr std::size_t kRegSettings = 176; // settings fill registers 176..255
inline constexpr std::size_t kRegPad = 238;      // 63rd setting
inline constexpr std::size_t kRegWell = 239;     // 64th setting
inline constexpr std::size_t kRegMotor = 240;
inline constexpr std::size_t kRegPump = 241;
inline constexpr std::size_t kRegAddress = 242; // 67th setting: station address (low byte)

struct Gen4Station {
    std::uint8_t address = 1;
    std::uint8_t replyAddress = 1; // normally equal to address; differs to model a misaddressed reply
    RegisterFile holding{};
    JournalImage journal{};
};

// Generation 3 value requests answered by the controller (16..29, 35, 48..56, 65).
using Gen3Values = std::map<std::uint8_t, std::uint16_t>;

struct Gen3Controller {
    std::uint16_t typeCode = 11; // value 54
    ParameterBlock settings{};   // little-endian values at their catalogue offsets
    JournalImage journal{};
    Gen3Values values;
    std::array<std::uint8_t, 7> clock{}; // BCD: second, minute, hour, weekday, day, month, year
};

// A chronology copied by the recorder: presented at address i like a generation 4 station.
struct RecorderEntry {
    ControllerGeneration copiedFrom = ControllerGeneration::Gen4;
    RegisterFile holding{}; // a generation 3 entry holds its settings block here, starting E1 EC
    JournalImage journal{}; // a generation 3 entry holds its journal reversed end for end
};

// 512-byte image of 256 registers, high byte first (block offset = 2 x register).
ParameterBlock blockFromRegisters(const RegisterFile& regs);
RegisterFile registersFromBlock(const ParameterBlock& block);

std::uint8_t toBcd(unsigned value);

// Content made from a seed: plausible values everywhere, a realistic journal.
Gen4Station makeGen4Station(std::uint8_t address, std::uint32_t seed);
Gen3Controller makeGen3Controller(std::uint16_t typeCode, std::uint32_t seed);
std::vector<RecorderEntry> makeRecorderEntries(int count, std::uint32_t seed);

// The generation 3 controller's additive checksum: sum of the bytes modulo 65536.
std::uint16_t additiveSum(const std::uint8_t* bytes, std::size_t count);

} // namespace vorsan::sim
