// Every transaction of the link against the exact bytes of the line. The requests below are
// written out in full, CRC included (checked by hand against the CRC-16 of the framed protocol,
// e.g. 01 03 FF FF 00 01 -> 84 2E), so a request builder and a peer that agree with each other but
// not with the line cannot pass. Replies are scripted with withCrc: the CRC itself is pinned down
// by the request rows.
#include "link/current_state_read.h"
#include "link/device_search.h"
#include "link/frame_exchange.h"
#include "link/journal_transfer.h"
#include "link/line_probe.h"
#include "link/recorder_transfer.h"
#include "link/scripted_link.h"
#include "link/settings_transfer.h"
#include "link/station_control.h"
#include "settings/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vorsan;

namespace {

Bytes frameOf(const FramedRequest& r) {
    return Bytes(r.bytes.begin(), r.bytes.end());
}

// Whole frames as they go out on the line.
const Bytes kRecorderPresent{0xFF, 0x03, 0x00, 0x20, 0x00, 0x01, 0x90, 0x1E};
const Bytes kPadWell1{0x01, 0x03, 0x00, 0xEE, 0x00, 0x02, 0xA4, 0x3E};
const Bytes kPadWell17{0x11, 0x03, 0x00, 0xEE, 0x00, 0x02, 0xA6, 0xAE};
const Bytes kStateFirst17{0x11, 0x03, 0x00, 0x3F, 0x00, 0x10, 0x76, 0x9A};
const Bytes kSpeed47{0xFF, 0x06, 0x00, 0x09, 0x00, 0x2F, 0x0D, 0xCA};
const Bytes kSpeed3{0xFF, 0x06, 0x00, 0x09, 0x00, 0x03, 0x0C, 0x17};

struct WireLine : ::testing::Test {
    void SetUp() override { ASSERT_TRUE(line.open("scripted", 9600).ok()); }
    ScriptedLink line;
};

// A 0x03/0x04 reply carrying `values`, high byte first.
Bytes registersReply(std::uint8_t address, std::uint8_t function, const std::vector<std::uint16_t>& values) {
    Bytes f{address, function, static_cast<std::uint8_t>(2 * values.size())};
    for (std::uint16_t v : values) {
        f.push_back(static_cast<std::uint8_t>(v >> 8));
        f.push_back(static_cast<std::uint8_t>(v & 0xFF));
    }
    return withCrc(f);
}

} // namespace

TEST(WireBytes, EveryRequestOfTheProgramInFull) {
    const struct {
        const char* what;
        FramedRequest request;
        Bytes wire;
    } rows[] = {
        {"state first", currentStateFirstRequest(1), {0x01, 0x03, 0x00, 0x3F, 0x00, 0x10, 0x74, 0x0A}},
        {"state second", currentStateSecondRequest(1), {0x01, 0x03, 0x00, 0x10, 0x00, 0x10, 0x45, 0xC3}},
        {"pad and well", padWellRequest(1), kPadWell1},
        {"pad and well at 17", padWellRequest(17, 1300), kPadWell17},
        {"state first at 17", currentStateFirstRequest(17), kStateFirst17},
        {"settings 0", settingsBlockRequest(1, 0), {0x01, 0x03, 0x00, 0x00, 0x00, 0x10, 0x44, 0x06}},
        {"settings 11", settingsBlockRequest(1, 11), {0x01, 0x03, 0x00, 0xB0, 0x00, 0x10, 0x45, 0xE1}},
        {"settings 15", settingsBlockRequest(1, 15), {0x01, 0x03, 0x00, 0xF0, 0x00, 0x10, 0x44, 0x35}},
        {"write 176 := 380",
         writeSettingRequest(1, 176, 380),
         {0x01, 0x06, 0x00, 0xB0, 0x01, 0x7C, 0x88, 0x5C}},
        {"write 238 := 12",
         writeSettingRequest(1, 238, 12),
         {0x01, 0x06, 0x00, 0xEE, 0x00, 0x0C, 0xE9, 0xFA}},
        {"journal 0", journalBlockRequest(1, 0), {0x01, 0x04, 0x00, 0x00, 0x00, 0x40, 0xF1, 0xFA}},
        {"journal 1", journalBlockRequest(1, 1), {0x01, 0x04, 0x00, 0x40, 0x00, 0x40, 0xF0, 0x2E}},
        {"journal 255", journalBlockRequest(1, 255), {0x01, 0x04, 0x3F, 0xC0, 0x00, 0x40, 0xFD, 0xD2}},
        {"clear", clearChronologyRequest(1), {0x01, 0x05, 0x00, 0x00, 0x27, 0x10, 0xD7, 0xF6}},
        {"start", startStopRequest(1, true), {0x01, 0x05, 0x00, 0x3F, 0x00, 0x01, 0x3C, 0x06}},
        {"stop", startStopRequest(1, false), {0x01, 0x05, 0x00, 0x3F, 0x00, 0x00, 0xFD, 0xC6}},
        {"search 1", searchProbeRequest(1), {0x01, 0x03, 0xFF, 0xFF, 0x00, 0x01, 0x84, 0x2E}},
        {"search 247", searchProbeRequest(247), {0xF7, 0x03, 0xFF, 0xFF, 0x00, 0x01, 0x90, 0xB8}},
        {"recorder present", recorderPresentRequest(), kRecorderPresent},
        {"recorder clear", recorderClearRequest(), {0xFF, 0x06, 0x00, 0x20, 0x00, 0x00, 0x9D, 0xDE}},
        {"speed 47", recorderSpeedRequest(47), kSpeed47},
        {"speed 7", recorderSpeedRequest(7), {0xFF, 0x06, 0x00, 0x09, 0x00, 0x07, 0x0D, 0xD4}},
        {"speed 3", recorderSpeedRequest(3), kSpeed3},
        {"entry 2 clock", recorderEntryClockRequest(2), {0x02, 0x03, 0x00, 0x10, 0x00, 0x04, 0x45, 0xFF}},
        {"entry 2 identity",
         recorderEntryIdentityRequest(2),
         {0x02, 0x03, 0x00, 0xEE, 0x00, 0x04, 0x24, 0x0F}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(frameOf(row.request), row.wire) << row.what;
}

// ---- probe tick ---------------------------------------------------------------------------

TEST_F(WireLine, ProbeOfAQuietLineAsksEchoThenRecorderThenPadAndWell) {
    line.expect({0xFF});
    line.expect(kRecorderPresent);
    line.expect(kPadWell1);
    const LineProbe p = probeLine(line, 1);
    EXPECT_EQ(p.device, LineDevice::Nothing);
    EXPECT_EQ(line.writes(), (std::vector<Bytes>{{0xFF}, kRecorderPresent, kPadWell1}));
    EXPECT_EQ(line.mismatches(), 0u);
}

TEST_F(WireLine, ProbeReadsPadAndWellHighByteFirst) {
    line.expect({0xFF});
    line.expect(kRecorderPresent);
    line.expect(kPadWell1).reply({0x01, 0x03, 0x04, 0x00, 0x0C, 0x01, 0x59, 0xFB, 0x9A});
    const LineProbe p = probeLine(line, 1);
    EXPECT_EQ(p.device, LineDevice::Gen4Station);
    EXPECT_EQ(p.pad, 12);
    EXPECT_EQ(p.well, 345);
}

TEST_F(WireLine, RecorderCountIsRegister0x20AndTwoFiftyFiveMeansNone) {
    line.expect({0xFF});
    line.expect(kRecorderPresent).reply({0xFF, 0x03, 0x02, 0x00, 0x04, 0x90, 0x53});
    LineProbe p = probeLine(line, 1);
    EXPECT_EQ(p.device, LineDevice::Recorder);
    EXPECT_EQ(p.recorderCount, 4);
    EXPECT_EQ(line.writes().size(), 2u); // no pad-and-well request

    line.expect({0xFF});
    line.expect(kRecorderPresent).reply({0xFF, 0x03, 0x02, 0x00, 0xFF, 0xD1, 0xD0});
    line.expect(kPadWell1);
    p = probeLine(line, 1);
    EXPECT_EQ(p.device, LineDevice::Nothing);
    EXPECT_EQ(line.writes().size(), 5u);
    EXPECT_EQ(line.mismatches(), 0u);
}

TEST_F(WireLine, Generation3TypeCodeHandshake) {
    // 0xFF echoed; then 54 (0x36) echoed, 0xE0 echoed, the value low byte first.
    for (std::uint8_t code : {11, 99, 7}) {
        SCOPED_TRACE(int(code));
        ScriptedLink l;
        ASSERT_TRUE(l.open("scripted", 9600).ok());
        l.expect({0xFF}).reply({0xFF});
        l.expect({0x36}).reply({0x36});
        l.expect({0xE0}).reply({0xE0, code, 0x00});
        l.expect(kRecorderPresent);
        l.expect(kPadWell1);
        const LineProbe p = probeLine(l, 1);
        EXPECT_EQ(p.typeCode, code);
        EXPECT_EQ(p.device, code == 7 ? LineDevice::Nothing : LineDevice::Gen3Controller);
        EXPECT_EQ(l.writes().size(), code == 7 ? 5u : 3u);
        EXPECT_EQ(l.mismatches(), 0u);
    }
}

// ---- current state ------------------------------------------------------------------------

TEST_F(WireLine, Generation4StateReadsItsThreeRangesAtTheirRegisters) {
    // Registers 63..78: status, UAB, UBC, UCA, dU, IA, IB, IC, dI, SOP, cos, load, P, T, f, order.
    line.expect(kStateFirst17)
        .reply(registersReply(0x11, 3,
                              {0x0001, 380, 381, 382, 2, 215, 216, 217, 3, 1500, 87, 75, 40, 60, 0, 1}));
    // Registers 16..31: clock 14:07:09 05.03.(20)03 BCD, 20-23 unused, counters 24-29, 30-31 unused.
    line.expect({0x11, 0x03, 0x00, 0x10, 0x00, 0x10, 0x47, 0x53})
        .reply(registersReply(0x11, 3,
                              {0x0709, 0x0014, 0x0305, 0x0003, 0, 0, 0, 0, 321, 1234, 5, 6, 7, 8, 0, 0}));
    line.expect(kPadWell17).reply(registersReply(0x11, 3, {12, 345}), 1200);
    const CurrentStateRead r = readCurrentState4(line, 0x11);
    ASSERT_TRUE(r.ok()) << errorWord(r.error);
    EXPECT_EQ(line.mismatches(), 0u);
    const CurrentState& s = r.state;
    EXPECT_EQ(s.status, 1);
    EXPECT_EQ(s.UAB, 380);
    EXPECT_EQ(s.UCA, 382);
    EXPECT_EQ(s.IA, 215);
    EXPECT_EQ(s.SOP, 1500);
    EXPECT_EQ(s.powerFactor, 87);
    EXPECT_EQ(s.T, 60);
    EXPECT_EQ(s.phaseOrder, 1);
    EXPECT_EQ(s.minute, 7);
    EXPECT_EQ(s.second, 9);
    EXPECT_EQ(s.hour, 14);
    EXPECT_EQ(s.month, 3);
    EXPECT_EQ(s.day, 5);
    EXPECT_EQ(s.year, 3);
    EXPECT_EQ(s.starts, 321);
    EXPECT_EQ(s.runHours, 1234);
    EXPECT_EQ(s.runMinutes, 5);
    EXPECT_EQ(s.restartsOther, 6);
    EXPECT_EQ(s.restartsUnderload, 7);
    EXPECT_EQ(s.restartsOverload, 8);
    EXPECT_EQ(s.padNumber, 12); // within 1300 ms
    EXPECT_EQ(s.wellNumber, 345);
}

TEST_F(WireLine, Generation4StateFailsWithCrcOnABadSecondBlock) {
    line.expect(kStateFirst17).reply(registersReply(0x11, 3, std::vector<std::uint16_t>(16, 1)));
    line.expect({0x11, 0x03, 0x00, 0x10, 0x00, 0x10, 0x47, 0x53}).reply([] {
        Bytes b = registersReply(0x11, 3, std::vector<std::uint16_t>(16, 1));
        b.back() ^= 0x01;
        return b;
    }());
    EXPECT_EQ(readCurrentState4(line, 0x11).error, LinkError::Crc);
    EXPECT_EQ(line.writes().size(), 2u);
}

TEST_F(WireLine, Generation3StateValuesInOrderThenTheClock) {
    const std::uint8_t order[] = {16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28,
                                  29, 51, 52, 53, 35, 48, 49, 50, 54, 55, 56, 65};
    std::vector<Bytes> expected;
    for (std::uint8_t c : order) {
        line.expect({c}).reply({c});
        // Value = 0x0100 + c, sent low byte first; 48 carries two counters (high 0x01, low c).
        line.expect({0xE0}).reply({0xE0, c, 0x01});
        expected.push_back({c});
        expected.push_back({0xE0});
    }
    // 0x1E: one byte not compared, then second, minute, hour, day of week, day, month, year (BCD).
    line.expect({0x1E}).reply({0x00, 0x09, 0x07, 0x14, 0x03, 0x05, 0x03, 0x03});
    expected.push_back({0x1E});
    const CurrentStateRead r = readCurrentState3(line);
    ASSERT_TRUE(r.ok()) << errorWord(r.error);
    EXPECT_EQ(line.writes(), expected);
    const CurrentState& s = r.state;
    EXPECT_EQ(s.status, 0x0110);
    EXPECT_EQ(s.UAB, 0x0111);
    EXPECT_EQ(s.T, 0x011D);
    EXPECT_EQ(s.param51, 0x0133);
    EXPECT_EQ(s.starts, 0x0134);
    EXPECT_EQ(s.turbineFrequency, 0x0135);
    EXPECT_EQ(s.phaseOrder, 0x0123);
    EXPECT_EQ(s.restartsUnderload, 0x01);
    EXPECT_EQ(s.restartsOther, 48);
    EXPECT_EQ(s.runHours, 0x0131);
    EXPECT_EQ(s.param54, 0x0136);
    EXPECT_EQ(s.padNumber, 0x0137);
    EXPECT_EQ(s.wellNumber, 0x0138);
    EXPECT_EQ(s.restartsOverload, 0x0141);
    EXPECT_EQ(dateTimeText(s), "05.03.2003    14:07:09");
}

// ---- journal ------------------------------------------------------------------------------

TEST_F(WireLine, Generation4JournalBlocksAreAppendedAsReceived) {
    line.setResponder([](const Bytes& request) {
        // Input register n carries the bytes 2n, 2n + 1 of the image: here (n >> 8, n & 0xFF).
        const int first = request[2] << 8 | request[3];
        std::vector<std::uint16_t> values;
        for (int n = first; n < first + request[5]; ++n)
            values.push_back(static_cast<std::uint16_t>(n));
        return registersReply(request[0], request[1], values);
    });
    const JournalRead r = readJournal4(line, 1);
    ASSERT_TRUE(r.ok()) << errorWord(r.error);
    ASSERT_EQ(line.writes().size(), 256u);
    EXPECT_EQ(line.writes()[0], (Bytes{0x01, 0x04, 0x00, 0x00, 0x00, 0x40, 0xF1, 0xFA}));
    EXPECT_EQ(line.writes()[1], (Bytes{0x01, 0x04, 0x00, 0x40, 0x00, 0x40, 0xF0, 0x2E}));
    EXPECT_EQ(line.writes()[255], (Bytes{0x01, 0x04, 0x3F, 0xC0, 0x00, 0x40, 0xFD, 0xD2}));
    EXPECT_EQ(r.image[0], 0x00);
    EXPECT_EQ(r.image[1], 0x00);
    EXPECT_EQ(r.image[2 * 0x1234], 0x12);
    EXPECT_EQ(r.image[2 * 0x1234 + 1], 0x34);
    EXPECT_EQ(r.image[32767], 0xFF);
}

TEST_F(WireLine, Generation3JournalIsOneStreamCheckedByItsSumLowByteFirst) {
    Bytes data(32768);
    for (std::size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<std::uint8_t>(i % 251);
    unsigned sum = 0;
    for (std::uint8_t b : data)
        sum += b;
    Bytes reply{0x45};
    reply.insert(reply.end(), data.begin(), data.end());
    line.expect({0x45}).reply(reply);
    line.expect({0xE0}).reply(
        {0xE0, static_cast<std::uint8_t>(sum & 0xFF), static_cast<std::uint8_t>(sum >> 8 & 0xFF)});
    const JournalRead good = readJournal3(line);
    EXPECT_TRUE(good.ok()) << errorWord(good.error);
    EXPECT_TRUE(std::equal(data.begin(), data.end(), good.image.begin()));

    // The same two bytes high byte first do not match.
    line.expect({0x45}).reply(reply);
    line.expect({0xE0}).reply(
        {0xE0, static_cast<std::uint8_t>(sum >> 8 & 0xFF), static_cast<std::uint8_t>(sum & 0xFF)});
    EXPECT_EQ(readJournal3(line).error, LinkError::ContrSumError);
    EXPECT_EQ(line.writes(), (std::vector<Bytes>{{0x45}, {0xE0}, {0x45}, {0xE0}}));
}

// ---- settings -----------------------------------------------------------------------------

TEST_F(WireLine, Generation4SettingsLieAtRegister176OnwardsHighByteFirst) {
    // Register n holds n, except: 176 (setting 21) 380; 188 (setting 33, the 13th) as given;
    // 238/239 (settings 83/84) pad 12 and well 345; 64 (UAB) 400.
    for (std::uint16_t transformer : {379, 380}) {
        SCOPED_TRACE(transformer);
        ScriptedLink l;
        ASSERT_TRUE(l.open("scripted", 9600).ok());
        l.setResponder([&](const Bytes& request) {
            const int first = request[2] << 8 | request[3];
            std::vector<std::uint16_t> values;
            for (int n = first; n < first + 16; ++n) {
                std::uint16_t v = static_cast<std::uint16_t>(n);
                if (n == 176) v = 380;
                if (n == 188) v = transformer;
                if (n == 238) v = 12;
                if (n == 239) v = 345;
                if (n == 64) v = 400;
                values.push_back(v);
            }
            return registersReply(request[0], 3, values);
        });
        const SettingsRead r = readSettings4(l, 1);
        ASSERT_TRUE(r.ok()) << errorWord(r.error);
        ASSERT_EQ(l.writes().size(), 16u);
        EXPECT_EQ(l.writes()[0], (Bytes{0x01, 0x03, 0x00, 0x00, 0x00, 0x10, 0x44, 0x06}));
        EXPECT_EQ(l.writes()[11], (Bytes{0x01, 0x03, 0x00, 0xB0, 0x00, 0x10, 0x45, 0xE1}));
        EXPECT_EQ(l.writes()[15], (Bytes{0x01, 0x03, 0x00, 0xF0, 0x00, 0x10, 0x44, 0x35}));
        EXPECT_EQ(r.block[352], 0x01);
        EXPECT_EQ(r.block[353], 0x7C);
        EXPECT_EQ(r.catalogue.byNumber(21)->value, 380);
        EXPECT_EQ(r.catalogue.byNumber(33)->value, transformer);
        EXPECT_EQ(r.catalogue.byNumber(83)->value, 12);
        EXPECT_EQ(r.catalogue.byNumber(84)->value, 345);
        EXPECT_EQ(r.catalogue.byNumber(97)->value, 255); // the last setting: register 255
        EXPECT_EQ(r.catalogue.byNumber(33)->longName,
                  transformer < 380 ? "Номинальный ток ТТ" : "Напряжение ТМПН");
        EXPECT_EQ(r.state.UAB, 400);
        EXPECT_EQ(r.state.padNumber, 0xFFFF);
    }
}

TEST_F(WireLine, Generation4SettingsWriteGoesToRegister176PlusHalfTheOffset) {
    SettingsCatalogue c = buildCatalogue(ControllerGeneration::Gen4);
    c.byNumber(21)->value = 380; // offset 0: register 176 = 0xB0
    c.byNumber(83)->value = 12;  // offset 124: register 238 = 0xEE
    line.setResponder([](const Bytes& request) { return request; }, 5);
    const SettingsWrite4 w = writeSettings4(line, 1, c);
    ASSERT_TRUE(w.ok()) << errorWord(w.error);
    ASSERT_EQ(line.writes().size(), 77u);
    EXPECT_EQ(line.writes()[0], (Bytes{0x01, 0x06, 0x00, 0xB0, 0x01, 0x7C, 0x88, 0x5C}));
    EXPECT_EQ(line.writes()[62], (Bytes{0x01, 0x06, 0x00, 0xEE, 0x00, 0x0C, 0xE9, 0xFA}));
    // A value never read goes out as FF FF like any other.
    EXPECT_EQ(line.writes()[1][4], 0xFF);
    EXPECT_EQ(line.writes()[1][5], 0xFF);
    EXPECT_EQ(line.writes()[76][3], 0xFF); // register 255
}

TEST_F(WireLine, Generation3SettingsReadTypeCodeThenBlockThenSum) {
    Bytes block(512, 0x00);
    block[256] = 0x7C; // setting 21 at offset 256, low byte first: 380
    block[257] = 0x01;
    unsigned sum = 0;
    for (std::uint8_t b : block)
        sum += b;
    line.expect({0x36}).reply({0x36});
    line.expect({0xE0}).reply({0xE0, 99, 0});
    Bytes reply{0xDD};
    reply.insert(reply.end(), block.begin(), block.end());
    line.expect({0xDD}).reply(reply);
    line.expect({0xE0}).reply(
        {0xE0, static_cast<std::uint8_t>(sum & 0xFF), static_cast<std::uint8_t>(sum >> 8)});
    const SettingsRead r = readSettings3(line);
    ASSERT_TRUE(r.ok()) << errorWord(r.error);
    EXPECT_EQ(line.mismatches(), 0u);
    EXPECT_EQ(r.typeCode, 99);
    EXPECT_EQ(r.catalogue.byNumber(21)->value, 380);
}

TEST_F(WireLine, Generation3SettingsWriteSendsTheBlockBetweenDEAndDF) {
    Bytes block(512);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<std::uint8_t>(i * 3);
    unsigned sum = 0;
    for (std::uint8_t b : block)
        sum += b;
    Bytes reply{0xDD};
    reply.insert(reply.end(), block.begin(), block.end());
    line.expect({0xDD}).reply(reply);
    line.expect({0xE0}).reply(
        {0xE0, static_cast<std::uint8_t>(sum & 0xFF), static_cast<std::uint8_t>(sum >> 8)});
    line.setResponder([](const Bytes& written) { return written; }); // every byte echoed
    SettingsCatalogue c = buildCatalogue(ControllerGeneration::Gen3);
    c.byNumber(21)->value = 0x017C; // offset 256
    const SettingsWrite3 w = writeSettings3(line, c);
    ASSERT_EQ(w.message, "");
    const auto& writes = line.writes();
    ASSERT_EQ(writes.size(), 2u + 1 + 512 + 1);
    EXPECT_EQ(writes[2], Bytes{0xDE});
    for (std::size_t i = 0; i < 512; ++i) {
        const std::uint8_t want = i == 256 ? 0x7C : i == 257 ? 0x01 : block[i];
        ASSERT_EQ(writes[3 + i], Bytes{want}) << i;
    }
    EXPECT_EQ(writes.back(), Bytes{0xDF});
}

// ---- commands -----------------------------------------------------------------------------

TEST_F(WireLine, ClearingAndStartStop) {
    const Bytes clear{0x01, 0x05, 0x00, 0x00, 0x27, 0x10, 0xD7, 0xF6};
    line.expect(clear).reply({0x01, 0x85, 0x04, 0x43, 0x53});
    EXPECT_EQ(clearChronology4(line, 1).outcome, ClearOutcome::Refused);
    line.expect(clear).reply(clear); // the accepting controller's longer answer
    EXPECT_EQ(clearChronology4(line, 1).outcome, ClearOutcome::Accepted);
    line.expect(clear);
    EXPECT_EQ(clearChronology4(line, 1).outcome, ClearOutcome::Silent);

    line.expect({0xE1}).reply({0x01});
    EXPECT_EQ(clearChronology3(line).outcome, ClearOutcome::Refused);
    line.expect({0xE1}).reply({0x00});
    EXPECT_EQ(clearChronology3(line).outcome, ClearOutcome::Accepted);

    line.expect({0x01, 0x05, 0x00, 0x3F, 0x00, 0x01, 0x3C, 0x06});
    EXPECT_EQ(startStop4(line, 1, true), LinkError::None);
    line.expect({0x01, 0x05, 0x00, 0x3F, 0x00, 0x00, 0xFD, 0xC6});
    EXPECT_EQ(startStop4(line, 1, false), LinkError::None);
    line.expect({0x27}).reply({0x27});
    EXPECT_EQ(startStop3(line, true), LinkError::None);
    line.expect({0x28}).reply({0x28});
    EXPECT_EQ(startStop3(line, false), LinkError::None);
    EXPECT_EQ(line.mismatches(), 0u);
}

TEST_F(WireLine, SearchProbeAndItsRefusal) {
    line.expect({0x01, 0x03, 0xFF, 0xFF, 0x00, 0x01, 0x84, 0x2E});
    line.expect({0x02, 0x03, 0xFF, 0xFF, 0x00, 0x01, 0x84, 0x1D}).reply({0x05, 0x83, 0x02, 0x81, 0x30});
    line.expect({0x03, 0x03, 0xFF, 0xFF, 0x00, 0x01, 0x85, 0xCC}).reply({0x03, 0x83, 0x02, 0x61, 0x31});
    const SearchResult r = searchStations(line, 1, SearchDirection::Up);
    ASSERT_TRUE(r.found);
    EXPECT_EQ(*r.found, 3); // the reply from 5 to the probe of 2 does not count
    EXPECT_EQ(line.mismatches(), 0u);
}

// ---- recorder -----------------------------------------------------------------------------

TEST_F(WireLine, RecorderDirectoryEntryFromTwoRequests) {
    line.expect({0x01, 0x03, 0x00, 0x10, 0x00, 0x04, 0x45, 0xCC});
    line.expect({0x01, 0x03, 0x00, 0xEE, 0x00, 0x04, 0x24, 0x3C});
    line.expect({0x02, 0x03, 0x00, 0x10, 0x00, 0x04, 0x45, 0xFF})
        .reply({0x02, 0x03, 0x08, 0x05, 0x09, 0x00, 0x14, 0x11, 0x21, 0x00, 0x26, 0x27, 0x43});
    line.expect({0x02, 0x03, 0x00, 0xEE, 0x00, 0x04, 0x24, 0x0F})
        .reply({0x02, 0x03, 0x08, 0x00, 0x0C, 0x01, 0x59, 0x00, 0x07, 0xFF, 0xFF, 0xFB, 0x3E});
    const RecorderDirectory d = readRecorderDirectory(line, 2);
    ASSERT_EQ(d.entries.size(), 2u);
    EXPECT_EQ(line.mismatches(), 0u);
    EXPECT_EQ(d.entries[0].bytes, (std::array<std::uint8_t, 16>{})); // no answer: zeros
    EXPECT_EQ(d.entries[1].bytes,
              (std::array<std::uint8_t, 16>{0x05, 0x09, 0x00, 0x14, 0x11, 0x21, 0x00, 0x26, 0x00, 0x0C, 0x01,
                                            0x59, 0x00, 0x07, 0xFF, 0xFF}));
    EXPECT_EQ(recorderEntryCaption(2, d.entries[1]),
              "2.Дата считывания:14:05:09  21.11.26 куст12 скв.345 ПЭД-7");
}

TEST_F(WireLine, RecorderDownloadOfAGeneration3Entry) {
    line.close();
    std::vector<int> speeds;
    line.setResponder([&](const Bytes& request) -> Bytes {
        speeds.push_back(line.openedSpeed());
        if (request[0] == 0xFF) return request; // speed code: echoed
        const int first = request[2] << 8 | request[3];
        std::vector<std::uint16_t> values;
        for (int n = first; n < first + request[5]; ++n) {
            if (request[1] == 4)
                values.push_back(static_cast<std::uint16_t>(n)); // image bytes (n >> 8, n & 0xFF)
            else
                values.push_back(n == 0 ? 0xE1EC : n == 128 ? 0x7C01 : 0); // block bytes 256, 257 = 7C 01
        }
        return registersReply(request[0], request[1], values);
    });
    const RecorderDownload r = downloadRecorderEntry(line, "scripted", 115200, 2);
    ASSERT_TRUE(r.ok()) << errorWord(r.error);
    const auto& writes = line.writes();
    ASSERT_EQ(writes.size(), 1u + 256 + 16 + 1);
    EXPECT_EQ(writes.front(), kSpeed3);
    EXPECT_EQ(speeds.front(), 9600);
    EXPECT_EQ(writes[1], (Bytes{0x02, 0x04, 0x00, 0x00, 0x00, 0x40, 0xF1, 0xC9}));
    EXPECT_EQ(writes[257], (Bytes{0x02, 0x03, 0x00, 0x00, 0x00, 0x10, 0x44, 0x35}));
    EXPECT_EQ(writes.back(), kSpeed47);
    EXPECT_TRUE(std::all_of(speeds.begin() + 1, speeds.end(), [](int s) { return s == 115200; }));
    EXPECT_FALSE(line.isOpen());
    // E1 EC: generation 3, the image end for end, values low byte first at their offsets.
    EXPECT_EQ(r.generation, ControllerGeneration::Gen3);
    EXPECT_EQ(r.image[32767], 0x00);
    EXPECT_EQ(r.image[32766], 0x00);
    EXPECT_EQ(r.image[0], 0xFF);
    EXPECT_EQ(r.image[1], 0x3F);
    EXPECT_EQ(r.catalogue.byNumber(21)->value, 380);
}
