#include "journal_generator.h"

#include "journal/journal_encode.h"

#include <algorithm>
#include <random>
#include <vector>

namespace vorsan::sim {
namespace {

struct Moment {
    unsigned year = 2026, month = 1, day = 1, hour = 0, minute = 0, second = 0;
};

enum class Kind { Measurement, Event, SettingChange };

struct Entry {
    Kind kind = Kind::Measurement;
    Moment at;
    std::uint8_t code = 255; // event code of a short event
    std::uint8_t cause = 0;  // EXT_ZAP of a measurement
    std::uint16_t u[3]{};    // UAB, UBC, UCA
    std::uint16_t i10[3]{};  // IA, IB, IC in tenths of an ampere
    std::uint16_t sop = 0, zagr = 0, p = 0, t = 0;
    std::uint8_t cos = 255;
    std::uint16_t numUst = 0, oldValue = 0, newValue = 0;
};

unsigned daysInMonth(unsigned year, unsigned month) {
    static constexpr unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && year % 4 == 0) return 29;
    return kDays[month - 1];
}

void advance(Moment& m, unsigned seconds) {
    m.second += seconds;
    m.minute += m.second / 60;
    m.second %= 60;
    m.hour += m.minute / 60;
    m.minute %= 60;
    while (m.hour >= 24) {
        m.hour -= 24;
        if (++m.day > daysInMonth(m.year, m.month)) {
            m.day = 1;
            if (++m.month > 12) {
                m.month = 1;
                ++m.year;
            }
        }
    }
}

// Line and motor quantities that wander slowly, as on a real well.
class Plant {
public:
    explicit Plant(std::mt19937& rng) : rng_(rng) {
        nominalU_ = std::uniform_int_distribution<int>(370, 400)(rng_);
        nominalI10_ = std::uniform_int_distribution<int>(180, 450)(rng_);
        sop_ = std::uniform_int_distribution<int>(3000, 9000)(rng_);
    }

    Entry measure(const Moment& at, bool running, std::uint8_t cause) {
        Entry e;
        e.kind = Kind::Measurement;
        e.at = at;
        e.cause = cause;
        driftU_ = std::clamp(driftU_ + step(3), -25, 25);
        driftI_ = std::clamp(driftI_ + step(8), -60, 60);
        for (int k = 0; k < 3; ++k) {
            e.u[k] = static_cast<std::uint16_t>(nominalU_ + driftU_ + step(2));
            e.i10[k] = running ? static_cast<std::uint16_t>(std::max(0, nominalI10_ + driftI_ + step(6))) : 0;
        }
        // Three voltages of exactly 380 mark a block the controller never filled: avoid it.
        if (e.u[0] == 380 && e.u[1] == 380 && e.u[2] == 380) e.u[2] = 381;
        sop_ = std::clamp(sop_ + step(20) - 1, 50, 9999);
        e.sop = static_cast<std::uint16_t>(sop_);
        e.zagr = running ? static_cast<std::uint16_t>(std::clamp(70 + driftI_ / 3 + step(4), 0, 150)) : 0;
        e.cos = running ? static_cast<std::uint8_t>(std::clamp(84 + step(3), 60, 99)) : 255;
        e.p = static_cast<std::uint16_t>(running ? 45 + step(3) : 20 + step(2));
        e.t = static_cast<std::uint16_t>(running ? 78 + step(2) : 40 + step(2));
        return e;
    }

private:
    int step(int amplitude) { return std::uniform_int_distribution<int>(-amplitude, amplitude)(rng_); }

    std::mt19937& rng_;
    int nominalU_ = 380, nominalI10_ = 250, sop_ = 5000, driftU_ = 0, driftI_ = 0;
};

Entry event(const Moment& at, std::uint8_t code) {
    Entry e;
    e.kind = Kind::Event;
    e.at = at;
    e.code = code;
    return e;
}

// The timeline: 15-minute measurements; now and then a stop with its measurement in the same
// second, an idle spell, and a start (after a voltage loss: switch-on, then the start).
std::vector<Entry> timeline(std::mt19937& rng, std::size_t measurements) {
    static constexpr std::uint8_t kStopCauses[] = {3, 3, 10, 1, 0, 6, 7, 8, 15, 14, 140, 5, 4};
    static constexpr std::uint8_t kStartCodes[] = {49, 49, 48, 46};
    std::vector<Entry> out;
    Plant plant(rng);
    Moment now;
    now.year = 2026;
    now.month = std::uniform_int_distribution<unsigned>(1, 9)(rng);
    now.day = std::uniform_int_distribution<unsigned>(1, 28)(rng);
    now.hour = std::uniform_int_distribution<unsigned>(0, 23)(rng);
    bool running = true;
    bool voltageLost = false;
    int idleSteps = 0;
    std::size_t count = 0;
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    while (count < measurements) {
        advance(now, 900);
        if (running && chance(rng) < 0.04) {
            std::uint8_t cause = kStopCauses[rng() % std::size(kStopCauses)];
            Moment at = now;
            advance(at, static_cast<unsigned>(rng() % 800));
            std::uint8_t why = cause == 0 ? 1 : cause == 1 ? 2 : cause == 7 ? 3 : cause == 8 ? 7 : 0;
            out.push_back(plant.measure(at, true, why));
            out.push_back(event(at, cause == 140 ? 1 : cause));
            if (cause == 140) out.push_back(event(at, 140));
            voltageLost = cause == 140;
            running = false;
            idleSteps = 1 + static_cast<int>(rng() % 6);
            count += 1;
        } else if (!running && --idleSteps <= 0) {
            Moment at = now;
            advance(at, static_cast<unsigned>(rng() % 800));
            if (voltageLost) out.push_back(event(at, 76));
            out.push_back(event(at, kStartCodes[rng() % std::size(kStartCodes)]));
            out.push_back(plant.measure(at, true, 0));
            running = true;
            count += 1;
        }
        if (chance(rng) < 0.01) {
            Entry s;
            s.kind = Kind::SettingChange;
            s.at = now;
            s.numUst = static_cast<std::uint16_t>(21 + rng() % 77);
            s.oldValue = static_cast<std::uint16_t>(rng() % 400);
            s.newValue = static_cast<std::uint16_t>(rng() % 400);
            out.push_back(s);
        }
        out.push_back(plant.measure(now, running, 0));
        ++count;
    }
    return out;
}

JournalRecord toRecord(const Entry& e) {
    JournalRecord r;
    r.year = static_cast<std::uint16_t>(e.at.year);
    r.month = static_cast<std::uint8_t>(e.at.month);
    r.day = static_cast<std::uint8_t>(e.at.day);
    r.hour = static_cast<std::uint8_t>(e.at.hour);
    r.minute = static_cast<std::uint8_t>(e.at.minute);
    r.second = static_cast<std::uint8_t>(e.at.second);
    switch (e.kind) {
    case Kind::Event:
        r.SOBYTIE = e.code;
        break;
    case Kind::SettingChange:
        r.SOBYTIE = 250;
        r.NUM_UST = e.numUst;
        r.OLD_ZN = e.oldValue;
        r.NEW_ZN = e.newValue;
        break;
    case Kind::Measurement:
        r.SOBYTIE = 255;
        r.UAB = e.u[0];
        r.UBC = e.u[1];
        r.UCA = e.u[2];
        r.IA = e.i10[0] / 10.0;
        r.IB = e.i10[1] / 10.0;
        r.IC = e.i10[2] / 10.0;
        r.SOP = e.sop;
        r.ZAGR = e.zagr;
        r.COS_ = e.cos;
        r.P = e.p;
        r.T = e.t;
        r.EXT_ZAP = e.cause;
        break;
    }
    return r;
}

// The controller keeps rings: the most recent short events, setting changes and measurements
// that fit their areas, in time order.
Journal keptRecords(const std::vector<Entry>& all, std::size_t events, std::size_t changes,
                    std::size_t blocks) {
    std::size_t left[3] = {blocks, events, changes}; // by Kind
    std::vector<JournalRecord> kept;
    for (auto it = all.rbegin(); it != all.rend(); ++it) {
        std::size_t& room = left[static_cast<int>(it->kind)];
        if (room > 0) {
            --room;
            kept.push_back(toRecord(*it));
        }
    }
    std::reverse(kept.begin(), kept.end());
    return Journal{kept};
}

} // namespace

JournalImage generateJournal(ControllerGeneration generation, std::uint32_t seed, std::uint16_t pad,
                             std::uint16_t well) {
    std::mt19937 rng(seed);
    const bool gen4 = generation == ControllerGeneration::Gen4;
    // Generation 4: 128 short events, 64 setting changes, 960 measurements; generation 3: 126
    // short events, no setting changes, 992 measurements (in tenths of an ampere).
    const Journal journal =
        gen4 ? keptRecords(timeline(rng, 1100), 128, 64, 960) : keptRecords(timeline(rng, 1100), 126, 0, 992);
    JournalImage blank;
    blank.fill(0xFF);
    return encodeJournal(journal, generation, blank, RecordRange{}, well, pad).image;
}

} // namespace vorsan::sim
