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

// The live quantities of a controller, in the units of its registers (voltages in volts, currents
// in tenths of an ampere, power factor in hundredths).
struct LiveState {
    std::uint16_t status = 0, u[3]{}, uImb = 0, i[3]{}, iImb = 0, sop = 0, pf = 0, zagr = 0, p = 0, t = 0;
    std::uint16_t turbine = 0, phaseOrder = 1;
    std::uint16_t starts = 0, runHours = 0, runMinutes = 0, rOther = 0, rUnder = 0, rOver = 0;
};

// What a station's live values follow: its settings, its motor and the time. The values drift a
// little after every poll, the clock runs with the simulator's time, and the motor runs or stands
// as the start and stop commands say.
struct Plant {
    std::uint16_t nominalU = 380;      // line voltage, V
    std::uint16_t motorI10 = 300;      // motor nominal current, tenths of an ampere
    std::uint16_t runLoadPercent = 82; // load in normal work
    std::uint16_t insulationKOhm = 30; // the insulation setting (the resistance stays well above)
    std::int64_t clockAtStart = 0;     // the station clock when the simulator started, s since 2000
    std::int64_t nowSeconds = 0;       // simulator time of the last update
    std::int64_t runSeconds = 0;       // run time counter beyond whole minutes
    std::uint32_t seed = 0;            // drift of step n comes from seed + n
    std::uint32_t steps = 0;
    int driftU = 0, driftLoad = 0, sop = 5000;
    int phaseU[3]{}, phaseI[3]{}; // lasting differences between the phases (V, tenths of an A)
    LiveState live;
};

struct Gen4Station {
    std::uint8_t address = 1;
    std::uint8_t replyAddress = 1; // normally equal to address; differs to model a misaddressed reply
    unsigned replyDelayMs = 0;     // answers this much later than the line's turnaround
    unsigned stopCycleS = 0;       // runs this long, stops on underload as long, and again (0: never)
    unsigned silenceCycleS = 0;    // answers this long, then is silent as long, and again (0: never)
    bool silent = false;           // answers nothing (a station switched off or cut from the line)
    RegisterFile holding{};
    JournalImage journal{};
    Plant plant;
};

// Generation 3 value requests answered by the controller (16..29, 35, 48..56, 65).
using Gen3Values = std::map<std::uint8_t, std::uint16_t>;

struct Gen3Controller {
    std::uint16_t typeCode = 11; // value 54
    ParameterBlock settings{};   // little-endian values at their catalogue offsets
    JournalImage journal{};
    Gen3Values values;
    std::array<std::uint8_t, 7> clock{}; // BCD: second, minute, hour, weekday, day, month, year
    Plant plant;
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

// Content made from a seed: the settings of a typical installation (a 380 V station feeding the
// motor through a supply transformer of about 1000 V or with a current transformer; motor and
// pump numbers "none" on some stations), live values that agree with them, and a journal whose
// stops agree with the settings and whose end is the state the station is in.
Gen4Station makeGen4Station(std::uint8_t address, std::uint32_t seed);
Gen3Controller makeGen3Controller(std::uint16_t typeCode, std::uint32_t seed);
std::vector<RecorderEntry> makeRecorderEntries(int count, std::uint32_t seed);

// Brings the live values up to the simulator time `nowSeconds`: the clock and the run time move
// on, the quantities drift one step.
void updateLive(Gen4Station& station, std::int64_t nowSeconds);
void updateLive(Gen3Controller& controller, std::int64_t nowSeconds);
// A start or stop command: the motor runs (currents, load and power factor come up, one start
// more) or stands (the last stop cause becomes the remote or the operator stop).
void startStop(Gen4Station& station, bool start);
void startStop(Gen3Controller& controller, bool start);
// The motor stops on its own with the stop cause given (3: underload), as a protection trips it.
void trip(Gen4Station& station, std::uint8_t cause);
// The plant takes the live registers as they are now (a journal file's state was put there):
// status, counters and the levels that the drift then wanders around.
void adoptRegisters(Gen4Station& station);

// The generation 3 controller's additive checksum: sum of the bytes modulo 65536.
std::uint16_t additiveSum(const std::uint8_t* bytes, std::size_t count);

} // namespace vorsan::sim
