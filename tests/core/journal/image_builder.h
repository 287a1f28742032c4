#pragma once
// Writes slots into a journal image the way a controller lays them out, for the tests.
#include "common/types.h"
#include "journal/journal_record.h"

#include <cstdint>
#include <initializer_list>

namespace vorsan::testing {

inline JournalImage emptyImage() {
    JournalImage img;
    img.fill(0xFF);
    return img;
}

inline std::uint8_t bcd(unsigned v) {
    return static_cast<std::uint8_t>(((v / 10) << 4) | (v % 10));
}

inline void put16(JournalImage& img, std::size_t at, std::uint16_t v) {
    img[at] = static_cast<std::uint8_t>(v & 0xFF);
    img[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

struct When {
    unsigned day = 5, month = 3, year = 24, hour = 14, minute = 7, second = 9;
};

inline void putDateG4(JournalImage& img, std::size_t at, When w) {
    img[at] = bcd(w.second);
    img[at + 1] = bcd(w.minute);
    img[at + 2] = bcd(w.hour);
    img[at + 3] = bcd(w.day);
    img[at + 4] = bcd(w.month);
    img[at + 5] = bcd(w.year);
}

inline void eventG4(JournalImage& img, std::size_t slot, When w, std::uint8_t code) {
    putDateG4(img, slot * 8, w);
    img[slot * 8 + 6] = code;
}

inline void changeG4(JournalImage& img, std::size_t slot, When w, std::uint16_t number, std::uint16_t oldV,
                     std::uint16_t newV) {
    const std::size_t at = 1024 + slot * 16;
    putDateG4(img, at, w);
    put16(img, at + 6, number);
    put16(img, at + 8, oldV);
    put16(img, at + 10, newV);
}

struct G4Measure {
    std::uint16_t uab = 400, ubc = 401, uca = 402, ia10 = 125, ib10 = 126, ic10 = 127, sop = 2000, zagr = 55,
                  p = 12, t = 80;
    std::uint8_t cos = 87, cause = 0, marker = 0x55;
};

inline void measureG4(JournalImage& img, std::size_t slot, When w, G4Measure m = {}) {
    const std::size_t at = 2048 + slot * 32;
    putDateG4(img, at, w);
    put16(img, at + 6, m.uab);
    put16(img, at + 8, m.ubc);
    put16(img, at + 10, m.uca);
    put16(img, at + 12, m.ia10);
    put16(img, at + 14, m.ib10);
    put16(img, at + 16, m.ic10);
    put16(img, at + 18, m.sop);
    put16(img, at + 20, m.zagr);
    put16(img, at + 22, m.p);
    put16(img, at + 24, m.t);
    img[at + 29] = m.cos;
    img[at + 30] = m.cause;
    img[at + 31] = m.marker;
}

inline void eventG3(JournalImage& img, std::size_t slot, When w, std::uint8_t code) {
    const std::size_t at = slot * 8;
    img[at] = bcd(w.second);
    img[at + 1] = bcd(w.minute);
    img[at + 2] = bcd(w.hour);
    img[at + 3] = 0;
    img[at + 4] = bcd(w.day);
    img[at + 5] = bcd(w.month);
    img[at + 6] = bcd(w.year);
    img[at + 7] = code;
}

struct G3Measure {
    std::uint16_t uab = 390, ubc = 391, uca = 392, ia = 125, ib = 126, ic = 127, sop = 1500;
    std::uint8_t zagr = 60, flags = 0x00, marker = 0xCD;
};

inline void measureG3(JournalImage& img, std::size_t slot, When w, G3Measure m = {}) {
    const std::size_t at = 1024 + slot * 32;
    img[at] = bcd(w.minute);
    img[at + 1] = bcd(w.hour);
    img[at + 2] = bcd(w.day);
    img[at + 3] = bcd(w.month);
    img[at + 4] = bcd(w.year);
    img[at + 5] = m.zagr;
    put16(img, at + 7, m.ic);
    put16(img, at + 9, m.ib);
    put16(img, at + 11, m.ia);
    put16(img, at + 13, m.uca);
    put16(img, at + 15, m.ubc);
    put16(img, at + 17, m.uab);
    img[at + 19] = bcd(w.second);
    put16(img, at + 25, m.sop);
    img[at + 27] = m.flags;
    img[at + 31] = m.marker;
}

// A record of the given code and time, the rest zero, for ordering tests.
inline JournalRecord rec(std::uint8_t code, unsigned minute, unsigned second, std::uint8_t cause = 0) {
    JournalRecord r;
    r.year = 2024;
    r.month = 3;
    r.day = 5;
    r.hour = 14;
    r.minute = static_cast<std::uint8_t>(minute);
    r.second = static_cast<std::uint8_t>(second);
    r.SOBYTIE = code;
    r.EXT_ZAP = cause;
    return r;
}

} // namespace vorsan::testing
