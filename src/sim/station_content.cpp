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

// Live quantities shared by both generations (voltages in volts, currents in tenths).
struct LiveState {
    std::uint16_t status, u[3], uImb, i[3], iImb, sop, pf, zagr, p, t, turbine, phaseOrder;
    std::uint16_t starts, runHours, runMinutes, rOther, rUnder, rOver;
};

LiveState makeLiveState(std::mt19937& rng) {
    LiveState s{};
    bool running = pick(rng, 0, 3) != 0;
    unsigned lastStop = std::array<unsigned, 5>{3, 10, 1, 15, 6}[pick(rng, 0, 4)];
    s.status = static_cast<std::uint16_t>((running ? 1 : 0) | lastStop << 6);
    unsigned u = pick(rng, 370, 400), i = pick(rng, 180, 450);
    for (int k = 0; k < 3; ++k) {
        s.u[k] = static_cast<std::uint16_t>(u + pick(rng, 0, 6) - 3);
        s.i[k] = running ? static_cast<std::uint16_t>(i + pick(rng, 0, 10) - 5) : 0;
    }
    s.uImb = static_cast<std::uint16_t>(pick(rng, 0, 3));
    s.iImb = static_cast<std::uint16_t>(running ? pick(rng, 1, 6) : 0);
    s.sop = static_cast<std::uint16_t>(pick(rng, 500, 9999));
    s.pf = static_cast<std::uint16_t>(running ? pick(rng, 78, 92) : 0);
    s.zagr = static_cast<std::uint16_t>(running ? pick(rng, 55, 95) : 0);
    s.p = static_cast<std::uint16_t>(pick(rng, 20, 60));
    s.t = static_cast<std::uint16_t>(pick(rng, 40, 95));
    s.turbine = static_cast<std::uint16_t>(running ? 0 : pick(rng, 0, 12));
    s.phaseOrder = 1;
    s.starts = static_cast<std::uint16_t>(pick(rng, 10, 900));
    s.runHours = static_cast<std::uint16_t>(pick(rng, 100, 30000));
    s.runMinutes = static_cast<std::uint16_t>(pick(rng, 0, 59));
    s.rOther = static_cast<std::uint16_t>(pick(rng, 0, 9));
    s.rUnder = static_cast<std::uint16_t>(pick(rng, 0, 9));
    s.rOver = static_cast<std::uint16_t>(pick(rng, 0, 9));
    return s;
}

// A raw value within a setting's limits (a choice: one of its items).
std::uint16_t plausibleValue(const SettingDef& def, std::mt19937& rng) {
    if (def.editorKind == EditorKind::choice)
        return static_cast<std::uint16_t>(
            pick(rng, 0, def.choices.empty() ? 0u : unsigned(def.choices.size() - 1)));
    const double lo = std::max(0.0, def.minRaw), hi = std::clamp(def.maxRaw, lo, 65534.0);
    return static_cast<std::uint16_t>(pick(rng, static_cast<unsigned>(lo), static_cast<unsigned>(hi)));
}

void setClock(RegisterFile& regs, std::mt19937& rng) {
    unsigned month = pick(rng, 1, 12), day = pick(rng, 1, 28);
    regs[kRegClock] = static_cast<std::uint16_t>(toBcd(pick(rng, 0, 59)) << 8 | toBcd(pick(rng, 0, 59)));
    regs[kRegClock + 1] = toBcd(pick(rng, 0, 23));
    regs[kRegClock + 2] = static_cast<std::uint16_t>(toBcd(month) << 8 | toBcd(day));
    regs[kRegClock + 3] = toBcd(26);
}

} // namespace

Gen4Station makeGen4Station(std::uint8_t address, std::uint32_t seed) {
    std::mt19937 rng(seed * 7919u + address);
    Gen4Station st;
    st.address = address;
    st.replyAddress = address;
    RegisterFile& r = st.holding;
    for (std::size_t k = 0; k < 16; ++k)
        r[k] = static_cast<std::uint16_t>(pick(rng, 0, 0xFFFF));
    setClock(r, rng);
    LiveState s = makeLiveState(rng);
    r[24] = s.starts;
    r[25] = s.runHours;
    r[26] = s.runMinutes;
    r[27] = s.rOther;
    r[28] = s.rUnder;
    r[29] = s.rOver;
    const std::uint16_t live[] = {s.status, s.u[0], s.u[1], s.u[2], s.uImb, s.i[0], s.i[1],    s.i[2],
                                  s.iImb,   s.sop,  s.pf,   s.zagr, s.p,    s.t,    s.turbine, s.phaseOrder};
    std::copy(std::begin(live), std::end(live), r.begin() + kRegStatus);
    // Settings: a value within each setting's limits; the transformer setting picks the variant.
    for (const SettingDef& def : buildCatalogue(ControllerGeneration::Gen4).entries)
        r[settingRegister(def.offset)] = plausibleValue(def, rng);
    r[settingRegister(buildCatalogue(ControllerGeneration::Gen4).byNumber(kGen4TransformerNumber)->offset)] =
        (seed + address) % 2 ? 380 : 220;
    r[kRegPad] = static_cast<std::uint16_t>(pick(rng, 1, 300));
    r[kRegWell] = static_cast<std::uint16_t>(pick(rng, 1, 9999));
    r[kRegMotor] = static_cast<std::uint16_t>(pick(rng, 1000, 60000));
    r[kRegPump] = static_cast<std::uint16_t>(pick(rng, 1000, 60000));
    r[kRegAddress] = address;
    for (std::size_t k = 247; k <= 249; ++k)
        r[k] = 0xFFFF;
    st.journal = generateJournal(ControllerGeneration::Gen4, seed * 31u + address, r[kRegPad], r[kRegWell]);
    return st;
}

Gen3Controller makeGen3Controller(std::uint16_t typeCode, std::uint32_t seed) {
    std::mt19937 rng(seed * 104729u + typeCode);
    Gen3Controller c;
    c.typeCode = typeCode;
    LiveState s = makeLiveState(rng);
    std::uint16_t pad = static_cast<std::uint16_t>(pick(rng, 1, 300));
    std::uint16_t well = static_cast<std::uint16_t>(pick(rng, 1, 9999));
    c.values = {{16, s.status},
                {17, s.u[0]},
                {18, s.u[1]},
                {19, s.u[2]},
                {20, s.uImb},
                {21, s.i[0]},
                {22, s.i[1]},
                {23, s.i[2]},
                {24, s.iImb},
                {25, s.sop},
                {26, s.pf},
                {27, s.zagr},
                {28, s.p},
                {29, s.t},
                {51, static_cast<std::uint16_t>(pick(rng, 0, 99))},
                {52, s.starts},
                {53, s.turbine},
                {35, s.phaseOrder},
                {48, static_cast<std::uint16_t>(s.rUnder << 8 | s.rOther)},
                {49, s.runHours},
                {50, s.runMinutes},
                {54, typeCode},
                {55, pad},
                {56, well},
                {65, s.rOver}};
    c.clock = {toBcd(pick(rng, 0, 59)),
               toBcd(pick(rng, 0, 59)),
               toBcd(pick(rng, 0, 23)),
               toBcd(pick(rng, 1, 7)),
               toBcd(pick(rng, 1, 28)),
               toBcd(pick(rng, 1, 12)),
               toBcd(26)};
    // Bytes 0..255 carry the controller's working data; the settings lie at 256..465, low byte first.
    for (auto& b : c.settings)
        b = static_cast<std::uint8_t>(pick(rng, 0, 255));
    SettingsCatalogue catalogue = buildCatalogue(ControllerGeneration::Gen3);
    for (SettingDef& def : catalogue.entries)
        def.value = plausibleValue(def, rng);
    catalogue.byNumber(kGen3PadNumber)->value = pad;
    catalogue.byNumber(kGen3WellNumber)->value = well;
    overlayGen3Settings(c.settings, catalogue);
    c.journal = generateJournal(ControllerGeneration::Gen3, seed * 17u + typeCode, pad, well);
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
            std::mt19937 rng(entrySeed);
            setClock(e.holding, rng);
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
