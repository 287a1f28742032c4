// The simulated devices' answers, without a port.
#include "line_model.h"

#include "journal/journal_decode.h"
#include "journal_generator.h"
#include "link/checksums.h"
#include "settings/catalogue.h"
#include "settings/settings_block.h"
#include "sim_options.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace vorsan::sim {
namespace {

Bytes frame(Bytes head) {
    appendCrc(head);
    return head;
}

bool crcOk(const Bytes& reply) {
    if (reply.size() < 3) return false;
    std::uint16_t crc = crc16(std::span(reply).first(reply.size() - 2));
    return reply[reply.size() - 2] == (crc & 0xFF) && reply.back() == (crc >> 8);
}

LineModel lineWith(std::vector<std::uint8_t> gen4, std::optional<std::uint16_t> gen3 = {},
                   std::optional<int> recorder = {}) {
    SimOptions o;
    o.gen4Addresses = std::move(gen4);
    o.gen3TypeCode = gen3;
    o.recorderEntries = recorder;
    return LineModel(o);
}

TEST(LineModel, StationRegistersFollowTheSettingsLayout) {
    const SettingsCatalogue c = buildCatalogue(ControllerGeneration::Gen4);
    EXPECT_EQ(settingRegister(c.byNumber(kGen4PadNumber)->offset), kRegPad);
    EXPECT_EQ(settingRegister(c.byNumber(kGen4WellNumber)->offset), kRegWell);
    EXPECT_EQ(settingRegister(c.byNumber(kGen4StationAddress)->offset), kRegAddress);
    LineModel m = lineWith({9});
    EXPECT_EQ(m.stations[0].holding[kRegAddress], 9);
    // Generated settings lie within their limits.
    for (const SettingDef& def : c.entries) {
        if (def.editorKind == EditorKind::mask && settingRegister(def.offset) < kRegPad) {
            EXPECT_LE(m.stations[0].holding[settingRegister(def.offset)], def.maxRaw) << def.longName;
        }
    }
}

TEST(LineModel, StationAnswersEachFunction) {
    LineModel m = lineWith({5});
    struct Case {
        Bytes request;
        std::size_t replyLength;
        std::uint8_t function;
    };
    const Case cases[] = {
        {{5, 0x03, 0x00, 0xEE, 0x00, 0x02}, 9, 0x03},   // pad and well
        {{5, 0x03, 0x00, 0x3F, 0x00, 0x10}, 37, 0x03},  // current state
        {{5, 0x04, 0x00, 0x40, 0x00, 0x40}, 133, 0x04}, // journal block 1
        {{5, 0x03, 0xFF, 0xFF, 0x00, 0x01}, 5, 0x83},   // search probe: refused
        {{5, 0x04, 0x3F, 0xFF, 0x00, 0x02}, 5, 0x84},   // beyond the journal
        {{5, 0x06, 0x00, 0xB0, 0x01, 0x7C}, 8, 0x06},   // write register 176 := 380
        {{5, 0x05, 0x00, 0x00, 0x27, 0x10}, 5, 0x85},   // clear, switch on: refused
        {{5, 0x05, 0x00, 0x3F, 0x00, 0x00}, 8, 0x05},   // stop
        {{5, 0x10, 0x00, 0x00, 0x00, 0x01}, 5, 0x90},   // unknown function
    };
    for (const Case& c : cases) {
        Bytes reply = m.onFrame(frame(c.request));
        ASSERT_EQ(reply.size(), c.replyLength) << int(c.request[1]);
        EXPECT_EQ(reply[0], 5);
        EXPECT_EQ(reply[1], c.function);
        EXPECT_TRUE(crcOk(reply));
    }
    EXPECT_EQ(m.stations[0].holding[176], 380);
    EXPECT_EQ(m.stations[0].holding[kRegStatus] & 1, 0);
    EXPECT_TRUE(m.onFrame(frame({6, 0x03, 0x00, 0xEE, 0x00, 0x02})).empty());
}

TEST(LineModel, JournalRegistersCarryTheImageInOrder) {
    LineModel m = lineWith({1});
    Bytes reply = m.onFrame(frame({1, 0x04, 0x01, 0x00, 0x00, 0x40})); // block 4: bytes 512..639
    ASSERT_EQ(reply.size(), 133u);
    EXPECT_TRUE(std::equal(reply.begin() + 3, reply.end() - 2, m.stations[0].journal.begin() + 512));
}

TEST(LineModel, Gen3HandshakesAndSettingsWrite) {
    LineModel m = lineWith({}, 99);
    EXPECT_EQ(m.onCommandByte(0xFF), Bytes{0xFF});
    EXPECT_EQ(m.onCommandByte(54), Bytes{54});
    EXPECT_TRUE(m.gen3Busy());
    EXPECT_EQ(m.onCommandByte(0xE0), (Bytes{0xE0, 99, 0}));
    EXPECT_FALSE(m.gen3Busy());
    Bytes journal = m.onCommandByte(0x45);
    ASSERT_EQ(journal.size(), 1u + kJournalImageSize);
    std::uint16_t sum = additiveChecksum(std::span(journal).subspan(1));
    EXPECT_EQ(m.onCommandByte(0xE0),
              (Bytes{0xE0, static_cast<std::uint8_t>(sum & 0xFF), static_cast<std::uint8_t>(sum >> 8)}));
    EXPECT_EQ(m.onCommandByte(0x1E).size(), 8u);

    // A write without its closing 0xDF changes nothing; with it the block is taken.
    const ParameterBlock before = m.gen3->settings;
    EXPECT_EQ(m.onCommandByte(0xDE), Bytes{0xDE});
    for (int k = 0; k < 512; ++k)
        EXPECT_EQ(m.onCommandByte(0x11), Bytes{0x11});
    EXPECT_EQ(m.onCommandByte(0x45).size(), 1u + kJournalImageSize); // another command: write dropped
    EXPECT_TRUE(m.gen3->settings == before);
    m.onCommandByte(0xDE);
    for (int k = 0; k < 512; ++k)
        m.onCommandByte(static_cast<std::uint8_t>(k));
    EXPECT_EQ(m.onCommandByte(0xFF), Bytes{0xFF}); // a filler
    EXPECT_EQ(m.onCommandByte(0xDF), Bytes{0xDF});
    EXPECT_EQ(m.gen3->settings[300], 300 & 0xFF);
    EXPECT_TRUE(m.onCommandByte(0x99).empty());
}

TEST(LineModel, RecorderSwitchesSpeedAfterAnsweringAndClears) {
    LineModel m = lineWith({}, {}, 6);
    Bytes speed = frame({0xFF, 0x06, 0x00, 0x09, 0x00, 0x07});
    EXPECT_EQ(m.replySpeed(speed), 9600u);
    EXPECT_EQ(m.onFrame(speed), speed);
    EXPECT_EQ(m.replySpeed(frame({3, 0x04, 0, 0, 0, 0x40})), 57600u);
    EXPECT_EQ(m.recorder->entries[2].copiedFrom, ControllerGeneration::Gen3);
    EXPECT_EQ(m.recorder->entries[2].holding[0], 0xE1EC);
    EXPECT_EQ(m.onFrame(frame({0xFF, 0x03, 0x00, 0x20, 0x00, 0x01}))[4], 6);
    m.onFrame(frame({0xFF, 0x06, 0x00, 0x20, 0x00, 0x00}));
    EXPECT_EQ(m.recorder->count, 0);
    EXPECT_TRUE(m.onFrame(frame({1, 0x03, 0x00, 0xEE, 0x00, 0x02})).empty());
}

TEST(JournalGenerator, Generation4JournalLooksLikeAStationsLife) {
    const JournalImage image = generateJournal(ControllerGeneration::Gen4, 3, 12, 345);
    const Journal j = decodeJournal(image, ControllerGeneration::Gen4).journal;
    std::map<int, int> kinds;
    std::set<int> stopCodes;
    std::size_t sameSecond = 0;
    for (std::size_t k = 0; k < j.count(); ++k) {
        const JournalRecord& r = j.records[k];
        kinds[r.SOBYTIE == 255 ? 0 : r.SOBYTIE == 250 ? 1 : isStopEvent(r.SOBYTIE) ? 2 : 3]++;
        if (isStopEvent(r.SOBYTIE)) stopCodes.insert(r.SOBYTIE);
        if (k > 0 && r.second == j.records[k - 1].second && r.minute == j.records[k - 1].minute &&
            r.hour == j.records[k - 1].hour && r.day == j.records[k - 1].day)
            ++sameSecond;
        if (r.SOBYTIE == 255 && r.EXT_ZAP != 2) { // 2: taken at a low voltage stop
            EXPECT_GT(r.UAB, 300);
            EXPECT_LT(r.UAB, 460);
        }
    }
    EXPECT_EQ(kinds[0], 960); // every measurement slot in use
    EXPECT_GT(kinds[1], 0);   // setting changes
    EXPECT_GT(kinds[2], 10);  // stops
    EXPECT_GT(kinds[3], 10);  // starts
    EXPECT_GE(stopCodes.size(), 4u);
    EXPECT_GT(sameSecond, 10u);
}

TEST(JournalGenerator, Generation3JournalCarriesPadAndWell) {
    const JournalImage image = generateJournal(ControllerGeneration::Gen3, 3, 12, 345);
    const DecodedJournal d = decodeJournal(image, ControllerGeneration::Gen3);
    EXPECT_EQ(d.padNumber, 12);
    EXPECT_EQ(d.wellNumber, 345);
    EXPECT_GT(d.journal.count(), 992u);
    EXPECT_TRUE(image == generateJournal(ControllerGeneration::Gen3, 3, 12, 345));
    EXPECT_FALSE(image == generateJournal(ControllerGeneration::Gen3, 4, 12, 345));
}

TEST(SimOptions, ParsesTheCommandLine) {
    SimOptions o;
    bool help = false;
    EXPECT_EQ(
        parseSimOptions({"--gen4", "1,5,17", "--gen3", "99", "--recorder", "4", "--switch", "off", "--baud",
                         "19200", "--corrupt", "0.05", "--drop", "0.02", "--slow-ms", "40", "--seed", "9"},
                        o, help),
        "");
    EXPECT_EQ(o.gen4Addresses, (std::vector<std::uint8_t>{1, 5, 17}));
    EXPECT_EQ(o.gen3TypeCode, 99);
    EXPECT_EQ(o.recorderEntries, 4);
    EXPECT_TRUE(o.switchOff);
    EXPECT_EQ(o.baud, 19200u);
    EXPECT_DOUBLE_EQ(o.corrupt, 0.05);
    EXPECT_EQ(o.slowMs, 40u);
    EXPECT_EQ(o.seed, 9u);
    EXPECT_FALSE(help);

    SimOptions d;
    EXPECT_EQ(parseSimOptions({}, d, help), "");
    EXPECT_EQ(d.gen4Addresses, (std::vector<std::uint8_t>{1}));

    for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{{"--gen4", "0"},
                                                                              {"--gen4", "1,,2"},
                                                                              {"--gen4", "248"},
                                                                              {"--corrupt", "1.5"},
                                                                              {"--switch", "maybe"},
                                                                              {"--baud"},
                                                                              {"--bogus"},
                                                                              {"stray"}}) {
        SimOptions x;
        EXPECT_NE(parseSimOptions(bad, x, help), "") << bad[0];
    }
    EXPECT_EQ(parseSimOptions({"--help"}, d, help), "");
    EXPECT_TRUE(help);
}

} // namespace
} // namespace vorsan::sim
