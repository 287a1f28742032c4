#pragma once
// Realistic event journals for the simulated controllers.
#include "common/types.h"

#include <cstdint>

namespace vorsan::sim {

// What a station's journal follows: its settings and its motor. The defaults are those of a
// typical installation.
struct JournalProfile {
    std::uint16_t ratedU = 380;               // nominal voltage setting, V: the voltage protections' base
    std::uint16_t nominalU = 380;             // what the line actually carries, V
    std::uint16_t motorI10 = 300;             // motor nominal current, tenths of an ampere
    std::uint16_t runLoadPercent = 82;        // load of the pump in normal work
    std::uint16_t underloadPercent = 70;      // underload setting
    std::uint16_t overloadPercent = 120;      // overload setting
    std::uint16_t lowVoltagePercent = 80;     // low voltage off, % of nominal
    std::uint16_t highVoltagePercent = 115;   // high voltage, % of nominal
    std::uint16_t currentImbalancePercent = 15;
    std::uint16_t voltageImbalancePercent = 10;
    std::uint16_t insulationKOhm = 30;        // low insulation resistance setting
    std::uint16_t periodMinutes = 15;         // measurement period
    std::uint16_t voltageRestartMinutes = 10; // restart delay after a voltage protection
    std::uint16_t overloadRestartMinutes = 30;
    std::uint16_t underloadRestartMinutes = 120;
    std::uint16_t imbalanceRestartMinutes = 30;
    std::uint16_t underloadSetting = 42;      // setting numbers that the setting changes touch
    std::uint16_t overloadSetting = 37;
};

struct GeneratedJournal {
    JournalImage image{};
    std::int64_t endSeconds = 0; // the last record's time, seconds since 2000-01-01 00:00:00
    bool running = true;         // the motor runs at the end of the journal
    std::uint8_t lastStop = 15;  // code of the last stop (15, operator, when there was none)
};

// A journal image of the given generation made from a seed: measurements every period drifting
// around the nominal voltage and the working current, stops whose measurements agree with the
// settings (an underload stop when the load fell below the underload setting, an overload stop
// above the overload setting, a low voltage stop below the low voltage setting, ...), restarts
// after the protection's delay or by hand, setting changes (generation 4), and several events in
// one second. Pad and well go into the generation 3 image (bytes 1020..1023); a generation 4
// image does not carry them.
GeneratedJournal generateJournal(ControllerGeneration generation, std::uint32_t seed, std::uint16_t pad,
                                 std::uint16_t well, const JournalProfile& profile);
// The same with the typical profile, image only.
JournalImage generateJournal(ControllerGeneration generation, std::uint32_t seed, std::uint16_t pad,
                             std::uint16_t well);

// Seconds since 2000-01-01 00:00:00 and back (the controllers count their years from 2000).
struct CivilTime {
    unsigned year = 2000, month = 1, day = 1, hour = 0, minute = 0, second = 0;
    unsigned weekday = 6; // 1 Monday ... 7 Sunday
};
std::int64_t secondsSince2000(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                              unsigned second);
CivilTime civilTime(std::int64_t secondsSince2000);

} // namespace vorsan::sim
