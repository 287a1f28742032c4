// The simulated stations look like real ones: a typical installation's settings, live values that
// move, and journals that agree with the settings.
#include "sim_fixture.h"

#include "journal/current_state.h"
#include "journal/journal_decode.h"
#include "link/checksums.h"
#include "link/current_state_read.h"
#include "settings/catalogue.h"
#include "settings/settings_block.h"

#include <algorithm>
#include <map>
#include <thread>

namespace vorsan::sim::test {
namespace {

LineModel gen4Model(std::vector<std::uint8_t> addresses, std::uint32_t seed = 7) {
    SimOptions o;
    o.gen4Addresses = std::move(addresses);
    o.seed = seed;
    return LineModel(o);
}

SettingsCatalogue settingsOf(const Gen4Station& s) {
    SettingsCatalogue c = buildCatalogue(ControllerGeneration::Gen4);
    readSettingsBlock(c, blockFromRegisters(s.holding), BlockLayout::controller);
    return c;
}

std::uint16_t setting(const SettingsCatalogue& c, int number) {
    return c.byNumber(number)->value;
}

// A poll as the program sends it: state block, clock block, pad and well.
CurrentState poll(LineModel& m, std::uint8_t address, std::int64_t atSeconds) {
    m.nowSeconds = atSeconds;
    CurrentState s = unreadState();
    const std::pair<std::uint16_t, std::uint16_t> blocks[] = {{63, 16}, {16, 16}, {238, 2}};
    for (const auto& [first, count] : blocks) {
        Bytes f{address, 0x03, static_cast<std::uint8_t>(first >> 8), static_cast<std::uint8_t>(first & 0xFF), 0,
                static_cast<std::uint8_t>(count)};
        appendCrc(f);
        const Bytes reply = m.onFrame(f);
        EXPECT_EQ(reply.size(), 5u + 2u * count);
        applyStateRegisterBytes(s, first, std::span(reply).subspan(3, 2u * count));
    }
    return s;
}

std::int64_t clockSeconds(const CurrentState& s) {
    return ((s.day * 24 + s.hour) * 60 + s.minute) * 60 + s.second;
}

TEST(PlausibleStation, SettingsOfATypicalInstallation) {
    LineModel m = gen4Model({1, 2, 3, 4, 5, 6});
    int withoutMotor = 0;
    for (const Gen4Station& st : m.stations) {
        const SettingsCatalogue c = settingsOf(st);
        SCOPED_TRACE(int(st.address));
        EXPECT_EQ(setting(c, 21), 380);                       // nominal voltage
        const std::uint16_t transformer = setting(c, kGen4TransformerNumber);
        EXPECT_TRUE((transformer >= 1000 && transformer <= 2000) || transformer == 100 || transformer == 150 ||
                    transformer == 200)
            << transformer;
        EXPECT_GE(setting(c, 34), 200);                       // motor current 20.0 ... 50.0 A
        EXPECT_LE(setting(c, 34), 500);
        EXPECT_LT(setting(c, 42), 80);                        // underload below the working load
        EXPECT_GT(setting(c, 37), 100);                       // overload above the nominal current
        EXPECT_EQ(setting(c, kGen4StationAddress), st.address);
        withoutMotor += setting(c, 85) == kUnknown16;
        for (const SettingDef& d : c.entries) {
            if (d.value == kUnknown16) continue; // motor and pump "none"
            EXPECT_GE(d.value, d.minRaw) << d.longName;
            EXPECT_LE(d.value, d.maxRaw) << d.longName;
        }
    }
    EXPECT_GT(withoutMotor, 0);
    EXPECT_LT(withoutMotor, 6);
}

TEST(PlausibleStation, SameSeedSameStationsOtherSeedOthers) {
    const LineModel a = gen4Model({1, 2}), b = gen4Model({1, 2}), c = gen4Model({1, 2}, 8);
    EXPECT_EQ(a.stations[1].holding, b.stations[1].holding);
    EXPECT_TRUE(a.stations[1].journal == b.stations[1].journal);
    EXPECT_NE(a.stations[1].holding, c.stations[1].holding);
}

TEST(PlausibleStation, LiveValuesDriftAndTheClockTicksFromPollToPoll) {
    LineModel m = gen4Model({1});
    startStop(m.stations[0], true);
    const CurrentState first = poll(m, 1, 0);
    const CurrentState later = poll(m, 1, 75);
    int changed = 0;
    std::vector<CurrentState> polls{later};
    for (int k = 1; k <= 5; ++k)
        polls.push_back(poll(m, 1, 75 + 2 * k));
    for (std::size_t k = 1; k < polls.size(); ++k) {
        changed += polls[k].UAB != polls[k - 1].UAB || polls[k].IA != polls[k - 1].IA;
        EXPECT_LE(std::abs(int(polls[k].UAB) - int(polls[k - 1].UAB)), 8);
        EXPECT_LE(std::abs(int(polls[k].IA) - int(polls[k - 1].IA)), int(polls[k - 1].IA) / 10 + 2);
    }
    EXPECT_GE(changed, 3);
    // The clock runs with the simulator's time: 75 s between the first two polls, 10 s to the last.
    EXPECT_EQ((clockSeconds(later) - clockSeconds(first) + 86400 * 31) % 86400, 75);
    EXPECT_EQ((clockSeconds(polls.back()) - clockSeconds(later) + 86400 * 31) % 86400, 10);
    EXPECT_GT(later.runMinutes * 60 + later.runHours * 3600, first.runMinutes * 60 + first.runHours * 3600);
}

TEST(PlausibleStation, StartAndStopChangeCurrentsLoadAndCounters) {
    LineModel m = gen4Model({3});
    Gen4Station& st = m.stations[0];
    const std::uint16_t motorI10 = setting(settingsOf(st), 34);
    startStop(st, true);
    const std::uint16_t starts = st.holding[24];
    CurrentState s = poll(m, 3, 1);
    EXPECT_EQ(s.status & 1, 1);
    EXPECT_GT(s.IA, motorI10 / 2);
    EXPECT_LT(s.IA, motorI10);
    EXPECT_GT(s.ZAGR, setting(settingsOf(st), 42)); // above the underload setting
    EXPECT_GT(s.powerFactor, 70);

    Bytes stop{3, 0x05, 0x00, 0x3F, 0x00, 0x00};
    appendCrc(stop);
    EXPECT_EQ(m.onFrame(stop).size(), 8u);
    s = poll(m, 3, 3);
    EXPECT_EQ(s.status & 1, 0);
    EXPECT_EQ(s.status >> 6 & 31, 14); // "Стоп : дистанционный"
    EXPECT_EQ(s.IA, 0);
    EXPECT_EQ(s.ZAGR, 0);
    Bytes start{3, 0x05, 0x00, 0x3F, 0x00, 0x01};
    appendCrc(start);
    m.onFrame(start);
    EXPECT_EQ(poll(m, 3, 5).starts, starts + 1);
}

// Each protection's stop comes with the measurement that tripped it, beyond its setting.
TEST(PlausibleStation, JournalStopsAgreeWithTheSettings) {
    LineModel m = gen4Model({1, 2, 3, 4});
    std::map<int, int> seen;
    for (const Gen4Station& st : m.stations) {
        const SettingsCatalogue c = settingsOf(st);
        const Journal j = decodeJournal(st.journal, ControllerGeneration::Gen4).journal;
        const int nominal = setting(c, 21);
        for (std::size_t k = 1; k < j.count(); ++k) {
            const JournalRecord& stop = j.records[k];
            const JournalRecord& at = j.records[k - 1];
            if (!isStopEvent(stop.SOBYTIE) || at.SOBYTIE != 255) continue;
            SCOPED_TRACE(int(stop.SOBYTIE));
            ++seen[stop.SOBYTIE];
            switch (stop.SOBYTIE) {
            case 3:
                EXPECT_LT(at.ZAGR, setting(c, 42));
                break;
            case 10:
                EXPECT_GT(at.ZAGR, setting(c, 37));
                break;
            case 1:
                EXPECT_LT(at.UAB, nominal * setting(c, 26) / 100);
                break;
            case 0:
                EXPECT_GT(at.UAB, nominal * setting(c, 23) / 100);
                break;
            case 8:
                EXPECT_LT(at.SOP, setting(c, 71));
                break;
            default:
                break;
            }
        }
        // The station runs or stands as its journal ended.
        for (std::size_t k = j.count(); k-- > 0;) {
            const int code = j.records[k].SOBYTIE;
            if (isStopEvent(code) || code == 46 || code == 48 || code == 49) {
                EXPECT_EQ(st.holding[kRegStatus] & 1, isStopEvent(code) ? 0 : 1);
                break;
            }
        }
    }
    EXPECT_GT(seen[3], 0);
}

// On the line: two polls a second apart show the station clock a second later.
TEST(PlausibleStation, StationClockTicksOnTheLine) {
    SimOptions o = fastOptions();
    o.gen4Addresses = {1};
    SimLine line(o);
    ASSERT_TRUE(line.open());
    const CurrentStateRead a = readCurrentState4(line.link, 1);
    std::this_thread::sleep_for(std::chrono::milliseconds(2100));
    const CurrentStateRead b = readCurrentState4(line.link, 1);
    ASSERT_TRUE(a.ok() && b.ok());
    const std::int64_t passed = (clockSeconds(b.state) - clockSeconds(a.state) + 86400 * 31) % 86400;
    EXPECT_GE(passed, 2);
    EXPECT_LE(passed, 3);
}

} // namespace
} // namespace vorsan::sim::test
