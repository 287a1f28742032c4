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

// Days since 2000-01-01 of a civil date, and back (proleptic Gregorian calendar).
std::int64_t daysFromCivil(unsigned year, unsigned month, unsigned day) {
    const int y = static_cast<int>(year) - (month <= 2 ? 1 : 0);
    const int era = y / 400;
    const int yoe = y - era * 400;
    const int mp = static_cast<int>(month) + (month > 2 ? -3 : 9);
    const int doy = (153 * mp + 2) / 5 + static_cast<int>(day) - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return static_cast<std::int64_t>(era) * 146097 + doe - 730425; // 730425: 2000-01-01
}

std::int64_t secondsOf(const Moment& m) {
    return secondsSince2000(m.year, m.month, m.day, m.hour, m.minute, m.second);
}

int percentOf(int value, int percent) {
    return value * percent / 100;
}

// Line and motor quantities that wander slowly, as on a real well, around what the settings say.
class Plant {
public:
    Plant(std::mt19937& rng, const JournalProfile& profile) : rng_(rng), profile_(profile) {
        sop_ = std::uniform_int_distribution<int>(1500, 9000)(rng_);
    }

    // A measurement in normal work (or standing still): nothing near a protection's setting.
    Entry measure(const Moment& at, bool running, std::uint8_t cause) {
        driftU_ = std::clamp(driftU_ + step(2), -8, 8);
        load_ = std::clamp(load_ + step(2), -6, 6);
        const int load = running ? profile_.runLoadPercent + load_ : 0;
        return make(at, running, cause, profile_.nominalU + driftU_, load);
    }

    // The measurement the controller takes when a protection stops the motor: the quantity that
    // tripped lies beyond its setting.
    Entry atStop(const Moment& at, std::uint8_t code, std::uint8_t cause) {
        const int u = profile_.nominalU + driftU_;
        const int load = profile_.runLoadPercent + load_;
        switch (code) {
        case 0: // high voltage
            return make(at, true, cause, percentOf(profile_.ratedU, profile_.highVoltagePercent) + pick(4, 12), load);
        case 1: // low voltage
            return make(at, true, cause, percentOf(profile_.ratedU, profile_.lowVoltagePercent) - pick(4, 30), load);
        case 3: // underload: the pump lost its inflow
            return make(at, true, cause, u, profile_.underloadPercent - pick(4, 20));
        case 10: // overload
            return make(at, true, cause, u, profile_.overloadPercent + pick(3, 25));
        case 6: { // current imbalance: one phase draws less
            Entry e = make(at, true, cause, u, load);
            e.i10[pick(0, 2)] = static_cast<std::uint16_t>(
                percentOf(e.i10[0], 100 - profile_.currentImbalancePercent - pick(3, 12)));
            return e;
        }
        case 7: { // voltage imbalance: one line voltage sags
            Entry e = make(at, true, cause, u, load);
            e.u[pick(0, 2)] = static_cast<std::uint16_t>(
                percentOf(u, 100 - profile_.voltageImbalancePercent - pick(2, 8)));
            return e;
        }
        case 8: { // insulation resistance below its setting
            Entry e = make(at, true, cause, u, load);
            e.sop = static_cast<std::uint16_t>(std::max(1, profile_.insulationKOhm - pick(1, profile_.insulationKOhm / 2 + 1)));
            sop_ = std::max<int>(sop_, profile_.insulationKOhm * 20); // dried out before the restart
            return e;
        }
        case 5: { // temperature
            Entry e = make(at, true, cause, u, load);
            e.t = static_cast<std::uint16_t>(110 + pick(0, 15));
            return e;
        }
        default:
            return make(at, true, cause, u, load);
        }
    }

private:
    int step(int amplitude) { return std::uniform_int_distribution<int>(-amplitude, amplitude)(rng_); }
    int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, std::max(lo, hi))(rng_); }

    Entry make(const Moment& at, bool running, std::uint8_t cause, int u, int loadPercent) {
        Entry e;
        e.kind = Kind::Measurement;
        e.at = at;
        e.cause = cause;
        const int i10 = percentOf(profile_.motorI10, loadPercent);
        for (int k = 0; k < 3; ++k) {
            e.u[k] = static_cast<std::uint16_t>(std::max(0, u + step(2)));
            e.i10[k] = running ? static_cast<std::uint16_t>(std::max(0, i10 + step(std::max(1, i10 / 80)))) : 0;
        }
        // Three voltages of exactly 380 mark a block the controller never filled: avoid it.
        if (e.u[0] == 380 && e.u[1] == 380 && e.u[2] == 380) e.u[2] = 381;
        sop_ = std::clamp(sop_ + step(20) - 1, profile_.insulationKOhm * 5, 9999);
        e.sop = static_cast<std::uint16_t>(sop_);
        e.zagr = running ? static_cast<std::uint16_t>(std::clamp(loadPercent, 0, 250)) : 0;
        e.cos = running ? static_cast<std::uint8_t>(std::clamp(84 + step(2) - (loadPercent < 60 ? 15 : 0), 40, 99)) : 255;
        e.p = static_cast<std::uint16_t>(running ? 45 + step(3) : 20 + step(2));
        e.t = static_cast<std::uint16_t>(running ? 78 + step(2) : 40 + step(2));
        return e;
    }

    std::mt19937& rng_;
    const JournalProfile& profile_;
    int sop_ = 5000, driftU_ = 0, load_ = 0;
};

Entry event(const Moment& at, std::uint8_t code) {
    Entry e;
    e.kind = Kind::Event;
    e.at = at;
    e.code = code;
    return e;
}

// Cause of the measurement taken with a stop (shown in the generation 4 journal).
std::uint8_t measurementCause(std::uint8_t code) {
    switch (code) {
    case 0:
        return 1; // "Выс.напр."
    case 1:
        return 2; // "Низ.напр."
    case 7:
        return 3; // "Дисб.напр."
    case 8:
        return 7; // "Rиз."
    default:
        return 0;
    }
}

// Measurement periods the motor stands after a stop before it starts again: the protection's
// restart delay for the automatic restarts, an hour or two for a start by hand.
int idlePeriods(std::uint8_t code, const JournalProfile& p, std::mt19937& rng) {
    int minutes;
    switch (code) {
    case 0:
    case 1:
    case 7:
    case 140:
        minutes = p.voltageRestartMinutes;
        break;
    case 3:
        minutes = p.underloadRestartMinutes;
        break;
    case 10:
        minutes = p.overloadRestartMinutes;
        break;
    case 6:
        minutes = p.imbalanceRestartMinutes;
        break;
    default:
        minutes = 30 + static_cast<int>(rng() % 150);
        break;
    }
    return std::max(1, (minutes + p.periodMinutes - 1) / std::max<int>(1, p.periodMinutes));
}

// Stops that restart by themselves (an automatic start); the others wait for a hand.
bool restartsByItself(std::uint8_t code) {
    return code == 0 || code == 1 || code == 3 || code == 6 || code == 7 || code == 10 || code == 140;
}

struct Timeline {
    std::vector<Entry> entries;
    Moment end;
    bool running = true;
    std::uint8_t lastStop = 15;
};

// The timeline: measurements every period; now and then a stop with its measurement in the same
// second, an idle spell, and a start (after a voltage loss: switch-on, then the start).
Timeline timeline(std::mt19937& rng, std::size_t measurements, const JournalProfile& profile) {
    static constexpr std::uint8_t kStopCauses[] = {3, 3, 3, 10, 1, 0, 6, 7, 8, 15, 14, 140, 5};
    Timeline tl;
    std::vector<Entry>& out = tl.entries;
    Plant plant(rng, profile);
    Moment now;
    now.year = 2026;
    now.month = std::uniform_int_distribution<unsigned>(1, 9)(rng);
    now.day = std::uniform_int_distribution<unsigned>(1, 28)(rng);
    now.hour = std::uniform_int_distribution<unsigned>(0, 23)(rng);
    const unsigned period = std::max<unsigned>(1, profile.periodMinutes) * 60;
    bool running = true;
    bool voltageLost = false;
    std::uint8_t stoppedBy = 15;
    int idleSteps = 0;
    std::size_t count = 0;
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    while (count < measurements) {
        // Stops and starts fall between the previous measurement and this one.
        const Moment previous = now;
        advance(now, period);
        if (running && chance(rng) < 0.04) {
            const std::uint8_t cause = kStopCauses[rng() % std::size(kStopCauses)];
            Moment at = previous;
            advance(at, 1 + static_cast<unsigned>(rng() % std::max(1u, period - 1)));
            const std::uint8_t code = cause == 140 ? 1 : cause;
            out.push_back(plant.atStop(at, code, measurementCause(code)));
            out.push_back(event(at, code));
            if (cause == 140) out.push_back(event(at, 140));
            voltageLost = cause == 140;
            running = false;
            stoppedBy = cause;
            tl.lastStop = code;
            idleSteps = idlePeriods(cause, profile, rng);
            count += 1;
        } else if (!running && --idleSteps <= 0) {
            Moment at = previous;
            advance(at, 1 + static_cast<unsigned>(rng() % std::max(1u, period - 1)));
            if (voltageLost) out.push_back(event(at, 76));
            const std::uint8_t start = restartsByItself(stoppedBy) ? 49 : stoppedBy == 14 ? 46 : 48;
            out.push_back(event(at, start));
            out.push_back(plant.measure(at, true, 0));
            running = true;
            count += 1;
        }
        if (chance(rng) < 0.01) {
            // The operator tunes the underload or overload setting; the last change of each leaves
            // the value the station holds now.
            Entry s;
            s.kind = Kind::SettingChange;
            s.at = now;
            const bool underload = rng() % 2 == 0;
            s.numUst = underload ? profile.underloadSetting : profile.overloadSetting;
            s.newValue = underload ? profile.underloadPercent : profile.overloadPercent;
            s.oldValue = static_cast<std::uint16_t>(s.newValue + (rng() % 2 ? 5 : -5));
            out.push_back(s);
        }
        out.push_back(plant.measure(now, running, 0));
        ++count;
    }
    tl.end = now;
    tl.running = running;
    return tl;
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

GeneratedJournal generateJournal(ControllerGeneration generation, std::uint32_t seed, std::uint16_t pad,
                                 std::uint16_t well, const JournalProfile& profile) {
    std::mt19937 rng(seed);
    const bool gen4 = generation == ControllerGeneration::Gen4;
    const Timeline tl = timeline(rng, 1100, profile);
    // Generation 4: 128 short events, 64 setting changes, 960 measurements; generation 3: 126
    // short events, no setting changes, 992 measurements (in tenths of an ampere).
    const Journal journal = gen4 ? keptRecords(tl.entries, 128, 64, 960) : keptRecords(tl.entries, 126, 0, 992);
    JournalImage blank;
    blank.fill(0xFF);
    GeneratedJournal out;
    out.image = encodeJournal(journal, generation, blank, RecordRange{}, well, pad).image;
    out.endSeconds = secondsOf(tl.end);
    out.running = tl.running;
    out.lastStop = tl.lastStop;
    return out;
}

JournalImage generateJournal(ControllerGeneration generation, std::uint32_t seed, std::uint16_t pad,
                             std::uint16_t well) {
    return generateJournal(generation, seed, pad, well, JournalProfile{}).image;
}

std::int64_t secondsSince2000(unsigned year, unsigned month, unsigned day, unsigned hour, unsigned minute,
                              unsigned second) {
    return daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
}

CivilTime civilTime(std::int64_t seconds) {
    CivilTime t;
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    t.hour = static_cast<unsigned>(rest / 3600);
    t.minute = static_cast<unsigned>(rest / 60 % 60);
    t.second = static_cast<unsigned>(rest % 60);
    t.weekday = static_cast<unsigned>(((days % 7) + 7 + 5) % 7) + 1; // 2000-01-01 was a Saturday
    // Civil date from days since 1970-01-01 (days since 2000 + 10957).
    const std::int64_t d = days + 10957 + 719468;
    const std::int64_t era = (d >= 0 ? d : d - 146096) / 146097;
    const std::int64_t doe = d - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    t.day = static_cast<unsigned>(doy - (153 * mp + 2) / 5 + 1);
    t.month = static_cast<unsigned>(mp < 10 ? mp + 3 : mp - 9);
    t.year = static_cast<unsigned>(yoe + era * 400 + (t.month <= 2 ? 1 : 0));
    return t;
}

} // namespace vorsan::sim
