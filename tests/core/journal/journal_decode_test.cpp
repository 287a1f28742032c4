#include "journal/journal_decode.h"

#include "image_builder.h"

#include <gtest/gtest.h>

using namespace vorsan;
using namespace vorsan::testing;

namespace {

constexpr auto G4 = ControllerGeneration::Gen4;
constexpr auto G3 = ControllerGeneration::Gen3;

TEST(DecodeJournal, EmptyImageGivesEmptyJournalInBothGenerations) {
    const auto img = emptyImage();
    EXPECT_EQ(decodeJournal(img, G4).journal.count(), 0u);
    const auto g3 = decodeJournal(img, G3);
    EXPECT_EQ(g3.journal.count(), 0u);
    EXPECT_EQ(g3.wellNumber, 0xFFFF);
    EXPECT_EQ(g3.padNumber, 0xFFFF);
}

TEST(DecodeJournal, Gen4ShortEventFields) {
    auto img = emptyImage();
    eventG4(img, 3, {5, 3, 3, 14, 7, 9}, 10);
    const auto j = decodeJournal(img, G4).journal;
    ASSERT_EQ(j.count(), 1u);
    const auto& r = j.records[0];
    EXPECT_EQ(r.year, 2003);
    EXPECT_EQ(r.month, 3);
    EXPECT_EQ(r.day, 5);
    EXPECT_EQ(r.hour, 14);
    EXPECT_EQ(r.minute, 7);
    EXPECT_EQ(r.second, 9);
    EXPECT_EQ(r.SOBYTIE, 10);
    EXPECT_EQ(r.UAB, 0);
    EXPECT_EQ(r.IA, 0.0);
}

TEST(DecodeJournal, Gen4ShortEventSkippedWhenSecondOrMinuteByteIsFF) {
    auto img = emptyImage();
    eventG4(img, 0, {}, 1);
    img[0] = 0xFF;
    eventG4(img, 1, {}, 2);
    img[8 + 1] = 0xFF;
    EXPECT_EQ(decodeJournal(img, G4).journal.count(), 0u);
}

TEST(DecodeJournal, Gen4MeasurementFieldsAndBothMarkers) {
    for (const std::uint8_t marker : {std::uint8_t{0x55}, std::uint8_t{0xAA}}) {
        auto img = emptyImage();
        G4Measure m;
        m.marker = marker;
        m.cause = 3;
        measureG4(img, 959, {}, m); // the last slot that fits the image
        const auto j = decodeJournal(img, G4).journal;
        ASSERT_EQ(j.count(), 1u) << int(marker);
        const auto& r = j.records[0];
        EXPECT_EQ(r.SOBYTIE, 255);
        EXPECT_EQ(r.UAB, 400);
        EXPECT_EQ(r.UBC, 401);
        EXPECT_EQ(r.UCA, 402);
        EXPECT_DOUBLE_EQ(r.IA, 12.5);
        EXPECT_DOUBLE_EQ(r.IB, 12.6);
        EXPECT_DOUBLE_EQ(r.IC, 12.7);
        EXPECT_EQ(r.SOP, 2000);
        EXPECT_EQ(r.ZAGR, 55);
        EXPECT_EQ(r.P, 12);
        EXPECT_EQ(r.T, 80);
        EXPECT_EQ(r.COS_, 87);
        EXPECT_EQ(r.EXT_ZAP, 3);
    }
}

TEST(DecodeJournal, Gen4MeasurementWithOtherMarkerIsEmpty) {
    auto img = emptyImage();
    G4Measure m;
    m.marker = 0x54;
    measureG4(img, 0, {}, m);
    EXPECT_EQ(decodeJournal(img, G4).journal.count(), 0u);
}

// The measurement check, one case a row: voltages, currents, load, resistance limits.
TEST(DecodeJournal, MeasurementCheck) {
    struct Case {
        const char* what;
        G4Measure m;
        bool kept;
    };
    auto with = [](auto f) {
        G4Measure m;
        f(m);
        return m;
    };
    const Case cases[] = {
        {"all three 380", with([](G4Measure& m) { m.uab = m.ubc = m.uca = 380; }), false},
        {"380 380 381", with([](G4Measure& m) { m.uab = m.ubc = 380, m.uca = 381; }), true},
        {"voltage 1000", with([](G4Measure& m) { m.ubc = 1000; }), true},
        {"voltage 1001", with([](G4Measure& m) { m.ubc = 1001; }), false},
        {"current 1000.0", with([](G4Measure& m) { m.ic10 = 10000; }), true},
        {"current 1000.1", with([](G4Measure& m) { m.ic10 = 10001; }), false},
        {"load 1000", with([](G4Measure& m) { m.zagr = 1000; }), true},
        {"load 1001", with([](G4Measure& m) { m.zagr = 1001; }), false},
        {"resistance 9999", with([](G4Measure& m) { m.sop = 9999; }), true},
        {"resistance 10000", with([](G4Measure& m) { m.sop = 10000; }), false},
        {"resistance unknown", with([](G4Measure& m) { m.sop = 0xFFFF; }), false},
    };
    for (const auto& c : cases) {
        auto img = emptyImage();
        measureG4(img, 0, {}, c.m);
        EXPECT_EQ(decodeJournal(img, G4).journal.count(), c.kept ? 1u : 0u) << c.what;
    }
}

// Valid date and time, one case a row, on a short event of generation 4.
TEST(DecodeJournal, DateValidation) {
    struct Case {
        const char* what;
        std::array<std::uint8_t, 6> bytes; // second, minute, hour, day, month, year as stored
        bool kept;
    };
    const Case cases[] = {
        {"ordinary", {0x09, 0x07, 0x14, 0x05, 0x03, 0x24}, true},
        {"day 0", {0x00, 0x00, 0x00, 0x00, 0x05, 0x24}, false},
        {"day 31", {0x00, 0x00, 0x00, 0x31, 0x05, 0x24}, true},
        {"day 32", {0x00, 0x00, 0x00, 0x32, 0x05, 0x24}, false},
        {"month 0", {0x00, 0x00, 0x00, 0x01, 0x00, 0x24}, false},
        {"month 12", {0x00, 0x00, 0x00, 0x01, 0x12, 0x24}, true},
        {"month byte 0x13", {0x00, 0x00, 0x00, 0x01, 0x13, 0x24}, false},
        {"hour 23 minute 59 second 59", {0x59, 0x59, 0x23, 0x01, 0x01, 0x99}, true},
        {"hour 24", {0x00, 0x00, 0x24, 0x01, 0x01, 0x24}, false},
        {"minute 60", {0x00, 0x60, 0x00, 0x01, 0x01, 0x24}, false},
        {"second 60", {0x60, 0x00, 0x00, 0x01, 0x01, 0x24}, false},
        {"nibble above 9 in day: 0x1A is 20", {0x00, 0x00, 0x00, 0x1A, 0x01, 0x24}, true},
        {"year byte 0xA0 is 2100", {0x00, 0x00, 0x00, 0x01, 0x01, 0xA0}, true},
        {"year byte 0xA1 is 2101", {0x00, 0x00, 0x00, 0x01, 0x01, 0xA1}, false},
    };
    for (const auto& c : cases) {
        auto img = emptyImage();
        for (std::size_t i = 0; i < 6; ++i)
            img[i] = c.bytes[i];
        img[6] = 3;
        EXPECT_EQ(decodeJournal(img, G4).journal.count(), c.kept ? 1u : 0u) << c.what;
    }
}

TEST(DecodeJournal, Gen4SettingChangeNumberLimits) {
    struct Case {
        std::uint16_t number;
        bool kept;
    };
    for (const Case c :
         {Case{20, false}, Case{21, true}, Case{97, true}, Case{98, false}, Case{0xFFFF, false}}) {
        auto img = emptyImage();
        changeG4(img, 63, {}, c.number, 1, 2);
        const auto j = decodeJournal(img, G4).journal;
        ASSERT_EQ(j.count(), c.kept ? 1u : 0u) << c.number;
        if (c.kept) {
            EXPECT_EQ(j.records[0].SOBYTIE, 250);
            EXPECT_EQ(j.records[0].NUM_UST, c.number);
            EXPECT_EQ(j.records[0].OLD_ZN, 1);
            EXPECT_EQ(j.records[0].NEW_ZN, 2);
        }
    }
}

TEST(DecodeJournal, Gen3EventsWellPadAndMeasurementFields) {
    auto img = emptyImage();
    eventG3(img, 125, {5, 3, 3, 14, 7, 9}, 14);
    img[125 * 8 + 3] = 0x77; // not used, ignored
    put16(img, 1020, 345);
    put16(img, 1022, 12);
    G3Measure m;
    m.zagr = 61;
    measureG3(img, 991, {6, 3, 3, 15, 8, 10}, m);
    img[1024 + 991 * 32 + 6] = 0x12; // high byte of the load is not part of it
    const auto d = decodeJournal(img, G3);
    EXPECT_EQ(d.wellNumber, 345);
    EXPECT_EQ(d.padNumber, 12);
    ASSERT_EQ(d.journal.count(), 2u);
    const auto& e = d.journal.records[0];
    EXPECT_EQ(e.SOBYTIE, 14);
    EXPECT_EQ(e.day, 5);
    EXPECT_EQ(e.second, 9);
    const auto& r = d.journal.records[1];
    EXPECT_EQ(r.SOBYTIE, 255);
    EXPECT_EQ(r.year, 2003);
    EXPECT_EQ(r.month, 3);
    EXPECT_EQ(r.day, 6);
    EXPECT_EQ(r.hour, 15);
    EXPECT_EQ(r.minute, 8);
    EXPECT_EQ(r.second, 10);
    EXPECT_EQ(r.ZAGR, 61);
    EXPECT_EQ(r.UAB, 390);
    EXPECT_EQ(r.UBC, 391);
    EXPECT_EQ(r.UCA, 392);
    EXPECT_DOUBLE_EQ(r.IA, 12.5);
    EXPECT_DOUBLE_EQ(r.IB, 12.6);
    EXPECT_DOUBLE_EQ(r.IC, 12.7);
    EXPECT_EQ(r.SOP, 1500);
    EXPECT_EQ(r.COS_, 0);
    EXPECT_EQ(r.P, 0);
    EXPECT_EQ(r.EXT_ZAP, 0);
}

TEST(DecodeJournal, Gen3SecondByteFFReadsZero) {
    auto img = emptyImage();
    measureG3(img, 0, {});
    img[1024 + 19] = 0xFF;
    const auto j = decodeJournal(img, G3).journal;
    ASSERT_EQ(j.count(), 1u);
    EXPECT_EQ(j.records[0].second, 0);
}

TEST(DecodeJournal, Gen3CurrentDivisorTurnsToTenthsForGood) {
    auto img = emptyImage();
    G3Measure whole;
    whole.flags = 0x08;
    whole.ia = 25;
    G3Measure tenths;
    tenths.flags = 0x00;
    tenths.ia = 250;
    measureG3(img, 0, {1, 1, 24, 10, 0, 0}, whole);  // whole amperes
    measureG3(img, 1, {1, 1, 24, 10, 1, 0}, whole);  // still whole
    measureG3(img, 2, {1, 1, 24, 10, 2, 0}, tenths); // from here on tenths
    measureG3(img, 3, {1, 1, 24, 10, 3, 0}, whole);  // flag set, but tenths all the same
    const auto j = decodeJournal(img, G3).journal;
    ASSERT_EQ(j.count(), 4u);
    EXPECT_DOUBLE_EQ(j.records[0].IA, 25.0);
    EXPECT_DOUBLE_EQ(j.records[1].IA, 25.0);
    EXPECT_DOUBLE_EQ(j.records[2].IA, 25.0);
    EXPECT_DOUBLE_EQ(j.records[3].IA, 2.5);
}

TEST(DecodeJournal, Gen3FlagByteFFMeansTenths) {
    auto img = emptyImage();
    G3Measure m;
    m.flags = 0xFF;
    m.ia = 250;
    measureG3(img, 0, {}, m);
    EXPECT_DOUBLE_EQ(decodeJournal(img, G3).journal.records.at(0).IA, 25.0);
}

TEST(DecodeJournal, Gen3DroppedBlockStillSwitchesTheDivisor) {
    auto img = emptyImage();
    G3Measure test;
    test.uab = test.ubc = test.uca = 380; // dropped, but its flag counts
    G3Measure whole;
    whole.flags = 0x08;
    whole.ia = 250;
    measureG3(img, 0, {1, 1, 24, 10, 0, 0}, test);
    measureG3(img, 1, {1, 1, 24, 10, 1, 0}, whole);
    const auto j = decodeJournal(img, G3).journal;
    ASSERT_EQ(j.count(), 1u);
    EXPECT_DOUBLE_EQ(j.records[0].IA, 25.0);
}

TEST(DecodeJournal, ShortBlockDecodesWhatItHoldsAndLongBlockItsFirstImage) {
    auto img = emptyImage();
    eventG4(img, 0, {}, 3);
    measureG4(img, 0, {});
    measureG4(img, 1, {1, 1, 24, 0, 0, 0});
    // 2048 + 32 + 31 bytes: the second block does not lie wholly inside.
    const std::span<const std::uint8_t> part(img.data(), 2048 + 32 + 31);
    EXPECT_EQ(decodeJournal(part, G4).journal.count(), 2u);
    EXPECT_EQ(decodeJournal(std::span<const std::uint8_t>(img.data(), 5), G4).journal.count(), 0u);
    EXPECT_EQ(decodeJournal(std::span<const std::uint8_t>(img.data(), 0), G3).journal.count(), 0u);
    std::vector<std::uint8_t> longer(img.begin(), img.end());
    longer.resize(40000, 0x55); // would be marked blocks if read past 32768
    EXPECT_EQ(decodeJournal(longer, G4).journal.count(), 3u);
}

TEST(DecodeJournal, FullImageHoldsAtMostTheSlotCount) {
    auto img = emptyImage();
    for (std::size_t i = 0; i < 128; ++i)
        eventG4(img, i, {}, 3);
    for (std::size_t i = 0; i < 64; ++i)
        changeG4(img, i, {}, 21, 0, 1);
    for (std::size_t i = 0; i < 960; ++i)
        measureG4(img, i, {});
    EXPECT_EQ(decodeJournal(img, G4).journal.count(), 128u + 64u + 960u);
}

TEST(DecodeJournal, RecordsComeOutInTimeOrder) {
    auto img = emptyImage();
    eventG4(img, 0, {5, 3, 24, 10, 0, 0}, 3);
    eventG4(img, 1, {4, 3, 24, 10, 0, 0}, 49);
    measureG4(img, 0, {5, 2, 24, 10, 0, 0});
    const auto j = decodeJournal(img, G4).journal;
    ASSERT_EQ(j.count(), 3u);
    EXPECT_EQ(j.records[0].month, 2);
    EXPECT_EQ(j.records[1].SOBYTIE, 49);
    EXPECT_EQ(j.records[2].SOBYTIE, 3);
}

} // namespace
