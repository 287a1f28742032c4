#include "journal/journal_text_export.h"

#include "image_builder.h"
#include "journal/journal_rows.h"
#include "settings/catalogue.h"
#include "text/cp1251.h"

#include <gtest/gtest.h>

using namespace vorsan;
using namespace vorsan::testing;

namespace {

constexpr auto G4 = ControllerGeneration::Gen4;
constexpr auto G3 = ControllerGeneration::Gen3;

std::vector<JournalRow> rowsOf(Journal& j, ControllerGeneration g = G4) {
    return buildJournalRows(j, g, buildCatalogue(G4), ',');
}

TEST(JournalText, EmptyJournalGivesTheFiveHeaderLines) {
    Journal j;
    const auto file = journalTextFile(j, {}, "ВОРСАН 4.074 : /tmp/a.VR4", 12, 345);
    EXPECT_EQ(cp1251ToUtf8(file.bytes),
              "      ВОРСАН 4.074 : /tmp/a.VR4\r\n"
              "      куст № 12   скважина № 345\r\n"
              "\r\n"
              "         Дата       Время    Uab   Ubc   Uca   Ia    Ib    Ic  Загр.,%  R      P     T  \r\n"
              "\r\n");
    EXPECT_EQ(file.replaced, 0u);
    EXPECT_EQ(file.bytes.substr(0, 6), "      ");
    EXPECT_EQ(static_cast<unsigned char>(file.bytes[6]), 0xC2); // "В" in Windows-1251
}

TEST(JournalText, PadAndWellLine) {
    Journal j;
    EXPECT_EQ(journalTextLines(j, {}, "c", 0xFFFF, 345)[1], "      куст № ____   скважина № ____");
    EXPECT_EQ(journalTextLines(j, {}, "c", 0xFFFF, 0xFFFF)[1], "      куст № ____   скважина № ____");
    // Only the pad number is tested.
    EXPECT_EQ(journalTextLines(j, {}, "c", 12, 0xFFFF)[1], "      куст № 12   скважина № 65535");
}

TEST(JournalText, PositionIsPaddedToFour) {
    Journal j{{rec(3, 7, 9)}};
    const auto rows = rowsOf(j);
    EXPECT_EQ(journalTextLine(7, j.records[0], rows[0]).substr(0, 4), "   7");
    EXPECT_EQ(journalTextLine(1234, j.records[0], rows[0]).substr(0, 5), "1234 ");
    EXPECT_EQ(journalTextLine(12345, j.records[0], rows[0]).substr(0, 6), "12345 ");
}

TEST(JournalText, EventLineIsCentredOnFortyEight) {
    Journal j{{rec(3, 7, 9), rec(8, 7, 9), rec(14, 7, 9)}};
    const auto rows = rowsOf(j);
    // "Стоп : недогрузка" is 17 characters: (48 - 17) div 2 = 15 blanks.
    EXPECT_EQ(journalTextLine(1, j.records[0], rows[0]),
              "   1  05.03.2024  14:07:09" + std::string(15, ' ') + "Стоп : недогрузка");
    // A text of 20 characters gets 14 blanks; 48 or more none.
    JournalRow twenty = rows[0];
    twenty.eventText = std::string(20, 'x');
    EXPECT_EQ(journalTextLine(1, j.records[0], twenty),
              "   1  05.03.2024  14:07:09" + std::string(14, ' ') + twenty.eventText);
    JournalRow long48 = rows[0];
    long48.eventText = std::string(48, 'y');
    EXPECT_EQ(journalTextLine(1, j.records[0], long48), "   1  05.03.2024  14:07:09" + long48.eventText);
    long48.eventText = std::string(60, 'z');
    EXPECT_EQ(journalTextLine(1, j.records[0], long48), "   1  05.03.2024  14:07:09" + long48.eventText);
}

TEST(JournalText, Gen3Code46IsAnEventLineWithoutText) {
    Journal j{{rec(46, 7, 9)}};
    const auto rows = rowsOf(j, G3);
    EXPECT_EQ(journalTextLine(1, j.records[0], rows[0]), "   1  05.03.2024  14:07:09" + std::string(24, ' '));
}

TEST(JournalText, MeasurementLineHasTenColumnsOfSix) {
    auto m = rec(255, 7, 9, 2);
    m.UAB = 400;
    m.UBC = 401;
    m.UCA = 402;
    m.IA = 12.3;
    m.IB = 123.4;
    m.IC = 0;
    m.ZAGR = 55;
    m.SOP = 0xFFFF;
    m.P = 12;
    m.T = 80;
    m.COS_ = 87;
    Journal j{{m}};
    const auto rows = rowsOf(j);
    EXPECT_EQ(journalTextLine(2, j.records[0], rows[0]),
              "   2  05.03.2024  14:07:09   400   401   402  12,3 123,4   0,0    55   ---    12    80");
    Journal j3{{m}};
    const auto rows3 = rowsOf(j3, G3);
    const auto line3 = journalTextLine(2, j3.records[0], rows3[0]);
    EXPECT_EQ(line3.substr(line3.size() - 12), std::string(12, ' ')); // no P and T in generation 3
}

TEST(JournalText, UnknownCodeIsAValueLine) {
    Journal j{{rec(20, 7, 9)}};
    const auto rows = rowsOf(j);
    EXPECT_EQ(journalTextLine(1, j.records[0], rows[0]),
              "   1  05.03.2024  14:07:09     0     0     0   0,0   0,0   0,0     0     0     0     0");
}

TEST(JournalText, WholeFileHasOneLinePerRecordAndReportsUnwritableCharacters) {
    Journal j{{rec(3, 7, 9), rec(255, 7, 9), rec(49, 8, 0)}};
    const auto rows = rowsOf(j);
    const auto lines = journalTextLines(j, rows, "c", 1, 2);
    EXPECT_EQ(lines.size(), 8u);
    const auto file = journalTextFile(j, rows, "ВОРСАН 4.074 : /tmp/中.VR4", 1, 2);
    EXPECT_EQ(file.replaced, 1u);
    std::size_t crlf = 0;
    for (std::size_t i = 0; i + 1 < file.bytes.size(); ++i)
        if (file.bytes[i] == '\r' && file.bytes[i + 1] == '\n') ++crlf;
    EXPECT_EQ(crlf, 8u);
}

} // namespace
