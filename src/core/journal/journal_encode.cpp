#include "journal/journal_encode.h"

#include "journal/image_bytes.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace vorsan {
namespace {

using image::putLe16;
using image::toBcd;

struct Area {
    std::size_t next; // byte offset of the next free slot
    std::size_t end;  // first byte after the area
    std::size_t slot; // slot size
    // Offset of a free slot, or nothing when the area is full.
    std::optional<std::size_t> take() {
        if (next + slot > end) return std::nullopt;
        const std::size_t at = next;
        next += slot;
        return at;
    }
};

std::uint8_t yearByte(const JournalRecord& r) {
    return toBcd(r.year >= 2000 ? r.year - 2000u : 0u);
}

// Currents are stored as whole multiples of 1/factor ampere, 16 bits wide.
std::uint16_t scaledCurrent(double amperes, int factor) {
    const double v = std::round(amperes * factor);
    return static_cast<std::uint16_t>(std::clamp(v, 0.0, 65535.0));
}

void putDateG4(std::uint8_t* s, const JournalRecord& r) {
    s[0] = toBcd(r.second);
    s[1] = toBcd(r.minute);
    s[2] = toBcd(r.hour);
    s[3] = toBcd(r.day);
    s[4] = toBcd(r.month);
    s[5] = yearByte(r);
}

void putEventG4(std::span<std::uint8_t> s, const JournalRecord& r) {
    putDateG4(s.data(), r);
    s[6] = r.SOBYTIE;
    s[7] = 0xFF;
}

void putSettingChangeG4(std::span<std::uint8_t> s, const JournalRecord& r) {
    putDateG4(s.data(), r);
    putLe16(s, 6, r.NUM_UST);
    putLe16(s, 8, r.OLD_ZN);
    putLe16(s, 10, r.NEW_ZN);
    putLe16(s, 12, 0xFFFF);
    putLe16(s, 14, 0xFFFF);
}

void putMeasurementG4(std::span<std::uint8_t> s, const JournalRecord& r) {
    putDateG4(s.data(), r);
    putLe16(s, 6, r.UAB);
    putLe16(s, 8, r.UBC);
    putLe16(s, 10, r.UCA);
    putLe16(s, 12, scaledCurrent(r.IA, 10));
    putLe16(s, 14, scaledCurrent(r.IB, 10));
    putLe16(s, 16, scaledCurrent(r.IC, 10));
    putLe16(s, 18, r.SOP);
    putLe16(s, 20, r.ZAGR);
    putLe16(s, 22, r.P);
    putLe16(s, 24, r.T);
    s[29] = static_cast<std::uint8_t>(r.COS_ & 0xFF);
    s[30] = r.EXT_ZAP;
    s[31] = 0x55;
}

void putEventG3(std::span<std::uint8_t> s, const JournalRecord& r) {
    s[0] = toBcd(r.second);
    s[1] = toBcd(r.minute);
    s[2] = toBcd(r.hour);
    s[3] = 0;
    s[4] = toBcd(r.day);
    s[5] = toBcd(r.month);
    s[6] = yearByte(r);
    s[7] = r.SOBYTIE;
}

void putMeasurementG3(std::span<std::uint8_t> s, const JournalRecord& r, int factor) {
    s[0] = toBcd(r.minute);
    s[1] = toBcd(r.hour);
    s[2] = toBcd(r.day);
    s[3] = toBcd(r.month);
    s[4] = yearByte(r);
    putLe16(s, 5, r.ZAGR);
    putLe16(s, 7, scaledCurrent(r.IC, factor));
    putLe16(s, 9, scaledCurrent(r.IB, factor));
    putLe16(s, 11, scaledCurrent(r.IA, factor));
    putLe16(s, 13, r.UCA);
    putLe16(s, 15, r.UBC);
    putLe16(s, 17, r.UAB);
    s[19] = toBcd(r.second);
    putLe16(s, 25, r.SOP);
    s[27] = factor == 1 ? 0x08 : 0x00;
    s[31] = 0xCD;
}

// A setting-change slot is read back only with a number from 21 to 97; a record with code 250 and
// another number came from the short-event area and goes back there, so it is not lost.
bool isSettingNumber(std::uint16_t n) {
    return n >= 21 && n <= 97;
}

bool whole(double v) {
    return v == std::floor(v);
}

// Generation 3 current factor: the flag of the first measurement slot of the old image that is
// not in use (1: whole amperes when bit 3 is set and the byte is not 0xFF, else 10). With every
// slot in use, tenths. Whole amperes would round away the tenths of any record decoded in tenths,
// so such a journal is written in tenths whatever the old image says; the flag byte records it.
int currentFactorG3(const Journal& journal, const JournalImage& current) {
    int factor = 10;
    for (std::size_t at = 1024; at + 32 <= current.size(); at += 32) {
        if (current[at + 31] == 0xCD) continue;
        const std::uint8_t flags = current[at + 27];
        factor = ((flags & 0x08) != 0 && flags != 0xFF) ? 1 : 10;
        break;
    }
    if (factor == 1) {
        for (const auto& r : journal.records)
            if (r.SOBYTIE == kCodeMeasurement && !(whole(r.IA) && whole(r.IB) && whole(r.IC))) return 10;
    }
    return factor;
}

// The journal as the rows show it: building the rows sets a missing power factor (generation 4,
// 255) or load (generation 3, 255) of a measurement to 0 for graphs and exports.
JournalRecord asShown(JournalRecord r, ControllerGeneration generation) {
    if (r.SOBYTIE != kCodeMeasurement) return r;
    if (generation == ControllerGeneration::Gen4 && r.COS_ == kNoPowerFactor) r.COS_ = 0;
    if (generation == ControllerGeneration::Gen3 && r.ZAGR == 255) r.ZAGR = 0;
    return r;
}

// The journal to re-encode after a deletion: the image's own records when `shown` is that image's
// journal with the display zeros, so that a missing value stays missing instead of becoming a real
// 0; otherwise `shown` as it is.
Journal journalToKeep(const Journal& shown, ControllerGeneration generation, const JournalImage& current) {
    Journal stored = decodeJournal(current, generation).journal;
    if (stored.count() != shown.count()) return shown;
    for (std::size_t i = 0; i < stored.count(); ++i) {
        const JournalRecord& s = stored.records[i];
        if (!(s == shown.records[i]) && !(asShown(s, generation) == shown.records[i])) return shown;
    }
    return stored;
}

} // namespace

EncodedJournal encodeJournal(const Journal& journal, ControllerGeneration generation,
                             const JournalImage& current, RecordRange skip, std::uint16_t wellNumber,
                             std::uint16_t padNumber) {
    const bool g4 = generation == ControllerGeneration::Gen4;
    const int factor = g4 ? 10 : currentFactorG3(journal, current);
    EncodedJournal out;
    std::span<std::uint8_t> img(out.image);
    out.image.fill(0xFF);
    // In generation 4 these bytes belong to the last short-event slot; an event there wins.
    putLe16(img, 1020, wellNumber);
    putLe16(img, 1022, padNumber);
    Area events = g4 ? Area{0, 1024, 8} : Area{0, 1008, 8};
    Area changes{1024, 2048, 16};
    Area measures = g4 ? Area{2048, kJournalImageSize, 32} : Area{1024, 1024 + 992 * 32, 32};
    for (std::size_t i = 0; i < journal.records.size(); ++i) {
        if (skip.contains(i + 1)) continue;
        const JournalRecord& r = journal.records[i];
        if (r.SOBYTIE == kCodeMeasurement) {
            const auto at = measures.take();
            if (!at) {
                ++out.dropped;
            } else if (g4) {
                putMeasurementG4(img.subspan(*at, 32), r);
            } else {
                putMeasurementG3(img.subspan(*at, 32), r, factor);
            }
        } else if (r.SOBYTIE == kCodeSettingChange && g4 && isSettingNumber(r.NUM_UST)) {
            const auto at = changes.take();
            if (at)
                putSettingChangeG4(img.subspan(*at, 16), r);
            else
                ++out.dropped;
        } else {
            const auto at = events.take();
            if (!at)
                ++out.dropped;
            else if (g4)
                putEventG4(img.subspan(*at, 8), r);
            else
                putEventG3(img.subspan(*at, 8), r);
        }
    }
    return out;
}

JournalAfterDeletion deleteJournalRecords(const Journal& journal, ControllerGeneration generation,
                                          const JournalImage& current, RecordRange skip,
                                          std::uint16_t wellNumber, std::uint16_t padNumber) {
    JournalAfterDeletion out;
    const Journal kept = journalToKeep(journal, generation, current);
    const EncodedJournal encoded = encodeJournal(kept, generation, current, skip, wellNumber, padNumber);
    out.image = encoded.image;
    out.dropped = encoded.dropped;
    out.decoded = decodeJournal(out.image, generation);
    return out;
}

} // namespace vorsan
