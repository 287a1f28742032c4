#include "station_content.h"

#include "journal_generator.h"
#include "settings/catalogue.h"
#include "settings/settings_block.h"

#include <algorithm>
#include <random>

namespace vorsan::sim {

std::uint8_t toBcd(unsigned value) {
    return static_cast<std::uint8_t>(((value / 10) % 10) << 4 | (value % 10));
}

ParameterBlock blockFromRegisters(const RegisterFile& regs) {
    ParameterBlock block{};
    for (std::size_t r = 0; r < regs.size(); ++r) {
        block[2 * r] = static_cast<std::uint8_t>(regs[r] >> 8);
        block[2 * r + 1] = static_cast<std::uint8_t>(regs[r] & 0xFF);
    }
    return block;
}

RegisterFile registersFromBlock(const ParameterBlock& block) {
    RegisterFile regs{};
    for (std::size_t r = 0; r < regs.size(); ++r)
        regs[r] = static_cast<std::uint16_t>(block[2 * r] << 8 | block[2 * r + 1]);
    return regs;
}

std::uint16_t additiveSum(const std::uint8_t* bytes, std::size_t count) {
    unsigned sum = 0;
    for (std::size_t k = 0; k < count; ++k)
        sum += bytes[k];
    return static_cast<std::uint16_t>(sum & 0xFFFF);
}

namespace {

unsigned pick(std::mt19937& rng, unsigned lo, unsigned hi) {
    return std::uniform_int_distribution<unsigned>(lo, hi)(rng);
}

int jitter(std::mt19937& rng, int amplitude) {
    return std::uniform_int_distribution<int>(-amplitude, amplitude)(rng);
}

template <std::size_t N> std::uint16_t oneOf(std::mt19937& rng, const std::uint16_t (&values)[N]) {
    return values[pick(rng, 0, N - 1)];
}

bool nameHas(const SettingDef& def, const char* part) {
    return def.longName.find(part) != std::string::npos;
}

// Protections that a typical installation leaves off: it has no pressure or temperature sensor
// and no contact manometer, and runs no timed program.
bool usuallyOff(const SettingDef& def) {
    for (const char* part : {"авлени", "емператур", "манометр", "Программа", "Деблокировка"})
        if (nameHas(def, part)) return true;
    return false;
}

// Typical values of the settings by name (the same names in both generations).
struct Typical {
    const char* name;
    std::uint16_t values[4];
    std::size_t count;
};

constexpr Typical kTypical[] = {
    {"Номинальное напряжение", {380}, 1},
    {"Уставка высокого напряжения", {110, 115, 120}, 3},
    {"Задержка отключения высокого напряжения", {3, 5, 10}, 3},
    {"Пониженное напряжение выключения", {75, 80, 85}, 3},
    {"Уставка низкого напряжения", {75, 80, 85}, 3},
    {"Пониженное напряжение включения", {90, 95}, 2},
    {"Задержка отключения низкого напряжения", {3, 5, 10}, 3},
    {"Уставка дисбаланса напряжений", {8, 10, 15}, 3},
    {"Задержка отключения дисбаланса напряжений", {5, 10}, 2},
    {"Задержка  включения и АПВ после защ. напряжения", {5, 10, 15}, 3},
    {"Номинальный коэффициент  мощности", {82, 85, 86, 88}, 4},
    {"Уставка перегрузки", {115, 120, 125}, 3},
    {"Время перегрузки", {5, 8, 10}, 3},
    {"Задержка АПВ после перегрузки", {30, 60}, 2},
    {"Пусковое время защиты по недогрузу", {60, 120, 180}, 3},
    {"Уставка недогрузки", {60, 65, 70, 75}, 4},
    {"Время недогрузки", {30, 60, 120}, 3},
    {"Задержка АПВ после недогрузки", {60, 120, 180, 240}, 4},
    {"Уставка дисбаланса  токов", {15, 20}, 2},
    {"Время дисбаланса токов", {5, 10}, 2},
    {"Задержка АПВ после дисбаланса токов", {30, 60}, 2},
    {"Ввод единиц давления", {100}, 1},
    {"Максимальное давление", {150, 200}, 2},
    {"Уставка отключения по мин. давлению", {10, 20}, 2},
    {"Задержка включения защ. давления после пуска", {300, 600}, 2},
    {"Задержка отключения давления", {10, 30}, 2},
    {"Задержка АПВ после давления", {30, 60}, 2},
    {"Ввод единиц температуры", {100}, 1},
    {"Уставка отключения по макс. температуре", {110, 120, 130}, 3},
    {"Уставка отключения по мин. температуре", {0}, 1},
    {"Задержка включения защ. по температуре после пуска", {300}, 1},
    {"Задержка отключения по температуре", {10, 30}, 2},
    {"Задержка АПВ после температуры", {60}, 1},
    {"Задержка включения защ. по конт. манометру после пуска", {300}, 1},
    {"Контактный манометр задержка отключения", {10}, 1},
    {"Контактный манометр задержка АПВ", {30}, 1},
    {"Уставка турбинного  вращения", {3, 5}, 2},
    {"Уставка низкого сопротивления изоляции", {30, 50, 100}, 3},
    {"Пусковое время", {3, 5}, 2},
    {"Период записи хронологии событий", {15, 30}, 2},
    {"Экстренная запись в работе", {30, 60}, 2},
    {"Экстренная запись в останове", {600, 1800}, 2},
    {"Экстренная запись", {30, 60}, 2},
    {"Сброс счетчиков пусков(время)", {60, 120}, 2},
    {"Количество АПВ после недогрузки", {3, 5}, 2},
    {"Количество АПВ после перегрузки", {1, 3}, 2},
    {"Количество АПВ после других защит", {3, 5}, 2},
    {"Время работы по программе", {120, 240}, 2},
    {"Время остановки по программе", {60, 120}, 2},
    {"Установка пароля", {0}, 1},
};

// A setting's value in a typical installation. Identity, transformer and motor current are set
// by the caller.
std::uint16_t typicalValue(const SettingDef& def, std::mt19937& rng) {
    if (def.editorKind == EditorKind::choice) {
        const std::size_t n = def.choices.size();
        if (n == 0) return 0;
        if (usuallyOff(def)) return 0;                // "Откл" or, for a reaction, "Блок"
        return static_cast<std::uint16_t>(n - 1);   // "АПВ" or "Вкл"
    }
    for (const Typical& t : kTypical)
        if (def.longName == t.name) return t.values[pick(rng, 0, static_cast<unsigned>(t.count - 1))];
    if (nameHas(def, "Коэффициент коррекции")) {
        // Calibration factors close to 1.00.
        const bool wide = def.maxRaw >= 10000;
        return static_cast<std::uint16_t>((wide ? 10000 : 100) + jitter(rng, 3) * (wide ? 50 : 1));
    }
    return static_cast<std::uint16_t>(std::clamp(def.minRaw, 0.0, 65534.0));
}

std::uint16_t valueNamed(const SettingsCatalogue& c, const char* name, std::uint16_t fallback) {
    for (const SettingDef& d : c.entries)
        if (d.longName == name) return d.value;
    return fallback;
}

struct Installation {
    SettingsCatalogue settings;
    JournalProfile profile;
    std::uint16_t pad = 0, well = 0;
};

// The settings of one installation and what its journal follows. `supplyTransformer`: the motor
// is fed through a supply transformer (the transformer setting is its voltage, 380 or more)
// rather than measured through a current transformer; `noMotorPump`: motor and pump numbers
// were never entered.
Installation makeInstallation(ControllerGeneration generation, bool supplyTransformer, bool noMotorPump,
                              std::uint8_t address, std::mt19937& rng) {
    const bool gen4 = generation == ControllerGeneration::Gen4;
    Installation in;
    in.settings = buildCatalogue(generation);
    for (SettingDef& def : in.settings.entries) {
        def.value = typicalValue(def, rng);
        def.loaded = true;
    }
    static constexpr std::uint16_t kTransformerVolts[] = {1000, 1100, 1200, 1400, 1600, 2000};
    static constexpr std::uint16_t kCtAmperes[] = {100, 150, 200};
    static constexpr std::uint16_t kMotorTenths[] = {225, 250, 285, 320, 360, 410, 455};
    const std::uint16_t motorI10 = oneOf(rng, kMotorTenths);
    SettingDef& transformer = *in.settings.byNumber(gen4 ? kGen4TransformerNumber : kGen3TransformerNumber);
    transformer.value = supplyTransformer ? oneOf(rng, kTransformerVolts) : oneOf(rng, kCtAmperes);
    // Generation 3 supply-transformer stations count the motor current in whole amperes.
    SettingDef& motorCurrent = *in.settings.byNumber(gen4 ? 34 : kGen3MotorCurrentNumber);
    motorCurrent.value = gen4 || !supplyTransformer ? motorI10 : static_cast<std::uint16_t>(motorI10 / 10);
    in.pad = static_cast<std::uint16_t>(pick(rng, 1, 300));
    in.well = static_cast<std::uint16_t>(pick(rng, 100, 9999));
    in.settings.byNumber(gen4 ? kGen4PadNumber : kGen3PadNumber)->value = in.pad;
    in.settings.byNumber(gen4 ? kGen4WellNumber : kGen3WellNumber)->value = in.well;
    SettingDef* motor = in.settings.byNumber(gen4 ? 85 : 91);
    SettingDef* pump = in.settings.byNumber(gen4 ? 86 : 92);
    motor->value = noMotorPump ? kUnknown16 : static_cast<std::uint16_t>(pick(rng, 1, 255));
    pump->value = noMotorPump ? kUnknown16 : static_cast<std::uint16_t>(pick(rng, 1, 2000));
    in.settings.byNumber(gen4 ? kGen4StationAddress : 93)->value = address;

    JournalProfile& p = in.profile;
    const SettingsCatalogue& c = in.settings;
    p.ratedU = valueNamed(c, "Номинальное напряжение", 380);
    p.nominalU = static_cast<std::uint16_t>(p.ratedU + pick(rng, 0, 15));
    p.motorI10 = motorI10;
    p.underloadPercent = valueNamed(c, "Уставка недогрузки", 70);
    p.overloadPercent = valueNamed(c, "Уставка перегрузки", 120);
    p.runLoadPercent = static_cast<std::uint16_t>(pick(rng, std::max(80u, p.underloadPercent + 12u), 92));
    p.lowVoltagePercent = valueNamed(c, gen4 ? "Пониженное напряжение выключения" : "Уставка низкого напряжения", 80);
    p.highVoltagePercent = valueNamed(c, "Уставка высокого напряжения", 115);
    p.currentImbalancePercent = valueNamed(c, "Уставка дисбаланса  токов", 15);
    p.voltageImbalancePercent = valueNamed(c, "Уставка дисбаланса напряжений", 10);
    p.insulationKOhm = valueNamed(c, "Уставка низкого сопротивления изоляции", 30);
    p.periodMinutes = valueNamed(c, "Период записи хронологии событий", 15);
    p.voltageRestartMinutes = valueNamed(c, "Задержка  включения и АПВ после защ. напряжения", 10);
    p.overloadRestartMinutes = valueNamed(c, "Задержка АПВ после перегрузки", 30);
    p.underloadRestartMinutes = valueNamed(c, "Задержка АПВ после недогрузки", 120);
    p.imbalanceRestartMinutes = valueNamed(c, "Задержка АПВ после дисбаланса токов", 30);
    p.underloadSetting = gen4 ? 42 : 45;
    p.overloadSetting = gen4 ? 37 : 40;
    return in;
}

// Status word: bit 0 running; bits 6..10 the last stop; bit 1 start blocked (after a stop by hand
// or from afar; a protection's stop waits for its automatic restart instead).
std::uint16_t statusWord(bool running, std::uint8_t lastStop) {
    std::uint16_t status = static_cast<std::uint16_t>((lastStop & 31u) << 6);
    if (running) return static_cast<std::uint16_t>(status | 1u);
    if (lastStop == 14 || lastStop == 15) status = static_cast<std::uint16_t>(status | 2u);
    return status;
}

std::uint16_t imbalancePercent(const std::uint16_t (&v)[3]) {
    const int lo = std::min({v[0], v[1], v[2]}), hi = std::max({v[0], v[1], v[2]});
    const int mean = (v[0] + v[1] + v[2]) / 3;
    return mean == 0 ? 0 : static_cast<std::uint16_t>((hi - lo) * 100 / mean);
}

// The quantities after one step of drift (step n of the plant's seed).
void driftStep(Plant& p) {
    std::seed_seq seeds{p.seed, p.steps++};
    std::mt19937 rng(seeds);
    p.driftU = std::clamp(p.driftU + jitter(rng, 2), -8, 8);
    p.driftLoad = std::clamp(p.driftLoad + jitter(rng, 2), -6, 6);
    p.sop = std::clamp(p.sop + jitter(rng, 20), p.insulationKOhm * 20, 9999);
    LiveState& s = p.live;
    const bool running = s.status & 1u;
    const int load = p.runLoadPercent + p.driftLoad;
    const int i10 = p.motorI10 * load / 100;
    for (int k = 0; k < 3; ++k) {
        s.u[k] = static_cast<std::uint16_t>(p.nominalU + p.phaseU[k] + p.driftU + jitter(rng, 1));
        s.i[k] = running ? static_cast<std::uint16_t>(i10 + p.phaseI[k] + jitter(rng, std::max(1, i10 / 100))) : 0;
    }
    s.uImb = imbalancePercent(s.u);
    s.iImb = running ? imbalancePercent(s.i) : 0;
    s.sop = static_cast<std::uint16_t>(p.sop);
    const int meanI = (s.i[0] + s.i[1] + s.i[2]) / 3;
    s.zagr = running ? static_cast<std::uint16_t>(meanI * 100 / std::max<int>(1, p.motorI10)) : 0;
    s.pf = running ? static_cast<std::uint16_t>(84 + jitter(rng, 2)) : 0;
    s.p = static_cast<std::uint16_t>(running ? 45 + jitter(rng, 3) : 20 + jitter(rng, 2));
    s.t = static_cast<std::uint16_t>(running ? 78 + jitter(rng, 2) : 40 + jitter(rng, 2));
    s.turbine = 0;
    s.phaseOrder = 1;
}

void moveOn(Plant& p, std::int64_t nowSeconds) {
    const std::int64_t elapsed = std::max<std::int64_t>(0, nowSeconds - p.nowSeconds);
    p.nowSeconds = std::max(p.nowSeconds, nowSeconds);
    if (p.live.status & 1u) {
        p.runSeconds += elapsed;
        const std::int64_t minutes = p.live.runMinutes + p.runSeconds / 60;
        p.runSeconds %= 60;
        p.live.runHours = static_cast<std::uint16_t>(p.live.runHours + minutes / 60);
        p.live.runMinutes = static_cast<std::uint16_t>(minutes % 60);
    }
    driftStep(p);
}

void runOrStand(Plant& p, bool start, std::uint8_t stopCode) {
    LiveState& s = p.live;
    const bool running = s.status & 1u;
    if (start && !running) {
        s.status = statusWord(true, static_cast<std::uint8_t>(s.status >> 6 & 31u));
        ++s.starts;
    } else if (!start && running) {
        s.status = statusWord(false, stopCode);
    }
    driftStep(p);
}

Plant makePlant(const JournalProfile& profile, const GeneratedJournal& journal, std::uint32_t seed,
                std::mt19937& rng) {
    Plant p;
    p.nominalU = profile.nominalU;
    p.motorI10 = profile.motorI10;
    p.runLoadPercent = profile.runLoadPercent;
    p.insulationKOhm = profile.insulationKOhm;
    // The clock stands a few minutes after the journal's last record.
    p.clockAtStart = journal.endSeconds + pick(rng, 60, 600);
    p.seed = seed;
    p.sop = static_cast<int>(pick(rng, 1500, 9000));
    for (int k = 0; k < 3; ++k) {
        p.phaseU[k] = jitter(rng, 3);
        p.phaseI[k] = jitter(rng, std::max(1, profile.motorI10 / 100));
    }
    LiveState& s = p.live;
    s.status = statusWord(journal.running, journal.lastStop);
    s.starts = static_cast<std::uint16_t>(pick(rng, 20, 400));
    s.runHours = static_cast<std::uint16_t>(pick(rng, 500, 20000));
    s.runMinutes = static_cast<std::uint16_t>(pick(rng, 0, 59));
    s.rOther = static_cast<std::uint16_t>(pick(rng, 0, 5));
    s.rUnder = static_cast<std::uint16_t>(pick(rng, 0, 9));
    s.rOver = static_cast<std::uint16_t>(pick(rng, 0, 3));
    driftStep(p);
    return p;
}

void writeClock(RegisterFile& r, std::int64_t secondsSince2000) {
    const CivilTime t = civilTime(secondsSince2000);
    r[kRegClock] = static_cast<std::uint16_t>(toBcd(t.minute) << 8 | toBcd(t.second));
    r[kRegClock + 1] = toBcd(t.hour);
    r[kRegClock + 2] = static_cast<std::uint16_t>(toBcd(t.month) << 8 | toBcd(t.day));
    r[kRegClock + 3] = toBcd(t.year - 2000);
}

void writeGen4(RegisterFile& r, const Plant& p) {
    writeClock(r, p.clockAtStart + p.nowSeconds);
    const LiveState& s = p.live;
    r[24] = s.starts;
    r[25] = s.runHours;
    r[26] = s.runMinutes;
    r[27] = s.rOther;
    r[28] = s.rUnder;
    r[29] = s.rOver;
    const std::uint16_t live[] = {s.status, s.u[0], s.u[1], s.u[2], s.uImb, s.i[0], s.i[1],    s.i[2],
                                  s.iImb,   s.sop,  s.pf,   s.zagr, s.p,    s.t,    s.turbine, s.phaseOrder};
    std::copy(std::begin(live), std::end(live), r.begin() + kRegStatus);
}

void writeGen3(Gen3Controller& c) {
    const Plant& p = c.plant;
    const LiveState& s = p.live;
    const std::pair<std::uint8_t, std::uint16_t> values[] = {
        {16, s.status}, {17, s.u[0]}, {18, s.u[1]},   {19, s.u[2]},     {20, s.uImb},
        {21, s.i[0]},   {22, s.i[1]}, {23, s.i[2]},   {24, s.iImb},     {25, s.sop},
        {26, s.pf},     {27, s.zagr}, {28, s.p},      {29, s.t},        {52, s.starts},
        {53, s.turbine}, {35, s.phaseOrder}, {48, static_cast<std::uint16_t>(s.rUnder << 8 | s.rOther)},
        {49, s.runHours}, {50, s.runMinutes}, {65, s.rOver}};
    for (const auto& [command, value] : values)
        c.values[command] = value;
    const CivilTime t = civilTime(p.clockAtStart + p.nowSeconds);
    c.clock = {toBcd(t.second), toBcd(t.minute), toBcd(t.hour), toBcd(t.weekday),
               toBcd(t.day),    toBcd(t.month),  toBcd(t.year - 2000)};
}

} // namespace

void updateLive(Gen4Station& station, std::int64_t nowSeconds) {
    moveOn(station.plant, nowSeconds);
    writeGen4(station.holding, station.plant);
}

void updateLive(Gen3Controller& controller, std::int64_t nowSeconds) {
    moveOn(controller.plant, nowSeconds);
    writeGen3(controller);
}

void startStop(Gen4Station& station, bool start) {
    runOrStand(station.plant, start, 14); // "Стоп : дистанционный"
    writeGen4(station.holding, station.plant);
}

void trip(Gen4Station& station, std::uint8_t cause) {
    runOrStand(station.plant, false, cause);
    writeGen4(station.holding, station.plant);
}

void startStop(Gen3Controller& controller, bool start) {
    runOrStand(controller.plant, start, 15); // "Стоп : оператор"
    writeGen3(controller);
}

void adoptRegisters(Gen4Station& station) {
    const RegisterFile& r = station.holding;
    Plant& p = station.plant;
    LiveState& s = p.live;
    s.status = r[kRegStatus];
    s.starts = r[24];
    s.runHours = r[25];
    s.runMinutes = r[26];
    s.rOther = r[27];
    s.rUnder = r[28];
    s.rOver = r[29];
    const int u = (r[64] + r[65] + r[66]) / 3;
    if (u > 0) p.nominalU = static_cast<std::uint16_t>(u);
    p.driftU = 0;
    p.driftLoad = 0;
    const int meanI = (r[68] + r[69] + r[70]) / 3;
    if (meanI > 0 && p.motorI10 > 0) p.runLoadPercent = static_cast<std::uint16_t>(meanI * 100 / p.motorI10);
}

Gen4Station makeGen4Station(std::uint8_t address, std::uint32_t seed) {
    std::mt19937 rng(seed * 7919u + address);
    Gen4Station st;
    st.address = address;
    st.replyAddress = address;
    RegisterFile& r = st.holding;
    for (std::size_t k = 0; k < 16; ++k)
        r[k] = static_cast<std::uint16_t>(pick(rng, 0, 0xFFFF));
    const Installation in = makeInstallation(ControllerGeneration::Gen4, (seed + address) % 2 != 0,
                                             (seed + address) % 3 == 0, address, rng);
    for (const SettingDef& def : in.settings.entries)
        r[settingRegister(def.offset)] = def.value;
    for (std::size_t k = 247; k <= 249; ++k)
        r[k] = 0xFFFF;
    const GeneratedJournal journal =
        generateJournal(ControllerGeneration::Gen4, seed * 31u + address, in.pad, in.well, in.profile);
    st.journal = journal.image;
    st.plant = makePlant(in.profile, journal, seed * 131u + address, rng);
    writeGen4(r, st.plant);
    return st;
}

Gen3Controller makeGen3Controller(std::uint16_t typeCode, std::uint32_t seed) {
    std::mt19937 rng(seed * 104729u + typeCode);
    Gen3Controller c;
    c.typeCode = typeCode;
    // Bytes 0..255 carry the controller's working data; the settings lie at 256..465, low byte first.
    for (auto& b : c.settings)
        b = static_cast<std::uint8_t>(pick(rng, 0, 255));
    const Installation in = makeInstallation(ControllerGeneration::Gen3, typeCode == 99, seed % 3 == 0, 1, rng);
    overlayGen3Settings(c.settings, in.settings);
    // A motor or pump number "none" is kept as FF FF like any other value.
    for (int number : {91, 92})
        if (const SettingDef* d = in.settings.byNumber(number); d != nullptr && d->value == kUnknown16) {
            c.settings[d->offset] = 0xFF;
            c.settings[d->offset + 1u] = 0xFF;
        }
    const GeneratedJournal journal =
        generateJournal(ControllerGeneration::Gen3, seed * 17u + typeCode, in.pad, in.well, in.profile);
    c.journal = journal.image;
    c.values = {{51, static_cast<std::uint16_t>(pick(rng, 0, 99))}, {54, typeCode}, {55, in.pad}, {56, in.well}};
    c.plant = makePlant(in.profile, journal, seed * 137u + typeCode, rng);
    writeGen3(c);
    return c;
}

std::vector<RecorderEntry> makeRecorderEntries(int count, std::uint32_t seed) {
    std::vector<RecorderEntry> entries;
    for (int i = 1; i <= count; ++i) {
        RecorderEntry e;
        std::uint32_t entrySeed = seed * 65537u + static_cast<std::uint32_t>(i);
        if (i % 3 == 0) {
            // Copied from a generation 3 station: its settings block starts E1 EC, its journal
            // is kept reversed end for end; the directory registers are filled in by the recorder.
            Gen3Controller c = makeGen3Controller(i % 2 ? 11 : 99, entrySeed);
            c.settings[0] = 0xE1;
            c.settings[1] = 0xEC;
            e.copiedFrom = ControllerGeneration::Gen3;
            e.holding = registersFromBlock(c.settings);
            std::reverse_copy(c.journal.begin(), c.journal.end(), e.journal.begin());
            writeClock(e.holding, c.plant.clockAtStart); // when the recorder copied it
            e.holding[kRegPad] = c.values[55];
            e.holding[kRegWell] = c.values[56];
            e.holding[kRegMotor] = 0xFFFF;
            e.holding[kRegPump] = 0xFFFF;
        } else {
            Gen4Station st = makeGen4Station(static_cast<std::uint8_t>(i), entrySeed);
            e.copiedFrom = ControllerGeneration::Gen4;
            e.holding = st.holding;
            e.journal = st.journal;
        }
        entries.push_back(e);
    }
    return entries;
}

} // namespace vorsan::sim
