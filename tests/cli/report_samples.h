#pragma once
// Full journal files of both generations for the print and export tests, written by the core's
// encoder and file writer: every event, setting-change and measurement slot of the image used.
#include "journal/journal_encode.h"
#include "journal/journal_file.h"
#include "settings/catalogue.h"

#include <filesystem>
#include <string>

namespace report_samples {

using vorsan::ControllerGeneration;

// Record i of a full journal: every 10 minutes from 01.03.2024 00:00:00, in 32 blocks. Generation
// 4: blocks of 36 with 4 events (stop, start, stop, voltage on), 2 setting changes and 30
// measurements fill every slot (1152 records). Generation 3: blocks of 34 with 3 events and 31
// measurements fill every measurement slot (1088 records).
inline vorsan::Journal fullJournal(ControllerGeneration g) {
    const bool g4 = g == ControllerGeneration::Gen4;
    const int block = g4 ? 36 : 34;
    const int eventsPerBlock = g4 ? 4 : 3;
    vorsan::Journal j;
    for (int i = 0; i < 32 * block; ++i) {
        vorsan::JournalRecord r;
        const int minutes = i * 10;
        r.year = 2024;
        r.month = 3;
        r.day = static_cast<std::uint8_t>(1 + minutes / (24 * 60));
        r.hour = static_cast<std::uint8_t>(minutes / 60 % 24);
        r.minute = static_cast<std::uint8_t>(minutes % 60);
        r.second = static_cast<std::uint8_t>(i % 60);
        const int k = i % block;
        const std::uint8_t events[] = {3, 49, 8, vorsan::kCodeVoltageOn};
        if (k < eventsPerBlock) {
            r.SOBYTIE = events[k];
        } else if (g4 && k < eventsPerBlock + 2) {
            r.SOBYTIE = vorsan::kCodeSettingChange;
            r.NUM_UST = 34;
            r.OLD_ZN = static_cast<std::uint16_t>(120 + i % 10);
            r.NEW_ZN = static_cast<std::uint16_t>(130 + i % 10);
        } else {
            r.SOBYTIE = vorsan::kCodeMeasurement;
            r.UAB = static_cast<std::uint16_t>(370 + i % 30);
            r.UBC = 381;
            r.UCA = 379;
            r.IA = 10.0 + (i % 90) / 10.0;
            r.IB = 12.0;
            r.IC = 11.5;
            r.SOP = static_cast<std::uint16_t>(500 + i % 7);
            r.ZAGR = static_cast<std::uint16_t>(60 + i % 40);
            if (g4) {
                r.COS_ = 87;
                r.P = 10;
                r.T = static_cast<std::uint16_t>(40 + i % 20);
                r.EXT_ZAP = static_cast<std::uint8_t>(i % 8);
            }
        }
        j.records.push_back(r);
    }
    return j;
}

inline vorsan::SettingsCatalogue settingsOf(ControllerGeneration g, std::uint16_t pad, std::uint16_t well) {
    auto c = vorsan::buildCatalogue(g);
    const bool g4 = g == ControllerGeneration::Gen4;
    c.byNumber(21)->value = 380;
    c.byNumber(g4 ? vorsan::kGen4PadNumber : vorsan::kGen3PadNumber)->value = pad;
    c.byNumber(g4 ? vorsan::kGen4WellNumber : vorsan::kGen3WellNumber)->value = well;
    return c;
}

// Writes the full journal of `g` to `path`; returns the number of records that did not fit (0).
inline std::size_t writeFullJournal(const std::filesystem::path& path, ControllerGeneration g, std::uint16_t pad,
                                    std::uint16_t well) {
    vorsan::JournalImage blank;
    blank.fill(0xFF);
    const auto encoded = vorsan::encodeJournal(fullJournal(g), g, blank, {}, well, pad);
    vorsan::saveJournalFile(path, g, encoded.image, settingsOf(g, pad, well), vorsan::CurrentState{});
    return encoded.dropped;
}

} // namespace report_samples
