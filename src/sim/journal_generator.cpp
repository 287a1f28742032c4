#include "journal_generator.h"

#include "station_content.h"

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
    std::uint8_t code = 255;  // event code of a short event
    std::uint8_t cause = 0;   // EXT_ZAP of a measurement
    std::uint16_t u[3]{};     // UAB, UBC, UCA
    std::uint16_t i10[3]{};   // IA, IB, IC in tenths of an ampere
    std::uint16_t sop = 0, zagr = 0, p = 0, t = 0;
    std::uint8_t cos = 255;
    std::uint16_t numUst = 0, oldValue = 0, newValue = 0;
};

unsigned daysInMonth(unsigned year, unsigned month) {
    static constexpr unsigned kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month == 2 && year % 4 == 0)
        return 29;
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
        if (e.u[0] == 380 && e.u[1] == 380 && e.u[2] == 380)
            e.u[2] = 381;
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
            if (cause == 140)
                out.push_back(event(at, 140));
            voltageLost = cause == 140;
            running = false;
            idleSteps = 1 + static_cast<int>(rng() % 6);
            count += 1;
        } else if (!running && --idleSteps <= 0) {
            Moment at = now;
            advance(at, static_cast<unsigned>(rng() % 800));
            if (voltageLost)
                out.push_back(event(at, 76));
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

// The most recent n entries of one kind, oldest first (the controller keeps rings).
std::vector<Entry> lastOfKind(const std::vector<Entry>& all, Kind kind, std::size_t n) {
    std::vector<Entry> picked;
    for (const Entry& e : all)
        if (e.kind == kind)
            picked.push_back(e);
    if (picked.size() > n)
        picked.erase(picked.begin(), picked.end() - static_cast<std::ptrdiff_t>(n));
    return picked;
}

void putLe(std::uint8_t* at, std::uint16_t v) {
    at[0] = static_cast<std::uint8_t>(v & 0xFF);
    at[1] = static_cast<std::uint8_t>(v >> 8);
}

void putTime6(std::uint8_t* at, const Moment& m) {  // second, minute, hour, day, month, year
    at[0] = toBcd(m.second);
    at[1] = toBcd(m.minute);
    at[2] = toBcd(m.hour);
    at[3] = toBcd(m.day);
    at[4] = toBcd(m.month);
    at[5] = toBcd(m.year - 2000);
}

// Generation 4: 128 short events at 0, 64 setting changes at 1024, 32-byte measurements from 2048.
void encodeGen4(JournalImage& image, const std::vector<Entry>& all) {
    auto events = lastOfKind(all, Kind::Event, 128);
    for (std::size_t k = 0; k < events.size(); ++k) {
        std::uint8_t* s = image.data() + 8 * k;
        putTime6(s, events[k].at);
        s[6] = events[k].code;
        s[7] = 0xFF;
    }
    auto changes = lastOfKind(all, Kind::SettingChange, 64);
    for (std::size_t k = 0; k < changes.size(); ++k) {
        std::uint8_t* s = image.data() + 1024 + 16 * k;
        putTime6(s, changes[k].at);
        putLe(s + 6, changes[k].numUst);
        putLe(s + 8, changes[k].oldValue);
        putLe(s + 10, changes[k].newValue);
    }
    auto blocks = lastOfKind(all, Kind::Measurement, 960);
    for (std::size_t k = 0; k < blocks.size(); ++k) {
        const Entry& e = blocks[k];
        std::uint8_t* s = image.data() + 2048 + 32 * k;
        putTime6(s, e.at);
        for (int j = 0; j < 3; ++j) {
            putLe(s + 6 + 2 * j, e.u[j]);
            putLe(s + 12 + 2 * j, e.i10[j]);
        }
        putLe(s + 18, e.sop);
        putLe(s + 20, e.zagr);
        putLe(s + 22, e.p);
        putLe(s + 24, e.t);
        s[29] = e.cos;
        s[30] = e.cause;
        s[31] = (k % 2) ? 0xAA : 0x55;
    }
}

// Generation 3: 126 short events at 0, well and pad at 1020/1022, 992 measurements from 1024.
void encodeGen3(JournalImage& image, const std::vector<Entry>& all, std::uint16_t pad, std::uint16_t well) {
    auto events = lastOfKind(all, Kind::Event, 126);
    for (std::size_t k = 0; k < events.size(); ++k) {
        std::uint8_t* s = image.data() + 8 * k;
        const Moment& m = events[k].at;
        s[0] = toBcd(m.second);
        s[1] = toBcd(m.minute);
        s[2] = toBcd(m.hour);
        s[3] = 0;
        s[4] = toBcd(m.day);
        s[5] = toBcd(m.month);
        s[6] = toBcd(m.year - 2000);
        s[7] = events[k].code;
    }
    putLe(image.data() + 1020, well);
    putLe(image.data() + 1022, pad);
    auto blocks = lastOfKind(all, Kind::Measurement, 992);
    for (std::size_t k = 0; k < blocks.size(); ++k) {
        const Entry& e = blocks[k];
        std::uint8_t* s = image.data() + 1024 + 32 * k;
        s[0] = toBcd(e.at.minute);
        s[1] = toBcd(e.at.hour);
        s[2] = toBcd(e.at.day);
        s[3] = toBcd(e.at.month);
        s[4] = toBcd(e.at.year - 2000);
        putLe(s + 5, e.zagr);
        putLe(s + 7, e.i10[2]);
        putLe(s + 9, e.i10[1]);
        putLe(s + 11, e.i10[0]);
        putLe(s + 13, e.u[2]);
        putLe(s + 15, e.u[1]);
        putLe(s + 17, e.u[0]);
        s[19] = toBcd(e.at.second);
        putLe(s + 25, e.sop);
        s[27] = 0x00;  // bit 3 clear: currents in tenths of an ampere
        s[31] = 0xCD;
    }
}

} // namespace

JournalImage generateJournal(ControllerGeneration generation, std::uint32_t seed, std::uint16_t pad,
                             std::uint16_t well) {
    std::mt19937 rng(seed);
    JournalImage image;
    image.fill(0xFF);
    if (generation == ControllerGeneration::Gen4) {
        encodeGen4(image, timeline(rng, 930));
    } else {
        encodeGen3(image, timeline(rng, 970), pad, well);
    }
    return image;
}

} // namespace vorsan::sim
