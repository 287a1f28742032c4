#pragma once
// One decoded record of a controller's event journal, and the journal itself.
// Field names are those of the database columns of a well table.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vorsan {

// Event codes with a meaning of their own beyond the stop/start lists.
inline constexpr std::uint8_t kCodeMeasurement = 255;   // periodic or triggered measurement block
inline constexpr std::uint8_t kCodeSettingChange = 250; // generation 4 setting-change record
inline constexpr std::uint8_t kCodeVoltageOff = 140; // "Отключение напряжения" (a stop event)
inline constexpr std::uint8_t kCodeVoltageOn = 76; // "Включение напряжения" (a start event)

// COS_ as stored when the controller had no power factor to record.
inline constexpr std::uint16_t kNoPowerFactor = 255;

// Most records one image can hold: 128 events + 64 setting changes + 992 measurement blocks.
inline constexpr std::size_t kMaxJournalRecords = 1184;

struct JournalRecord {
    std::uint16_t year = 0; // 2000 + BCD year byte
    std::uint8_t month = 0;
    std::uint8_t day = 0;
    std::uint8_t hour = 0;
    std::uint8_t minute = 0;
    std::uint8_t second = 0;
    double IC = 0; // phase currents, amperes
    double IB = 0;
    double IA = 0;
    std::uint16_t UCA = 0; // line voltages, volts
    std::uint16_t UBC = 0;
    std::uint16_t UAB = 0;
    std::uint16_t SOP = 0;     // insulation resistance, kOhm; 0xFFFF: no value
    std::uint16_t ZAGR = 0;    // load, percent
    std::uint16_t COS_ = 0;    // power factor as stored; 255: no value
    std::uint8_t SOBYTIE = 0;  // event code: 255 measurement, 250 setting change, else a short event
    std::uint8_t EXT_ZAP = 0;  // cause of a measurement (1..7), 0 when none
    std::uint16_t NUM_UST = 0; // setting number of a setting change (21..97)
    std::uint16_t OLD_ZN = 0;  // raw old value
    std::uint16_t NEW_ZN = 0;  // raw new value
    std::uint16_t P = 0;       // pressure, atm
    std::uint16_t T = 0;       // temperature, degrees Celsius

    bool operator==(const JournalRecord&) const = default;
};

// The records of one image in time order. Decoding never yields more than kMaxJournalRecords.
struct Journal {
    std::vector<JournalRecord> records;

    std::size_t count() const { return records.size(); }
    bool operator==(const Journal&) const = default;
};

// Stop events: 0..16, 31 and 140 (voltage switched off).
constexpr bool isStopEvent(std::uint8_t code) {
    return code <= 16 || code == 31 || code == kCodeVoltageOff;
}

// Start events: 46 remote, 48 manual, 49 automatic, 76 voltage switched on.
constexpr bool isStartEvent(std::uint8_t code) {
    return code == 46 || code == 48 || code == 49 || code == kCodeVoltageOn;
}

// Measurements, setting changes and unknown codes belong to neither class.
constexpr bool isUnclassedEvent(std::uint8_t code) {
    return !isStopEvent(code) && !isStartEvent(code);
}

} // namespace vorsan
