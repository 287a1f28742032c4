#include "journal/journal_decode.h"

#include "journal/image_bytes.h"
#include "journal/journal_order.h"

#include <algorithm>

namespace vorsan {
namespace {

using image::fromBcd;
using image::le16;
using Bytes = std::span<const std::uint8_t>;

// Generation 4: 128 short events of 8 bytes, 64 setting changes of 16 bytes from 1024, measurement
// blocks of 32 bytes from 2048 to the end of the image.
constexpr std::size_t kG4EventSlots = 128;
constexpr std::size_t kG4ChangeStart = 1024;
constexpr std::size_t kG4ChangeSlots = 64;
constexpr std::size_t kG4MeasureStart = 2048;
// Generation 3: 126 short events, then well (1020) and pad (1022), measurement blocks from 1024.
constexpr std::size_t kG3EventSlots = 126;
constexpr std::size_t kG3WellAt = 1020;
constexpr std::size_t kG3PadAt = 1022;
constexpr std::size_t kG3MeasureStart = 1024;
constexpr std::size_t kG3MeasureSlots = 992;

constexpr std::uint16_t kLowestSettingNumber = 21;
constexpr std::uint16_t kHighestSettingNumber = 97;

bool validDateTime(const JournalRecord& r) {
    return r.year <= 2100 && r.month >= 1 && r.month <= 12 && r.day >= 1 && r.day <= 31 && r.hour <= 23 &&
           r.minute <= 59 && r.second <= 59;
}

// Blocks whose three voltages are all exactly 380 are the controller's test pattern, not data.
bool passesMeasurementCheck(const JournalRecord& r) {
    if (r.UAB == 380 && r.UBC == 380 && r.UCA == 380) return false;
    return r.UAB <= 1000 && r.UBC <= 1000 && r.UCA <= 1000 && r.IA <= 1000.0 && r.IB <= 1000.0 &&
           r.IC <= 1000.0 && r.ZAGR <= 1000 && r.SOP <= 9999 && validDateTime(r);
}

// Second, minute, hour, day, month, year at s[0..5] (generation 4 layout).
void readDateG4(Bytes s, JournalRecord& r) {
    r.second = fromBcd(s[0]);
    r.minute = fromBcd(s[1]);
    r.hour = fromBcd(s[2]);
    r.day = fromBcd(s[3]);
    r.month = fromBcd(s[4]);
    r.year = static_cast<std::uint16_t>(2000 + fromBcd(s[5]));
}

bool slotEmptyEvent(Bytes s) {
    return s[0] == 0xFF || s[1] == 0xFF;
}

void decodeEventsG4(Bytes img, Journal& j) {
    for (std::size_t i = 0; i < kG4EventSlots && (i + 1) * 8 <= img.size(); ++i) {
        const Bytes s = img.subspan(i * 8, 8);
        if (slotEmptyEvent(s)) continue;
        JournalRecord r;
        readDateG4(s, r);
        r.SOBYTIE = s[6];
        if (validDateTime(r)) j.records.push_back(r);
    }
}

void decodeSettingChangesG4(Bytes img, Journal& j) {
    for (std::size_t i = 0; i < kG4ChangeSlots; ++i) {
        const std::size_t at = kG4ChangeStart + i * 16;
        if (at + 16 > img.size()) break;
        const Bytes s = img.subspan(at, 16);
        JournalRecord r;
        readDateG4(s, r);
        r.NUM_UST = le16(s, 6);
        r.OLD_ZN = le16(s, 8);
        r.NEW_ZN = le16(s, 10);
        r.SOBYTIE = kCodeSettingChange;
        if (r.NUM_UST >= kLowestSettingNumber && r.NUM_UST <= kHighestSettingNumber && validDateTime(r))
            j.records.push_back(r);
    }
}

void decodeMeasurementsG4(Bytes img, Journal& j) {
    for (std::size_t at = kG4MeasureStart; at + 32 <= img.size(); at += 32) {
        const Bytes s = img.subspan(at, 32);
        if (s[31] != 0x55 && s[31] != 0xAA) continue;
        JournalRecord r;
        readDateG4(s, r);
        r.UAB = le16(s, 6);
        r.UBC = le16(s, 8);
        r.UCA = le16(s, 10);
        r.IA = le16(s, 12) / 10.0;
        r.IB = le16(s, 14) / 10.0;
        r.IC = le16(s, 16) / 10.0;
        r.SOP = le16(s, 18);
        r.ZAGR = le16(s, 20);
        r.P = le16(s, 22);
        r.T = le16(s, 24);
        r.COS_ = s[29];
        r.EXT_ZAP = s[30];
        r.SOBYTIE = kCodeMeasurement;
        if (passesMeasurementCheck(r)) j.records.push_back(r);
    }
}

void decodeEventsG3(Bytes img, Journal& j) {
    for (std::size_t i = 0; i < kG3EventSlots && (i + 1) * 8 <= img.size(); ++i) {
        const Bytes s = img.subspan(i * 8, 8);
        if (slotEmptyEvent(s)) continue;
        JournalRecord r;
        r.second = fromBcd(s[0]);
        r.minute = fromBcd(s[1]);
        r.hour = fromBcd(s[2]);
        // byte 3 is not used
        r.day = fromBcd(s[4]);
        r.month = fromBcd(s[5]);
        r.year = static_cast<std::uint16_t>(2000 + fromBcd(s[6]));
        r.SOBYTIE = s[7];
        if (validDateTime(r)) j.records.push_back(r);
    }
}

void decodeMeasurementsG3(Bytes img, Journal& j) {
    // Early firmware wrote whole amperes and flagged them with bit 3 of byte 27; once one block
    // without the flag is seen, every later block is in tenths whatever its flag says.
    double divisor = 1;
    for (std::size_t i = 0; i < kG3MeasureSlots; ++i) {
        const std::size_t at = kG3MeasureStart + i * 32;
        if (at + 32 > img.size()) break;
        const Bytes s = img.subspan(at, 32);
        if (s[31] != 0xCD) continue;
        if ((s[27] & 0x08) == 0 || s[27] == 0xFF) divisor = 10;
        JournalRecord r;
        r.minute = fromBcd(s[0]);
        r.hour = fromBcd(s[1]);
        r.day = fromBcd(s[2]);
        r.month = fromBcd(s[3]);
        r.year = static_cast<std::uint16_t>(2000 + fromBcd(s[4]));
        r.ZAGR = s[5]; // byte 6 belongs to the field but is never set
        r.IC = le16(s, 7) / divisor;
        r.IB = le16(s, 9) / divisor;
        r.IA = le16(s, 11) / divisor;
        r.UCA = le16(s, 13);
        r.UBC = le16(s, 15);
        r.UAB = le16(s, 17);
        r.second = s[19] == 0xFF ? 0 : fromBcd(s[19]);
        r.SOP = le16(s, 25);
        r.SOBYTIE = kCodeMeasurement;
        if (passesMeasurementCheck(r)) j.records.push_back(r);
    }
}

} // namespace

DecodedJournal decodeJournal(std::span<const std::uint8_t> image, ControllerGeneration generation) {
    DecodedJournal out;
    const Bytes img = image.first(std::min(image.size(), kJournalImageSize));
    out.journal.records.reserve(kMaxJournalRecords);
    if (generation == ControllerGeneration::Gen4) {
        decodeEventsG4(img, out.journal);
        decodeSettingChangesG4(img, out.journal);
        decodeMeasurementsG4(img, out.journal);
    } else {
        decodeEventsG3(img, out.journal);
        if (img.size() >= kG3PadAt + 2) {
            out.wellNumber = le16(img, kG3WellAt);
            out.padNumber = le16(img, kG3PadAt);
        }
        decodeMeasurementsG3(img, out.journal);
    }
    sortJournal(out.journal);
    orderSameMoment(out.journal);
    return out;
}

} // namespace vorsan
