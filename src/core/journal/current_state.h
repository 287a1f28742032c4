#pragma once
// The controller's current state: 32 16-bit words, how they are filled from either generation's
// replies and from a file's parameter block, and the texts the current-state page shows.
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "common/types.h"

namespace vorsan {

// The 32 words in their fixed order (64 bytes).
struct CurrentState {
    std::uint16_t status = 0; // bit 0 running; bits 6-10 stop cause; bit 1 blocked ...
    std::uint16_t UAB = 0;    // line voltages, V
    std::uint16_t UBC = 0;
    std::uint16_t UCA = 0;
    std::uint16_t voltageImbalance = 0; // %
    std::uint16_t IA = 0;               // phase currents, tenths of an ampere
    std::uint16_t IB = 0;
    std::uint16_t IC = 0;
    std::uint16_t currentImbalance = 0; // %
    std::uint16_t SOP = 0;              // insulation resistance, kOhm
    std::uint16_t powerFactor = 0;      // hundredths (100 = 1.00)
    std::uint16_t ZAGR = 0;             // load, %
    std::uint16_t P = 0;                // pressure, atm
    std::uint16_t T = 0;                // temperature, degrees Celsius
    std::uint16_t second = 0;           // controller clock
    std::uint16_t minute = 0;
    std::uint16_t hour = 0;
    std::uint16_t day = 0;
    std::uint16_t month = 0;
    std::uint16_t year = 0;             // years since 2000
    std::uint16_t param51 = 0;          // generation 3 parameter 51, kept, not shown
    std::uint16_t starts = 0;           // total number of starts
    std::uint16_t turbineFrequency = 0; // Hz
    std::uint16_t phaseOrder = 0;       // 0: CBA, anything else: ABC
    std::uint16_t restartsUnderload = 0;
    std::uint16_t restartsOverload = 0;
    std::uint16_t restartsOther = 0;
    std::uint16_t runHours = 0; // total run time
    std::uint16_t runMinutes = 0;
    std::uint16_t param54 = 0;             // generation 3 parameter 54, kept, not shown
    std::uint16_t padNumber = kUnknown16;  // KUST, 0xFFFF = unknown
    std::uint16_t wellNumber = kUnknown16; // SKV, 0xFFFF = unknown

    bool operator==(const CurrentState&) const = default;
};

inline constexpr std::size_t kCurrentStateWords = 32;

// The words in record order and back (word 0 = status ... word 31 = wellNumber).
std::array<std::uint16_t, kCurrentStateWords> toWords(const CurrentState& state);
CurrentState fromWords(const std::array<std::uint16_t, kCurrentStateWords>& words);

// The window's state at start-up: every word 0 (pad and well included).
CurrentState zeroState();

// A state before a poll fills it: every word 0, pad and well 0xFFFF.
CurrentState unreadState();

// ---- generation 4: controller registers ---------------------------------------------------
// Register map: 16 minute/second BCD (high/low), 17 hour BCD (low), 18 month/day BCD, 19 year BCD
// (low), 24 starts, 25 runHours, 26 runMinutes, 27 restartsOther, 28 restartsUnderload,
// 29 restartsOverload, 63 status, 64-66 UAB UBC UCA, 67 voltageImbalance, 68-70 IA IB IC,
// 71 currentImbalance, 72 SOP, 73 powerFactor, 74 ZAGR, 75 P, 76 T, 77 turbineFrequency,
// 78 phaseOrder, 238 padNumber, 239 wellNumber.

// Fills the words fed by registers firstRegister ... firstRegister + values.size() - 1; words of
// other registers stay. Usable for each live poll range (63-78, 16-31, 238-239) in turn.
void applyStateRegisters(CurrentState& state, std::uint16_t firstRegister,
                         std::span<const std::uint16_t> values);

// The same from reply bytes, each register two bytes high byte first; an odd last byte is ignored.
void applyStateRegisterBytes(CurrentState& state, std::uint16_t firstRegister,
                             std::span<const std::uint8_t> bytes);

// The state held in a generation 4 layout parameter block (register n at bytes 2n, 2n+1, high byte
// first): registers 16-29 and 63-78. Pad and well are not in the block (0xFFFF); param51 and
// param54 are 0. Used for the controller's settings block and for journal and settings files of
// both generations.
CurrentState decodeParameterBlockState(const ParameterBlock& block);

// Writes a state into a parameter block: the clock as BCD at bytes 32-39 (minute, second, second,
// hour, month, day, day, year), bytes 48-59 starts, runHours, runMinutes, restartsOther,
// restartsUnderload, restartsOverload, bytes 126-157 status ... phaseOrder; every word high byte
// first. No other byte changes; pad and well are not written.
void encodeParameterBlockState(const CurrentState& state, ParameterBlock& block);

// True when the block held no state: the three voltages are all 0xFFFF (the page then shows
// empty values instead of the decoded ones).
bool stateIsEmpty(const CurrentState& state);

// ---- generation 3: values read one by one -----------------------------------------------
// The parameter numbers the generation 3 poll reads, in reading order (value = low byte + 256 ×
// high byte): 16 status, 17-19 UAB UBC UCA, 20 voltageImbalance, 21-23 IA IB IC, 24
// currentImbalance, 25 SOP, 26 powerFactor, 27 ZAGR, 28 P, 29 T, 51 param51, 52 starts,
// 53 turbineFrequency, 35 phaseOrder, 48 (high byte restartsUnderload, low byte restartsOther),
// 49 runHours, 50 runMinutes, 54 param54, 55 padNumber, 56 wellNumber, 65 restartsOverload.
inline constexpr std::array<std::uint8_t, 25> kGen3StateParameters = {
    16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 51, 52, 53, 35, 48, 49, 50, 54, 55, 56, 65};

// Puts one generation 3 value into its word(s); a parameter number not in the list changes nothing.
void applyGen3StateValue(CurrentState& state, std::uint8_t parameter, std::uint16_t value);

// Puts the seven clock bytes (BCD second, minute, hour, day of week (ignored), day, month, year).
void applyGen3Clock(CurrentState& state, std::span<const std::uint8_t, 7> clock);

// ---- texts of the page "Текущее состояние" -----------------------------------------------
inline constexpr std::size_t kCurrentStateRows = 26; // row 0 is the grid's top row

// Row label of column 1 (rows 1-25; "" for 0, 22 and beyond) and row number of column 0 ("00" ...
// "19" in rows 2-21, "" elsewhere).
std::string currentStateLabel(std::size_t row);
std::string currentStateRowNumber(std::size_t row);

// BCD byte as a number: ten times the high nibble plus the low nibble.
std::uint16_t fromBcd(std::uint8_t b);
// Number as a BCD byte: tens in the high nibble, units in the low nibble (of value mod 100).
std::uint8_t toBcd(std::uint16_t value);

// Stop text of a stop cause 0-31 ("Стоп, высокое напряжение" ...); "" for unnamed causes.
std::string stopCauseText(unsigned cause);
// Stop text of a status word ("" while running).
std::string stopText(std::uint16_t status);
// Row 2: "Работа" while running; otherwise "БЛОК" + switch suffix or "АПВ" + reason suffix.
std::string modeText(std::uint16_t status);
// Caption of the remote start/stop button: "Стоп" while running, else "Пуск".
std::string startStopCaption(std::uint16_t status);
// Power factor: 10-99 "0,87", below 10 "0,05", 100 "1,00", above 100 "- - , - -"; always with a
// comma, whatever the user's decimal separator (unlike the currents).
std::string powerFactorText(std::uint16_t hundredths);
// "05.03.2003    14:07:09" (four blanks).
std::string dateTimeText(const CurrentState& state);
// "1234 ч.5 мин."
std::string runTimeText(std::uint16_t hours, std::uint16_t minutes);
// "CBA" for 0, "ABC" otherwise.
std::string phaseOrderText(std::uint16_t phaseOrder);
// A current in tenths of an ampere with one decimal, at most four significant digits and digit
// grouping: 123 -> "12,3"; 12345 -> "1 235,0" with `group` between the thousands.
std::string currentText(std::uint16_t tenths, char separator, std::string_view group = "\u00A0");

// Column 2 of the grid, rows 1-25 as the page shows them (index = row; index 0 unused, "").
std::array<std::string, kCurrentStateRows> currentStateColumn(const CurrentState& state, char separator);

} // namespace vorsan
