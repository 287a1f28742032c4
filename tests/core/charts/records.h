#pragma once
// Journal records written the way the tests read them: an event code and a time of day.
#include "journal/journal_record.h"

#include <cstdint>
#include <vector>

namespace vorsan::testing {

inline constexpr std::uint8_t M = kCodeMeasurement;

// A record of 5 March 2024 at hh:mm:ss; measurements carry 400 V on every phase.
inline JournalRecord at(std::uint8_t code, int hh, int mm = 0, int ss = 0) {
    JournalRecord r;
    r.year = 2024;
    r.month = 3;
    r.day = 5;
    r.hour = static_cast<std::uint8_t>(hh);
    r.minute = static_cast<std::uint8_t>(mm);
    r.second = static_cast<std::uint8_t>(ss);
    r.SOBYTIE = code;
    if (code == M) r.UAB = r.UBC = r.UCA = 400;
    return r;
}

// Records one minute apart from 10:00, one per code.
inline std::vector<JournalRecord> minutes(std::initializer_list<std::uint8_t> codes) {
    std::vector<JournalRecord> out;
    int i = 0;
    for (auto c : codes) {
        out.push_back(at(c, 10, i));
        ++i;
    }
    return out;
}

} // namespace vorsan::testing
