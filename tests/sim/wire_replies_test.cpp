// The simulated devices' answers as whole frames and byte strings, CRC written out (worked by hand
// with the CRC-16 of the framed protocol), so that the simulator cannot agree with the program's
// own request builders on a layout the line does not have.
#include "line_model.h"

#include <gtest/gtest.h>

namespace vorsan::sim {
namespace {

LineModel stationAt5() {
    SimOptions o;
    o.gen4Addresses = {5};
    LineModel m(o);
    RegisterFile& r = m.stations[0].holding;
    r[kRegStatus] = 0x0001;
    r[kRegPad] = 12;
    r[kRegWell] = 345;
    m.stations[0].journal[0] = 0x12;
    m.stations[0].journal[1] = 0x34;
    return m;
}

TEST(WireReplies, Generation4StationFrames) {
    LineModel m = stationAt5();
    const struct {
        const char* what;
        Bytes request;
        Bytes reply;
    } rows[] = {
        {"pad and well",
         {0x05, 0x03, 0x00, 0xEE, 0x00, 0x02, 0xA5, 0xBA},
         {0x05, 0x03, 0x04, 0x00, 0x0C, 0x01, 0x59, 0xBE, 0x5A}},
        {"status register",
         {0x05, 0x03, 0x00, 0x3F, 0x00, 0x01, 0xB5, 0x82},
         {0x05, 0x03, 0x02, 0x00, 0x01, 0x88, 0x44}},
        {"journal bytes 0, 1 in image order",
         {0x05, 0x04, 0x00, 0x00, 0x00, 0x01, 0x30, 0x4E},
         {0x05, 0x04, 0x02, 0x12, 0x34, 0x45, 0x87}},
        {"search probe refused",
         {0x05, 0x03, 0xFF, 0xFF, 0x00, 0x01, 0x85, 0xAA},
         {0x05, 0x83, 0x02, 0x81, 0x30}},
        {"clear refused while the switch is on",
         {0x05, 0x05, 0x00, 0x00, 0x27, 0x10, 0xD6, 0x72},
         {0x05, 0x85, 0x04, 0x02, 0x92}},
        {"start acknowledged",
         {0x05, 0x05, 0x00, 0x3F, 0x00, 0x01, 0x3D, 0x82},
         {0x05, 0x05, 0x00, 0x3F, 0x00, 0x01, 0x3D, 0x82}},
        {"write register 176 echoed",
         {0x05, 0x06, 0x00, 0xB0, 0x01, 0x7C, 0x89, 0xD8},
         {0x05, 0x06, 0x00, 0xB0, 0x01, 0x7C, 0x89, 0xD8}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(m.onFrame(row.request), row.reply) << row.what;
    EXPECT_EQ(m.stations[0].holding[176], 380);

    // With the switch off the clear is taken and acknowledged with the longer answer.
    m.switchOff = true;
    const Bytes clear{0x05, 0x05, 0x00, 0x00, 0x27, 0x10, 0xD6, 0x72};
    EXPECT_EQ(m.onFrame(clear), clear);
    EXPECT_EQ(m.stations[0].journal[0], 0xFF);
}

TEST(WireReplies, RecorderFrames) {
    SimOptions o;
    o.recorderEntries = 4;
    LineModel m(o);
    EXPECT_EQ(m.onFrame(Bytes{0xFF, 0x03, 0x00, 0x20, 0x00, 0x01, 0x90, 0x1E}),
              (Bytes{0xFF, 0x03, 0x02, 0x00, 0x04, 0x90, 0x53}));
    const Bytes speed7{0xFF, 0x06, 0x00, 0x09, 0x00, 0x07, 0x0D, 0xD4};
    EXPECT_EQ(m.onFrame(speed7), speed7);
    EXPECT_EQ(m.recorder->speed(), 57600u);
    const Bytes clear{0xFF, 0x06, 0x00, 0x20, 0x00, 0x00, 0x9D, 0xDE};
    EXPECT_EQ(m.onFrame(clear), clear);
    EXPECT_EQ(m.recorder->count, 0);
}

TEST(WireReplies, RecorderEntryRegistersHoldTheDirectoryLayout) {
    SimOptions o;
    o.recorderEntries = 3;
    LineModel m(o);
    for (std::size_t i = 0; i < 3; ++i) {
        const RegisterFile& r = m.recorder->entries[i].holding;
        SCOPED_TRACE(i + 1);
        // 16: minute | second, 17: hour (low), 18: month | day, 19: year (low), all BCD.
        EXPECT_LE(r[16] >> 8, 0x59);
        EXPECT_LE(r[16] & 0xFF, 0x59);
        EXPECT_LE(r[17], 0x23);
        EXPECT_GE(r[18] >> 8, 0x01);
        EXPECT_LE(r[18] >> 8, 0x12);
        EXPECT_LE(r[19], 0x99);
    }
    // Entry 3 was copied from a generation 3 station: its block starts E1 EC.
    EXPECT_EQ(m.recorder->entries[2].holding[0], 0xE1EC);
    EXPECT_EQ(m.recorder->entries[2].holding[kRegMotor], 0xFFFF);
}

TEST(WireReplies, Generation3ByteStrings) {
    SimOptions o;
    o.gen3TypeCode = 99;
    LineModel m(o);
    m.gen3->values[17] = 0x017C;
    m.gen3->clock = {0x09, 0x07, 0x14, 0x03, 0x05, 0x03, 0x03};
    const struct {
        const char* what;
        std::uint8_t command;
        Bytes answer;
    } rows[] = {
        {"probe", 0xFF, {0xFF}},
        {"value 17: echo", 17, {17}},
        {"value 17: 0xE0, low, high", 0xE0, {0xE0, 0x7C, 0x01}},
        {"type code: echo", 54, {54}},
        {"type code", 0xE0, {0xE0, 99, 0}},
        {"clock", 0x1E, {0x1E, 0x09, 0x07, 0x14, 0x03, 0x05, 0x03, 0x03}},
        {"clear refused", 0xE1, {0x01}},
        {"start", 0x27, {0x27}},
        {"begin settings write", 0xDE, {0xDE}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(m.onCommandByte(row.command), row.answer) << row.what;
    m.gen3Abandon();

    // The settings block: echo and 512 bytes, then its sum low byte first.
    m.gen3->settings.fill(0);
    m.gen3->settings[0] = 0xFF;
    m.gen3->settings[511] = 0x02;
    const Bytes block = m.onCommandByte(0xDD);
    ASSERT_EQ(block.size(), 513u);
    EXPECT_EQ(block[0], 0xDD);
    EXPECT_EQ(block[1], 0xFF);
    EXPECT_EQ(block[512], 0x02);
    EXPECT_EQ(m.onCommandByte(0xE0), (Bytes{0xE0, 0x01, 0x01}));
}

} // namespace
} // namespace vorsan::sim
