// Byte images typed out by hand from the controller's layout tables, so that a decoder and an
// encoder that shared one wrong offset would both be caught (a round trip would not see it).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <vector>

#include "journal/current_state.h"
#include "journal/journal_decode.h"
#include "journal/journal_encode.h"
#include "journal/journal_file.h"
#include "journal/journal_rows.h"
#include "journal/journal_text_export.h"
#include "settings/catalogue.h"

namespace vorsan {
namespace {

constexpr auto G4 = ControllerGeneration::Gen4;
constexpr auto G3 = ControllerGeneration::Gen3;

JournalImage blank() {
    JournalImage img;
    img.fill(0xFF);
    return img;
}

void place(JournalImage& img, std::size_t at, std::initializer_list<std::uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), img.begin() + static_cast<std::ptrdiff_t>(at));
}

// 17:43:29 on 28.11.2023; every field a different value so that swapped fields show.
constexpr std::array<std::uint8_t, 32> kG4Block = {
    0x29, 0x43, 0x17, 0x28, 0x11, 0x23, // second, minute, hour, day, month, year
    0x7B, 0x01,                         // UAB 379
    0x80, 0x01,                         // UBC 384
    0x85, 0x01,                         // UCA 389
    0xE1, 0x04,                         // IA 1249 tenths
    0x0C, 0x00,                         // IB 12 tenths
    0x00, 0x01,                         // IC 256 tenths
    0x0F, 0x27,                         // SOP 9999
    0x4D, 0x00,                         // ZAGR 77
    0x2A, 0x00,                         // P 42
    0x5A, 0x00,                         // T 90
    0xFF, 0xFF, 0xFF,                   // not used
    0x56,                               // COS_ 86
    0x04,                               // EXT_ZAP 4
    0xAA,                               // marker
};

// 06:05:08 on 31.12.2099 (second at byte 19).
constexpr std::array<std::uint8_t, 32> kG3Block = {
    0x05, 0x06, 0x31, 0x12, 0x99, // minute, hour, day, month, year
    0x3C, 0x77,                   // ZAGR 60 (byte 6 ignored)
    0x03, 0x00,                   // IC 3
    0x02, 0x01,                   // IB 258
    0xE8, 0x03,                   // IA 1000
    0x0A, 0x00,                   // UCA 10
    0x14, 0x00,                   // UBC 20
    0x1E, 0x00,                   // UAB 30
    0x08,                         // second 8
    0xFF, 0xFF, 0xFF, 0xFF, 0xFF, // not used
    0x34, 0x12,                   // SOP 4660
    0x00,                         // flags: tenths
    0xFF, 0xFF, 0xFF,             // not used
    0xCD,                         // marker
};

TEST(LiteralImage, Gen4MeasurementBlockFields) {
    JournalImage img = blank();
    std::copy(kG4Block.begin(), kG4Block.end(), img.begin() + 2048 + 32 * 5);
    const auto j = decodeJournal(img, G4).journal;
    ASSERT_EQ(j.count(), 1u);
    const JournalRecord& r = j.records[0];
    EXPECT_EQ(r.year, 2023);
    EXPECT_EQ(r.month, 11);
    EXPECT_EQ(r.day, 28);
    EXPECT_EQ(r.hour, 17);
    EXPECT_EQ(r.minute, 43);
    EXPECT_EQ(r.second, 29);
    EXPECT_EQ(r.UAB, 379);
    EXPECT_EQ(r.UBC, 384);
    EXPECT_EQ(r.UCA, 389);
    EXPECT_DOUBLE_EQ(r.IA, 124.9);
    EXPECT_DOUBLE_EQ(r.IB, 1.2);
    EXPECT_DOUBLE_EQ(r.IC, 25.6);
    EXPECT_EQ(r.SOP, 9999);
    EXPECT_EQ(r.ZAGR, 77);
    EXPECT_EQ(r.P, 42);
    EXPECT_EQ(r.T, 90);
    EXPECT_EQ(r.COS_, 86);
    EXPECT_EQ(r.EXT_ZAP, 4);
    EXPECT_EQ(r.SOBYTIE, 255);
}

TEST(LiteralImage, Gen4MeasurementBlockWrittenByteForByte) {
    JournalImage img = blank();
    std::copy(kG4Block.begin(), kG4Block.end(), img.begin() + 2048);
    const auto j = decodeJournal(img, G4).journal;
    const auto out = encodeJournal(j, G4, img, {}, 0xFFFF, 0xFFFF).image;
    std::array<std::uint8_t, 32> expected = kG4Block;
    expected[31] = 0x55; // written blocks carry the 0x55 marker
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), out.begin() + 2048));
    EXPECT_TRUE(std::all_of(out.begin() + 2080, out.end(), [](std::uint8_t b) { return b == 0xFF; }));
}

TEST(LiteralImage, Gen4EventAndSettingChangeSlots) {
    JournalImage img = blank();
    // Short event 31 at 08:00:59 on 01.02.2024 in slot 3; byte 7 unused.
    place(img, 24, {0x59, 0x00, 0x08, 0x01, 0x02, 0x24, 31, 0x00});
    // Setting 34 changed from 125 to 300 at 08:01:00 the same day, in setting-change slot 2.
    place(img, 1024 + 32, {0x00, 0x01, 0x08, 0x01, 0x02, 0x24, 34, 0, 125, 0, 0x2C, 0x01, 0, 0, 0, 0});
    const auto j = decodeJournal(img, G4).journal;
    ASSERT_EQ(j.count(), 2u);
    EXPECT_EQ(j.records[0].SOBYTIE, 31);
    EXPECT_EQ(j.records[0].second, 59);
    EXPECT_EQ(j.records[0].hour, 8);
    EXPECT_EQ(j.records[0].day, 1);
    EXPECT_EQ(j.records[0].month, 2);
    EXPECT_EQ(j.records[1].SOBYTIE, 250);
    EXPECT_EQ(j.records[1].NUM_UST, 34);
    EXPECT_EQ(j.records[1].OLD_ZN, 125);
    EXPECT_EQ(j.records[1].NEW_ZN, 300);
    EXPECT_EQ(j.records[1].minute, 1);

    const auto out = encodeJournal(j, G4, img, {}, 0x0102, 0x0304).image;
    const std::vector<std::uint8_t> event(out.begin(), out.begin() + 8);
    EXPECT_EQ(event, (std::vector<std::uint8_t>{0x59, 0x00, 0x08, 0x01, 0x02, 0x24, 31, 0xFF}));
    const std::vector<std::uint8_t> change(out.begin() + 1024, out.begin() + 1040);
    EXPECT_EQ(change, (std::vector<std::uint8_t>{0x00, 0x01, 0x08, 0x01, 0x02, 0x24, 34, 0, 125, 0, 0x2C,
                                                 0x01, 0xFF, 0xFF, 0xFF, 0xFF}));
    // Well at 1020, pad at 1022, low byte first.
    EXPECT_EQ(out[1020], 0x02);
    EXPECT_EQ(out[1021], 0x01);
    EXPECT_EQ(out[1022], 0x04);
    EXPECT_EQ(out[1023], 0x03);
}

TEST(LiteralImage, Gen3MeasurementBlockFields) {
    JournalImage img = blank();
    std::copy(kG3Block.begin(), kG3Block.end(), img.begin() + 1024 + 32 * 7);
    place(img, 1020, {0x39, 0x30, 0x2D, 0x00}); // well 12345, pad 45
    const auto d = decodeJournal(img, G3);
    EXPECT_EQ(d.wellNumber, 12345);
    EXPECT_EQ(d.padNumber, 45);
    ASSERT_EQ(d.journal.count(), 1u);
    const JournalRecord& r = d.journal.records[0];
    EXPECT_EQ(r.year, 2099);
    EXPECT_EQ(r.month, 12);
    EXPECT_EQ(r.day, 31);
    EXPECT_EQ(r.hour, 6);
    EXPECT_EQ(r.minute, 5);
    EXPECT_EQ(r.second, 8);
    EXPECT_EQ(r.ZAGR, 60);
    EXPECT_DOUBLE_EQ(r.IC, 0.3);
    EXPECT_DOUBLE_EQ(r.IB, 25.8);
    EXPECT_DOUBLE_EQ(r.IA, 100.0);
    EXPECT_EQ(r.UCA, 10);
    EXPECT_EQ(r.UBC, 20);
    EXPECT_EQ(r.UAB, 30);
    EXPECT_EQ(r.SOP, 4660);
    EXPECT_EQ(r.COS_, 0);
    EXPECT_EQ(r.P, 0);
    EXPECT_EQ(r.T, 0);
    EXPECT_EQ(r.EXT_ZAP, 0);
}

TEST(LiteralImage, Gen3BlocksAndEventWrittenByteForByte) {
    JournalImage img = blank();
    std::copy(kG3Block.begin(), kG3Block.end(), img.begin() + 1024);
    // Event 48 at 06:05:08 on 31.12.2099, byte 3 unused.
    place(img, 0, {0x08, 0x05, 0x06, 0x77, 0x31, 0x12, 0x99, 48});
    const auto j = decodeJournal(img, G3).journal;
    ASSERT_EQ(j.count(), 2u);
    // The first free measurement slot of the old image has no flag: tenths.
    const auto out = encodeJournal(j, G3, img, {}, 12345, 45).image;
    std::array<std::uint8_t, 32> expected = kG3Block;
    expected[6] = 0x00; // ZAGR is written as a full word
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), out.begin() + 1024));
    const std::vector<std::uint8_t> event(out.begin(), out.begin() + 8);
    EXPECT_EQ(event, (std::vector<std::uint8_t>{0x08, 0x05, 0x06, 0x00, 0x31, 0x12, 0x99, 48}));
    EXPECT_EQ(out[1020], 0x39);
    EXPECT_EQ(out[1021], 0x30);
    EXPECT_EQ(out[1022], 0x2D);
    EXPECT_EQ(out[1023], 0x00);
}

TEST(LiteralImage, Gen3WholeAmperesFlag) {
    JournalImage img = blank();
    std::array<std::uint8_t, 32> block = kG3Block;
    block[27] = 0x08; // whole amperes
    std::copy(block.begin(), block.end(), img.begin() + 1024);
    img[1024 + 32 + 27] = 0x08; // the first unused slot says whole amperes too
    const auto j = decodeJournal(img, G3).journal;
    ASSERT_EQ(j.count(), 1u);
    EXPECT_DOUBLE_EQ(j.records[0].IA, 1000.0);
    EXPECT_DOUBLE_EQ(j.records[0].IC, 3.0);
    const auto out = encodeJournal(j, G3, img, {}, 0xFFFF, 0xFFFF).image;
    EXPECT_EQ(out[1024 + 7], 0x03); // IC 3, unscaled
    EXPECT_EQ(out[1024 + 11], 0xE8);
    EXPECT_EQ(out[1024 + 12], 0x03);
    EXPECT_EQ(out[1024 + 27], 0x08);
}

// Row deletion re-encodes the journal the grid shows; building its rows writes "---" for a
// missing power factor (generation 4) or load (generation 3) and sets the value to 0 for graphs.
// Deleting another row must not turn those missing values into real zeros.
TEST(LiteralImage, DeletionKeepsMissingPowerFactorAndLoad) {
    {
        JournalImage img = blank();
        std::array<std::uint8_t, 32> block = kG4Block;
        block[29] = 0xFF; // no power factor
        std::copy(block.begin(), block.end(), img.begin() + 2048);
        place(img, 0, {0x00, 0x00, 0x08, 0x01, 0x02, 0x24, 48, 0xFF});
        Journal j = decodeJournal(img, G4).journal;
        const auto rows = buildJournalRows(j, G4, buildCatalogue(G4), ',');
        ASSERT_EQ(j.count(), 2u);
        ASSERT_EQ(j.records[0].SOBYTIE, 255); // 2023, before the 2024 start
        ASSERT_EQ(rows[0].cosText, "---");
        const auto after = deleteJournalRecords(j, G4, img, {2, 2}, 0xFFFF, 0xFFFF);
        ASSERT_EQ(after.decoded.journal.count(), 1u);
        EXPECT_EQ(after.decoded.journal.records[0].COS_, 255);
        EXPECT_EQ(after.image[2048 + 29], 0xFF);
    }
    {
        JournalImage img = blank();
        std::array<std::uint8_t, 32> block = kG3Block;
        block[5] = 0xFF; // no load
        std::copy(block.begin(), block.end(), img.begin() + 1024);
        place(img, 0, {0x08, 0x05, 0x06, 0x00, 0x31, 0x12, 0x99, 48});
        Journal j = decodeJournal(img, G3).journal;
        const auto rows = buildJournalRows(j, G3, buildCatalogue(G4), ',');
        ASSERT_EQ(j.count(), 2u);
        const std::size_t m = j.records[0].SOBYTIE == 255 ? 0 : 1;
        ASSERT_EQ(rows[m].zagrText, "---");
        const std::size_t event = 1 - m;
        const auto after = deleteJournalRecords(j, G3, img, {event + 1, event + 1}, 0xFFFF, 0xFFFF);
        ASSERT_EQ(after.decoded.journal.count(), 1u);
        EXPECT_EQ(after.decoded.journal.records[0].ZAGR, 255);
    }
}

TEST(LiteralText, RecordLinesOfTheTextFile) {
    JournalImage img = blank();
    std::copy(kG4Block.begin(), kG4Block.end(), img.begin() + 2048);
    place(img, 0, {0x30, 0x43, 0x17, 0x28, 0x11, 0x23, 3, 0xFF}); // "Стоп : недогрузка", 17 characters
    Journal j = decodeJournal(img, G4).journal;
    const auto rows = buildJournalRows(j, G4, buildCatalogue(G4), ',');
    const auto lines = journalTextLines(j, rows, "ВОРСАН 4.074 : x.VR4", 12, 345);
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], "      ВОРСАН 4.074 : x.VR4");
    EXPECT_EQ(lines[1], "      куст № 12   скважина № 345");
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[3],
              "         Дата       Время    Uab   Ubc   Uca   Ia    Ib    Ic  Загр.,%  R      P     T  ");
    EXPECT_EQ(lines[4], "");
    EXPECT_EQ(lines[5],
              "   1  28.11.2023  17:43:29   379   384   389 124,9   1,2  25,6    77  9999    42    90");
    EXPECT_EQ(lines[6], "   2  28.11.2023  17:43:30               Стоп : недогрузка");
    const auto file = journalTextFile(j, rows, "ВОРСАН 4.074 : x.VR4", 0xFFFF, 7);
    // Windows-1251 bytes, CR LF line ends.
    const std::string expectedStart =
        "      \xC2\xCE\xD0\xD1\xC0\xCD 4.074 : x.VR4\r\n"
        "      \xEA\xF3\xF1\xF2 \xB9 ____   \xF1\xEA\xE2\xE0\xE6\xE8\xED\xE0 \xB9 ____\r\n"
        "\r\n";
    ASSERT_GE(file.bytes.size(), expectedStart.size());
    EXPECT_EQ(std::string(file.bytes.begin(),
                          file.bytes.begin() + static_cast<std::ptrdiff_t>(expectedStart.size())),
              expectedStart);
    EXPECT_EQ(file.bytes[file.bytes.size() - 2], '\r');
    EXPECT_EQ(file.bytes[file.bytes.size() - 1], '\n');
}

// The power factor is written with its own comma; only the currents follow the user's separator.
TEST(LiteralText, PowerFactorKeepsItsComma) {
    CurrentState s = zeroState();
    s.powerFactor = 87;
    s.IA = 123;
    auto column = currentStateColumn(s, '.');
    EXPECT_EQ(column[12], "0,87");
    EXPECT_EQ(column[7], "12.3 A");
    s.powerFactor = 5;
    EXPECT_EQ(currentStateColumn(s, '.')[12], "0,05");
    s.powerFactor = 100;
    EXPECT_EQ(currentStateColumn(s, '.')[12], "1,00");
    s.powerFactor = 101;
    EXPECT_EQ(currentStateColumn(s, '.')[12], "- - , - -");
}

// A journal block that ends inside a slot: that slot is not there, as the slots beyond the end.
TEST(LiteralFile, ShortJournalBlockEndingInsideASlot) {
    const auto file = [](ControllerGeneration g, std::vector<std::uint8_t> block) {
        const ParameterBlock params = [] {
            ParameterBlock p;
            p.fill(0xFF);
            return p;
        }();
        return writeContainer(g, block, params);
    };
    // Generation 4: one whole event, then six bytes of a second (its code byte missing).
    std::vector<std::uint8_t> g4 = {0x00, 0x00, 0x08, 0x01, 0x02, 0x24, 48,
                                    0xFF, 0x05, 0x00, 0x08, 0x01, 0x02, 0x24};
    auto load = loadJournalFile(file(G4, g4), G4, {});
    ASSERT_EQ(load.status, FileStatus::ok);
    auto j = decodeJournal(load.file.image, G4).journal;
    ASSERT_EQ(j.count(), 1u);
    EXPECT_EQ(j.records[0].SOBYTIE, 48);
    // A setting change whose new value is cut off.
    std::vector<std::uint8_t> g4b(1024, 0xFF);
    const std::vector<std::uint8_t> change = {0x00, 0x01, 0x08, 0x01, 0x02, 0x24, 34, 0, 125, 0, 0x2C};
    g4b.insert(g4b.end(), change.begin(), change.end());
    load = loadJournalFile(file(G4, g4b), G4, {});
    j = decodeJournal(load.file.image, G4).journal;
    EXPECT_EQ(j.count(), 0u);
    // Generation 3: an event without its code byte.
    std::vector<std::uint8_t> g3 = {0x08, 0x05, 0x06, 0x00, 0x31, 0x12, 0x99};
    load = loadJournalFile(file(G3, g3), G3, {});
    j = decodeJournal(load.file.image, G3).journal;
    EXPECT_EQ(j.count(), 0u);
}

} // namespace
} // namespace vorsan
