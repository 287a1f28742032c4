#pragma once
// Journals, settings and states for the page tests and the open-and-show timing: built with the
// journal core and written as the program's own files.
#include "journal/current_state.h"
#include "journal/journal_encode.h"
#include "journal/journal_file.h"
#include "journal/journal_record.h"
#include "settings/catalogue.h"

#include <QFile>
#include <QString>

#include <vector>

namespace samples {

using vorsan::ControllerGeneration;

inline vorsan::JournalRecord at(int day, int hour, int minute, int second, std::uint8_t code) {
    vorsan::JournalRecord r;
    r.year = 2024;
    r.month = 3;
    r.day = static_cast<std::uint8_t>(day);
    r.hour = static_cast<std::uint8_t>(hour);
    r.minute = static_cast<std::uint8_t>(minute);
    r.second = static_cast<std::uint8_t>(second);
    r.SOBYTIE = code;
    return r;
}

inline vorsan::JournalRecord measurement(int day, int hour, int minute, int second, ControllerGeneration g) {
    auto r = at(day, hour, minute, second, vorsan::kCodeMeasurement);
    r.UAB = 380;
    r.UBC = 381;
    r.UCA = 379;
    r.IA = 12.3;
    r.IB = 12.0;
    r.IC = 11.8;
    r.SOP = 500;
    r.ZAGR = 75;
    if (g == ControllerGeneration::Gen4) {
        r.COS_ = 87;
        r.P = 10;
        r.T = 50;
    } else {
        r.IA = 12;
        r.IB = 12;
        r.IC = 11;
    }
    return r;
}

// Generation 4, in time order: 1 measurement, 2 stop "недогрузка" (red), 3 automatic start
// (green), 4 change of setting 34 from 125 to 130, 5 measurement with cause 4 and no power factor.
inline vorsan::Journal smallGen4() {
    vorsan::Journal j;
    j.records.push_back(measurement(5, 10, 0, 0, ControllerGeneration::Gen4));
    j.records.push_back(at(5, 10, 0, 5, 3));
    j.records.push_back(at(5, 10, 30, 0, 49));
    auto change = at(5, 11, 0, 0, vorsan::kCodeSettingChange);
    change.NUM_UST = 34;
    change.OLD_ZN = 125;
    change.NEW_ZN = 130;
    j.records.push_back(change);
    auto m = measurement(5, 12, 0, 0, ControllerGeneration::Gen4);
    m.EXT_ZAP = 4;
    m.COS_ = vorsan::kNoPowerFactor;
    j.records.push_back(m);
    return j;
}

// Generation 3: a measurement, stop code 14 ("Стоп : "), a manual start.
inline vorsan::Journal smallGen3() {
    vorsan::Journal j;
    j.records.push_back(measurement(5, 10, 0, 0, ControllerGeneration::Gen3));
    j.records.push_back(at(5, 10, 0, 5, 14));
    j.records.push_back(at(5, 10, 30, 0, 48));
    return j;
}

// The fullest journal an image holds. Generation 4: 128 events, 64 setting changes and 960
// measurements (1152 records); generation 3: 126 events and 992 measurements (1118).
inline vorsan::Journal fullJournal(ControllerGeneration g) {
    const bool g4 = g == ControllerGeneration::Gen4;
    vorsan::Journal j;
    const int measurements = g4 ? 960 : 992;
    for (int i = 0; i < measurements; ++i)
        j.records.push_back(measurement(1 + i / 96, (i / 4) % 24, (i % 4) * 15, 0, g));
    const int events = g4 ? 128 : 126;
    for (int i = 0; i < events; ++i)
        j.records.push_back(at(1 + i / 12, i % 12 * 2, 7, 0, i % 2 ? 49 : 3));
    for (int i = 0; g4 && i < 64; ++i) {
        auto c = at(1 + i / 6, 1 + i % 6 * 3, 8, 0, vorsan::kCodeSettingChange);
        c.NUM_UST = 34;
        c.OLD_ZN = 125;
        c.NEW_ZN = 130;
        j.records.push_back(c);
    }
    return j;
}

inline vorsan::JournalImage imageOf(const vorsan::Journal& j, ControllerGeneration g, std::uint16_t pad = 12,
                                    std::uint16_t well = 345) {
    vorsan::JournalImage empty;
    empty.fill(0xFF);
    return vorsan::encodeJournal(j, g, empty, {}, well, pad).image;
}

// The catalogue of a generation with pad 12, well 345, the motor current (34, generation 4) 12,5 А
// and every other value left unknown.
inline vorsan::SettingsCatalogue settingsOf(ControllerGeneration g) {
    auto c = vorsan::buildCatalogue(g);
    const bool g4 = g == ControllerGeneration::Gen4;
    c.byNumber(g4 ? vorsan::kGen4PadNumber : vorsan::kGen3PadNumber)->value = 12;
    c.byNumber(g4 ? vorsan::kGen4WellNumber : vorsan::kGen3WellNumber)->value = 345;
    if (g4) {
        c.byNumber(34)->value = 125;
        c.byNumber(22)->value = 1;
        c.byNumber(21)->value = 380;
    }
    return c;
}

inline vorsan::CurrentState runningState() {
    vorsan::CurrentState s;
    s.status = 0x0001;
    s.UAB = 380;
    s.UBC = 381;
    s.UCA = 379;
    s.IA = 123;
    s.IB = 120;
    s.IC = 118;
    s.powerFactor = 87;
    s.day = 5;
    s.month = 3;
    s.year = 24;
    s.hour = 14;
    s.minute = 7;
    s.second = 9;
    return s;
}

inline bool writeFile(const QString& path, const std::vector<std::uint8_t>& bytes) {
    QFile f(path);
    return f.open(QIODevice::WriteOnly) &&
           f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())) ==
               static_cast<qint64>(bytes.size());
}

inline bool writeJournalFile(const QString& path, const vorsan::Journal& j, ControllerGeneration g,
                             const vorsan::CurrentState& state) {
    return writeFile(path, vorsan::journalFileBytes(g, imageOf(j, g), settingsOf(g), state));
}

} // namespace samples
