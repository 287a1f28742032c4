#include "journal/journal_rows.h"

#include "image_builder.h"
#include "settings/catalogue.h"
#include "text/cp1251.h"

#include <gtest/gtest.h>

using namespace vorsan;
using namespace vorsan::testing;

namespace {

constexpr auto G4 = ControllerGeneration::Gen4;
constexpr auto G3 = ControllerGeneration::Gen3;

const SettingsCatalogue& gen4() {
    static const SettingsCatalogue c = buildCatalogue(G4);
    return c;
}

JournalRow rowOf(JournalRecord r, ControllerGeneration g = G4, char sep = ',') {
    return buildJournalRow(r, g, gen4(), sep);
}

TEST(JournalRows, DateAndTimeTexts) {
    auto r = rec(3, 7, 9);
    r.year = 2003;
    const auto row = rowOf(r);
    EXPECT_EQ(row.dateText, "05.03.2003");
    EXPECT_EQ(row.timeText, "14:07:09");
}

TEST(JournalRows, EventTextsOfBothGenerations) {
    struct Case {
        std::uint8_t code;
        const char* gen4;
        const char* gen3;
    };
    const Case cases[] = {
        {0, "Стоп : высокое напряжение", "Стоп : высокое напряжение"},
        {8, "Стоп : низкое сопротивление изоляции", "Стоп : низкое сопротивление изоляции"},
        {11, "Стоп : открыта дверь", "Стоп : открыта дверь"},
        {12, "Стоп : ", "Стоп : "},
        {14, "Стоп : дистанционный", "Стоп : "},
        {15, "Стоп : оператор", "Стоп : оператор"},
        {16, "Стоп : ", "Стоп : "},
        {31, "Стоп : программа", "Стоп : программа"},
        {46, "Пуск : дистанционный", ""},
        {48, "Пуск : ручной", "Пуск : ручной"},
        {49, "Пуск : автоматический", "Пуск : автоматический"},
        {76, "Включение напряжения", "Включение напряжения"},
        {140, "Отключение напряжения", "Отключение напряжения"},
        {20, "", ""},
        {255, "", ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(rowOf(rec(c.code, 1, 1), G4).eventText, c.gen4) << int(c.code);
        EXPECT_EQ(rowOf(rec(c.code, 1, 1), G3).eventText, c.gen3) << int(c.code);
    }
}

TEST(JournalRows, EventRowsHaveNoValueTexts) {
    const auto row = rowOf(rec(3, 1, 1));
    EXPECT_TRUE(row.isEventRow());
    EXPECT_EQ(row.uabText, "");
    EXPECT_EQ(row.iaText, "");
    // Generation 3 code 46: no text, and the values stay empty too.
    const auto g3 = rowOf(rec(46, 1, 1), G3);
    EXPECT_FALSE(g3.isEventRow());
    EXPECT_EQ(g3.uabText, "");
    EXPECT_EQ(g3.zagrText, "");
}

TEST(JournalRows, UnknownCodeIsAMeasurementRowOfZeros) {
    const auto row = rowOf(rec(20, 1, 1));
    EXPECT_FALSE(row.isEventRow());
    EXPECT_EQ(row.iaText, "0,0");
    EXPECT_EQ(row.icText, "0,0");
    EXPECT_EQ(row.uabText, "0");
    EXPECT_EQ(row.sopText, "0");
}

TEST(JournalRows, MeasurementTextsGen4) {
    auto r = rec(255, 1, 1, 7);
    r.UAB = 400;
    r.UBC = 401;
    r.UCA = 99999 % 65536;
    r.IA = 12.3;
    r.IB = 0;
    r.IC = 999.9;
    r.SOP = 9999;
    r.ZAGR = 55;
    r.P = 12;
    r.T = 80;
    r.COS_ = 87;
    const auto row = rowOf(r);
    EXPECT_EQ(row.uabText, "400");
    EXPECT_EQ(row.ucaText, "34463");
    EXPECT_EQ(row.iaText, "12,3");
    EXPECT_EQ(row.ibText, "0,0");
    EXPECT_EQ(row.icText, "999,9");
    EXPECT_EQ(row.sopText, "9999");
    EXPECT_EQ(row.zagrText, "55");
    EXPECT_EQ(row.pText, "12");
    EXPECT_EQ(row.tText, "80");
    EXPECT_EQ(row.cosText, "87");
    EXPECT_EQ(row.causeText, "Rиз.");
    EXPECT_EQ(rowOf(r, G4, '.').iaText, "12.3");
}

TEST(JournalRows, CurrentsFromOneThousandAreGroupedAndCut) {
    auto r = rec(255, 1, 1);
    r.IA = 1000.0;
    const auto row = rowOf(r);
    EXPECT_EQ(row.iaText, "1\u00A0000"); // "1 000,0" cut to five characters
}

TEST(JournalRows, DashesAndTheirSideEffect) {
    auto r = rec(255, 1, 1);
    r.COS_ = 255;
    r.SOP = 0xFFFF;
    r.ZAGR = 255;
    Journal j{{r}};
    const auto rows4 = buildJournalRows(j, G4, gen4(), ',');
    EXPECT_EQ(rows4[0].cosText, "---");
    EXPECT_EQ(rows4[0].sopText, "---");
    EXPECT_EQ(rows4[0].zagrText, "255"); // only generation 3 dashes the load
    EXPECT_EQ(j.records[0].COS_, 0);
    EXPECT_EQ(j.records[0].SOP, 0xFFFF); // SOP is shown as dashes but kept
    EXPECT_EQ(j.records[0].ZAGR, 255);

    Journal j3{{r}};
    j3.records[0].COS_ = 255;
    const auto rows3 = buildJournalRows(j3, G3, gen4(), ',');
    EXPECT_EQ(rows3[0].zagrText, "---");
    EXPECT_EQ(rows3[0].cosText, "255");
    EXPECT_EQ(j3.records[0].ZAGR, 0);
    EXPECT_EQ(j3.records[0].COS_, 255);
    EXPECT_EQ(rows3[0].pText, "");
    EXPECT_EQ(rows3[0].tText, "");
    EXPECT_EQ(rows3[0].causeText, "");
}

TEST(JournalRows, CauseTexts) {
    const char* expected[] = {"",      "Выс.напр.", "Низ.напр.", "Дисб.напр.", "Турб.вращ.", "Чер.фаз",
                              "Дверь", "Rиз.",      ""};
    for (std::uint8_t c = 0; c <= 8; ++c)
        EXPECT_EQ(causeText(c), expected[c]) << int(c);
    EXPECT_EQ(causeText(255), "");
}

JournalRecord change(std::uint16_t number, std::uint16_t oldV, std::uint16_t newV) {
    auto r = rec(250, 1, 1);
    r.NUM_UST = number;
    r.OLD_ZN = oldV;
    r.NEW_ZN = newV;
    return r;
}

TEST(JournalRows, SettingChangeTexts) {
    struct Case {
        JournalRecord r;
        const char* text;
    };
    const Case cases[] = {
        {change(22, 0, 2), "Изменение уставки №: 22.Повыш.напряж.,   Откл  ->  АПВ"},
        {change(34, 125, 130), "Изменение уставки №: 34.Ном.ток двиг.Уст.,   12,50 А  ->  13,00 А"},
        {change(21, 380, 400), "Изменение уставки №: 21.Номин.напряж.Уст.,   380 В  ->  400 В"},
        {change(73, 125, 5), "Изменение уставки №: 73.Период записи,   2ч 05мин  ->  0ч 05мин"},
        {change(83, 12, 13), "Изменение уставки №: 83.Номер куста Уст.,   12   ->  13 "},
        {change(22, 0, 3), "Изменение уставки №: 22.Повыш.напряж.,   Откл  ->  3 (нет в списке)"},
        {change(22, 0xFFFF, 1), "Изменение уставки №: 22.Повыш.напряж.,   65535 (нет в списке)  ->  Блок"},
    };
    for (const auto& c : cases) {
        const auto row = rowOf(c.r);
        EXPECT_EQ(row.eventText, c.text);
        EXPECT_TRUE(row.isEventRow());
    }
}

TEST(JournalRows, SettingChangeWithoutCatalogueEntryShowsRawValues) {
    auto r = change(98, 1, 2);
    EXPECT_EQ(rowOf(r).eventText, "Изменение уставки №: 98.,   1  ->  2");
    const auto g3cat = buildCatalogue(G3);
    auto ok = change(22, 0, 2);
    EXPECT_EQ(buildJournalRow(ok, G4, g3cat, ',').eventText, "Изменение уставки №: 22.,   0  ->  2");
}

TEST(JournalRows, SettingChangeInGen3HasNoText) {
    EXPECT_EQ(rowOf(change(22, 0, 2), G3).eventText, "");
}

TEST(JournalRows, SettingChangeFollowsTheTransformerVariant) {
    auto c = gen4();
    applyTransformerVariant(c, 2);
    auto r = change(33, 380, 400);
    EXPECT_EQ(buildJournalRow(r, G4, c, ',').eventText,
              "Изменение уставки №: 33.Напр. ТМПН Уст./Номин.ток,   380 В  ->  400 В");
}

TEST(JournalRows, LongTextsAreCutToTheirFieldLength) {
    SettingsCatalogue c = gen4();
    c.byNumber(22)->shortName = std::string(120, 'x');
    auto r = change(22, 0, 2);
    const auto text = buildJournalRow(r, G4, c, ',').eventText;
    EXPECT_EQ(utf8Length(text), 100u);
    auto big = rec(255, 1, 1);
    big.year = 65535;
    EXPECT_EQ(rowOf(big).dateText, "05.03.6553");
}

TEST(JournalRows, StyleOfRows) {
    const auto stop = rec(3, 1, 1);
    const auto start = rec(76, 1, 1);
    const auto m = rec(255, 1, 1);
    const auto ch = change(22, 0, 1);
    EXPECT_EQ(journalRowStyle(stop, rowOf(stop)).colour, kColourRed);
    EXPECT_TRUE(journalRowStyle(stop, rowOf(stop)).eventRow);
    EXPECT_EQ(journalRowStyle(stop, rowOf(stop)).eventClass, EventClass::stop);
    EXPECT_EQ(journalRowStyle(start, rowOf(start)).colour, kColourGreen);
    EXPECT_EQ(journalRowStyle(start, rowOf(start)).eventClass, EventClass::start);
    EXPECT_EQ(journalRowStyle(ch, rowOf(ch)).colour, kColourRed);
    EXPECT_EQ(journalRowStyle(m, rowOf(m)).colour, kColourBlack);
    EXPECT_FALSE(journalRowStyle(m, rowOf(m)).eventRow);
    EXPECT_EQ(0xFFFFFFu - kColourRed, 0xFFFF00u); // selected red text is drawn cyan
}

TEST(JournalRows, GridColumns) {
    EXPECT_EQ(journalColumnCount(G4), 15);
    EXPECT_EQ(journalColumnCount(G3), 11);
    auto r = rec(255, 1, 1, 1);
    r.UAB = 1;
    r.COS_ = 90;
    const auto row = rowOf(r);
    EXPECT_EQ(measurementCellText(row, 3), "1");
    EXPECT_EQ(measurementCellText(row, 13), "90");
    EXPECT_EQ(measurementCellText(row, 14), "Выс.напр.");
    EXPECT_EQ(measurementCellText(row, 2), "");
    EXPECT_STREQ(kJournalColumnHeaders[12], "T, °С");
}

} // namespace

// A row filled again (the rows of a view are rebuilt in place) keeps nothing of its last record.
TEST(JournalRows, RowFilledAgainHoldsOnlyTheNewRecordsTexts) {
    auto measurement = rec(255, 1, 1, 7);
    measurement.P = 12;
    auto change = rec(250, 2, 2);
    change.NUM_UST = 34;
    change.OLD_ZN = 1250;
    change.NEW_ZN = 1300;
    struct Case {
        const char* what;
        JournalRecord first, then;
        ControllerGeneration firstGen, thenGen;
    };
    const Case cases[] = {
        {"measurement, then event", measurement, rec(3, 1, 1), G4, G4},
        {"event, then measurement", rec(3, 1, 1), measurement, G4, G4},
        {"generation 4 measurement, then generation 3", measurement, measurement, G4, G3},
        {"setting change, then measurement", change, measurement, G4, G4},
        {"measurement, then generation 3 code 46", measurement, rec(46, 1, 1), G4, G3},
    };
    for (const Case& c : cases) {
        JournalRow row;
        JournalRecord first = c.first, then = c.then;
        fillJournalRow(first, row, c.firstGen, gen4(), ',');
        fillJournalRow(then, row, c.thenGen, gen4(), ',');
        EXPECT_EQ(row, rowOf(c.then, c.thenGen)) << c.what;
    }
}
