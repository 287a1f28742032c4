#include "journal/journal_decode.h"
#include "journal/journal_encode.h"

#include "image_builder.h"

#include <gtest/gtest.h>

using namespace vorsan;
using namespace vorsan::testing;

namespace {

constexpr auto G4 = ControllerGeneration::Gen4;
constexpr auto G3 = ControllerGeneration::Gen3;

JournalImage sampleG4() {
    auto img = emptyImage();
    eventG4(img, 0, {5, 3, 24, 10, 0, 5}, 3);
    eventG4(img, 1, {5, 3, 24, 10, 30, 0}, 49);
    eventG4(img, 2, {6, 3, 24, 8, 0, 0}, 140);
    changeG4(img, 0, {5, 3, 24, 11, 0, 0}, 34, 125, 130);
    changeG4(img, 1, {5, 3, 24, 11, 0, 1}, 22, 0, 2);
    G4Measure m;
    m.cause = 4;
    m.cos = 255;
    measureG4(img, 0, {5, 3, 24, 10, 0, 5}, m);
    m.ia10 = 9999;
    m.cause = 0;
    measureG4(img, 1, {5, 3, 24, 12, 0, 0}, m);
    return img;
}

JournalImage sampleG3(std::uint8_t flags) {
    auto img = emptyImage();
    eventG3(img, 0, {5, 3, 24, 10, 0, 5}, 14);
    eventG3(img, 1, {5, 3, 24, 10, 30, 0}, 48);
    put16(img, 1020, 345);
    put16(img, 1022, 12);
    G3Measure m;
    m.flags = flags;
    measureG3(img, 0, {5, 3, 24, 10, 0, 5}, m);
    m.ia = 7;
    measureG3(img, 1, {5, 3, 24, 12, 0, 0}, m);
    return img;
}

TEST(EncodeJournal, Gen4RoundTripKeepsEveryRecord) {
    const auto img = sampleG4();
    const auto d = decodeJournal(img, G4);
    ASSERT_EQ(d.journal.count(), 7u);
    const auto e = encodeJournal(d.journal, G4, img, {}, 345, 12);
    EXPECT_EQ(e.dropped, 0u);
    EXPECT_EQ(decodeJournal(e.image, G4).journal, d.journal);
}

TEST(EncodeJournal, Gen4LayoutOfEachArea) {
    Journal j;
    auto m = rec(255, 7, 9, 5);
    m.UAB = 0x0102;
    m.IA = 12.5;
    m.COS_ = 87;
    j.records = {rec(3, 7, 9), m};
    auto c = rec(250, 7, 9);
    c.NUM_UST = 34;
    c.OLD_ZN = 0x0A0B;
    c.NEW_ZN = 0x0C0D;
    j.records.push_back(c);
    const auto e = encodeJournal(j, G4, emptyImage(), {}, 345, 12).image;
    const std::uint8_t event[8] = {0x09, 0x07, 0x14, 0x05, 0x03, 0x24, 3, 0xFF};
    EXPECT_TRUE(std::equal(event, event + 8, e.begin()));
    const std::uint8_t change[16] = {0x09, 0x07, 0x14, 0x05, 0x03, 0x24, 34,   0,
                                     0x0B, 0x0A, 0x0D, 0x0C, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_TRUE(std::equal(change, change + 16, e.begin() + 1024));
    EXPECT_EQ(e[2048 + 6], 0x02);
    EXPECT_EQ(e[2048 + 7], 0x01);
    EXPECT_EQ(e[2048 + 12], 125);
    EXPECT_EQ(e[2048 + 26], 0xFF);
    EXPECT_EQ(e[2048 + 29], 87);
    EXPECT_EQ(e[2048 + 30], 5);
    EXPECT_EQ(e[2048 + 31], 0x55);
    EXPECT_EQ(e[2048 + 32 + 31], 0xFF); // nothing after the one block
    EXPECT_EQ(e[1020], 345 & 0xFF);     // well and pad where the last event slot would be
    EXPECT_EQ(e[1022], 12);
}

TEST(EncodeJournal, SkippedRangeIsLeftOutAndTheRestKeepsItsValues) {
    const auto img = sampleG4();
    const auto d = decodeJournal(img, G4).journal;
    const auto e = encodeJournal(d, G4, img, {2, 4}, 0xFFFF, 0xFFFF);
    const auto back = decodeJournal(e.image, G4).journal;
    ASSERT_EQ(back.count(), d.count() - 3);
    EXPECT_EQ(back.records[0], d.records[0]);
    for (std::size_t i = 1; i < back.count(); ++i)
        EXPECT_EQ(back.records[i], d.records[i + 3]);
}

TEST(EncodeJournal, DeletingRowsReencodesAndDecodesAgain) {
    const auto img = sampleG3(0x00);
    const auto d = decodeJournal(img, G3);
    ASSERT_EQ(d.journal.count(), 4u);
    const auto after = deleteJournalRecords(d.journal, G3, img, {1, 1}, 345, 12);
    EXPECT_EQ(after.dropped, 0u);
    EXPECT_EQ(after.decoded.journal.count(), 3u);
    EXPECT_EQ(after.decoded.journal.records[0], d.journal.records[1]);
    EXPECT_EQ(after.decoded.padNumber, 12);
    EXPECT_EQ(decodeJournal(after.image, G3).journal, after.decoded.journal);
}

TEST(EncodeJournal, RangeContains) {
    EXPECT_FALSE(RecordRange{}.contains(0));
    EXPECT_FALSE(RecordRange{}.contains(1));
    EXPECT_TRUE((RecordRange{2, 3}.contains(3)));
    EXPECT_FALSE((RecordRange{3, 2}.contains(3)));
}

TEST(EncodeJournal, Gen3RoundTripInTenths) {
    const auto img = sampleG3(0x00);
    const auto d = decodeJournal(img, G3);
    const auto e = encodeJournal(d.journal, G3, img, {}, d.wellNumber, d.padNumber);
    const auto back = decodeJournal(e.image, G3);
    EXPECT_EQ(back.journal, d.journal);
    EXPECT_EQ(back.wellNumber, 345);
    EXPECT_EQ(back.padNumber, 12);
    EXPECT_EQ(e.image[1024 + 27], 0x00);
    EXPECT_EQ(e.image[1024 + 31], 0xCD);
}

TEST(EncodeJournal, Gen3FactorComesFromTheFirstUnusedSlot) {
    // Whole amperes throughout and the first free slot flagged: written whole, flag 8.
    auto img = sampleG3(0x08);
    img[1024 + 2 * 32 + 27] = 0x08;
    const auto d = decodeJournal(img, G3);
    EXPECT_DOUBLE_EQ(d.journal.records.back().IA, 7.0);
    const auto e = encodeJournal(d.journal, G3, img, {}, 345, 12);
    EXPECT_EQ(e.image[1024 + 27], 0x08);
    EXPECT_EQ(e.image[1024 + 11], 125); // IA 125 A written whole
    EXPECT_EQ(decodeJournal(e.image, G3).journal, d.journal);
    // First free slot unflagged (0xFF): tenths, flag 0.
    auto plain = sampleG3(0x08);
    const auto d2 = decodeJournal(plain, G3);
    const auto e2 = encodeJournal(d2.journal, G3, plain, {}, 345, 12);
    EXPECT_EQ(e2.image[1024 + 27], 0x00);
    EXPECT_EQ(decodeJournal(e2.image, G3).journal, d2.journal);
}

TEST(EncodeJournal, Gen3WholeFactorNeverRoundsAwayTenths) {
    auto img = sampleG3(0x00); // tenths: 12.5 A
    img[1024 + 2 * 32 + 27] = 0x08;
    const auto d = decodeJournal(img, G3);
    const auto e = encodeJournal(d.journal, G3, img, {}, 345, 12);
    EXPECT_EQ(e.image[1024 + 27], 0x00);
    EXPECT_EQ(decodeJournal(e.image, G3).journal, d.journal);
}

TEST(EncodeJournal, Gen3EveryMeasurementSlotUsedChoosesTenths) {
    auto img = emptyImage();
    G3Measure m;
    m.flags = 0x08;
    for (std::size_t i = 0; i < 992; ++i)
        measureG3(img, i, {5, 3, 24, static_cast<unsigned>(i / 60 % 24), static_cast<unsigned>(i % 60), 0},
                  m);
    const auto d = decodeJournal(img, G3);
    ASSERT_EQ(d.journal.count(), 992u);
    const auto e = encodeJournal(d.journal, G3, img, {}, 1, 2);
    EXPECT_EQ(e.image[1024 + 27], 0x00);
    EXPECT_EQ(decodeJournal(e.image, G3).journal, d.journal);
}

TEST(EncodeJournal, SettingChangeInGen3IsAShortEvent) {
    Journal j;
    j.records = {rec(250, 7, 9)};
    const auto e = encodeJournal(j, G3, emptyImage(), {}, 1, 2).image;
    EXPECT_EQ(e[7], 250);
    EXPECT_EQ(e[3], 0);
}

TEST(EncodeJournal, RecordsBeyondTheSlotsOfTheirAreaAreDroppedNotSpilled) {
    Journal j;
    for (int i = 0; i < 130; ++i)
        j.records.push_back(rec(3, 7, 9));
    for (int i = 0; i < 65; ++i) {
        auto c = rec(250, 7, 9);
        c.NUM_UST = 21;
        j.records.push_back(c);
    }
    const auto e4 = encodeJournal(j, G4, emptyImage(), {}, 1, 2);
    EXPECT_EQ(e4.dropped, 3u);
    EXPECT_EQ(decodeJournal(e4.image, G4).journal.count(), 128u + 64u);
    const auto e3 = encodeJournal(j, G3, emptyImage(), {}, 1, 2);
    EXPECT_EQ(e3.dropped, 130u + 65u - 126u);
    EXPECT_EQ(e3.image[1020], 1); // well and pad intact
    EXPECT_EQ(e3.image[1022], 2);
}

TEST(EncodeJournal, OutOfRangeValuesDoNotOverflow) {
    Journal j;
    auto m = rec(255, 7, 9);
    m.IA = 1e9;
    m.IB = -5;
    m.year = 1990;
    j.records = {m};
    const auto e = encodeJournal(j, G4, emptyImage(), {}, 1, 2).image;
    EXPECT_EQ(e[2048 + 12], 0xFF);
    EXPECT_EQ(e[2048 + 13], 0xFF);
    EXPECT_EQ(e[2048 + 14], 0);
    EXPECT_EQ(e[2048 + 5], 0);
}

} // namespace
