#include "report/page_layout.h"

#include "journal/journal_rows.h"
#include "settings/catalogue.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace vorsan;

namespace {

constexpr auto G4 = ControllerGeneration::Gen4;
constexpr auto G3 = ControllerGeneration::Gen3;

// w = 10, b = 12 × 6 div 5 = 14; 644 div 14 − 6 = 40 journal rows a page.
constexpr int W = 10;
constexpr int B = 14;
PrintMetrics metrics40() { return {W, 12, 1250, 46 * B, {}}; }

JournalRecord record(std::uint8_t code, int n) {
    JournalRecord r;
    r.year = 2024;
    r.month = 3;
    r.day = 5;
    r.hour = 10;
    r.minute = static_cast<std::uint8_t>(n % 60);
    r.second = 7;
    r.SOBYTIE = code;
    r.UAB = 380;
    r.IA = 12.5;
    r.SOP = 500;
    r.P = 12;
    r.T = 80;
    r.COS_ = 87;
    r.EXT_ZAP = 4;
    return r;
}

struct Sample {
    Journal journal;
    std::vector<JournalRow> rows;
};

Sample measurements(int n, ControllerGeneration g = G4) {
    Sample s;
    for (int i = 0; i < n; ++i) s.journal.records.push_back(record(kCodeMeasurement, i));
    s.rows = buildJournalRows(s.journal, g, buildCatalogue(G4), ',');
    return s;
}

JournalTableInput input(const Sample& s, ControllerGeneration g = G4) {
    JournalTableInput in;
    in.journal = &s.journal;
    in.rows = &s.rows;
    in.generation = g;
    in.caption = "ВОРСАН 4.074 : /data/a.VR4";
    in.wellLine = journalWellLine(12, 345);
    in.firstRow = 1;
    in.lastRow = s.rows.size();
    return in;
}

// Texts of a page lying in the column spanning edges a … b (multiples of w), top to bottom.
std::vector<const PageText*> inColumn(const ReportPage& p, int a, int b) {
    std::vector<const PageText*> out;
    for (const auto& t : p.texts)
        if (t.rect.left == a * W && t.rect.right == b * W) out.push_back(&t);
    std::sort(out.begin(), out.end(), [](auto x, auto y) { return x->rect.top < y->rect.top; });
    return out;
}

const PageText* find(const ReportPage& p, const std::string& s) {
    for (const auto& t : p.texts)
        if (t.text == s) return &t;
    return nullptr;
}

bool hasLine(const ReportPage& p, PageLine l) {
    return std::find(p.lines.begin(), p.lines.end(), l) != p.lines.end();
}

TEST(JournalTable, HundredRecordsOnFortyRowPagesMakeThreePages) {
    const Sample s = measurements(100);
    ASSERT_EQ(journalRowsPerPage(metrics40()), 40);
    const ReportDocument doc = layoutJournalTable(input(s), metrics40());
    EXPECT_EQ(doc.fontPointSize, 8);
    ASSERT_EQ(doc.pages.size(), 3u);
    const int rowsOnPage[] = {40, 40, 20};
    for (int p = 0; p < 3; ++p) {
        const ReportPage& page = doc.pages[static_cast<std::size_t>(p)];
        // Title lines, the header in bold and the page number at (width div 2, height − b).
        const PageText* caption = find(page, "ВОРСАН 4.074 : /data/a.VR4");
        ASSERT_NE(caption, nullptr);
        EXPECT_EQ(caption->rect, (PageRect{3 * W, B, 98 * W, 2 * B}));
        ASSERT_NE(find(page, "куст № 12   скважина № 345"), nullptr);
        EXPECT_EQ(find(page, "куст № 12   скважина № 345")->rect, (PageRect{3 * W, 2 * B, 98 * W, 3 * B}));
        const PageText* date = find(page, "Дата");
        ASSERT_NE(date, nullptr);
        EXPECT_TRUE(date->bold);
        EXPECT_EQ(date->rect, (PageRect{14 * W, 4 * B, 25 * W, 5 * B}));
        ASSERT_NE(find(page, "экст.зап."), nullptr);
        const PageText* number = find(page, std::to_string(p + 1));
        ASSERT_NE(number, nullptr);
        EXPECT_EQ(number->rect.left, 625);
        EXPECT_EQ(number->rect.top, 46 * B - B);
        EXPECT_EQ(number->align, TextAlign::topLeft);
        EXPECT_TRUE(hasLine(page, {8 * W, 4 * B, 119 * W, 4 * B}));
        EXPECT_TRUE(hasLine(page, {8 * W, 5 * B, 119 * W, 5 * B}));
        EXPECT_TRUE(hasLine(page, {104 * W, 4 * B, 104 * W, 5 * B}));
        // Row numbers in column 1, one a line step apart, the first right below the header.
        const auto numbers = inColumn(page, 8, 14);
        ASSERT_EQ(numbers.size(), static_cast<std::size_t>(rowsOnPage[p]));
        for (std::size_t k = 0; k < numbers.size(); ++k) {
            EXPECT_EQ(numbers[k]->text, std::to_string(p * 40 + static_cast<int>(k) + 1));
            EXPECT_EQ(numbers[k]->rect.top, static_cast<int>(k + 1) * B + 4 * B);
        }
    }
    EXPECT_EQ(inColumn(doc.pages[1], 8, 14).front()->text, "41");
    EXPECT_EQ(inColumn(doc.pages[1], 8, 14).front()->rect, (PageRect{8 * W, 5 * B, 14 * W, 6 * B}));
}

TEST(JournalTable, SelectionPrintsItsRowsWithTheirNumbers) {
    const Sample s = measurements(10);
    JournalTableInput in = input(s);
    in.firstRow = 5;
    in.lastRow = 7;
    const ReportDocument doc = layoutJournalTable(in, metrics40());
    ASSERT_EQ(doc.pages.size(), 1u);
    const auto numbers = inColumn(doc.pages[0], 8, 14);
    ASSERT_EQ(numbers.size(), 3u);
    EXPECT_EQ(numbers[0]->text, "5");
    EXPECT_EQ(numbers[1]->text, "6");
    EXPECT_EQ(numbers[2]->text, "7");
    EXPECT_EQ(numbers[0]->rect.top, 5 * B);
    EXPECT_EQ(inColumn(doc.pages[0], 25, 35)[1]->text, "10:04:07"); // [0] is the header; record 4 is row 5
}

TEST(JournalTable, RangesBeyondTheJournalAreCut) {
    const Sample s = measurements(3);
    JournalTableInput in = input(s);
    in.firstRow = 2;
    in.lastRow = 99;
    EXPECT_EQ(inColumn(layoutJournalTable(in, metrics40()).pages.at(0), 8, 14).size(), 2u);
    in.firstRow = 4;
    EXPECT_TRUE(layoutJournalTable(in, metrics40()).pages.empty());
    in.firstRow = 0; // read as 1
    in.lastRow = 3;
    EXPECT_EQ(inColumn(layoutJournalTable(in, metrics40()).pages.at(0), 8, 14).size(), 3u);
}

TEST(JournalTable, MeasurementColumnsOfBothGenerations) {
    for (const auto g : {G4, G3}) {
        const Sample s = measurements(1, g);
        const ReportDocument doc = layoutJournalTable(input(s, g), metrics40());
        const ReportPage& page = doc.pages.at(0);
        const int top = 5 * B;
        const auto at = [&](int a, int b) {
            for (const PageText* t : inColumn(page, a, b))
                if (t->rect.top == top) return t->text;
            return std::string("(none)");
        };
        EXPECT_EQ(at(35, 41), "380");
        EXPECT_EQ(at(53, 60), "12,5");
        EXPECT_EQ(at(82, 89), "500");
        if (g == G4) {
            EXPECT_EQ(at(89, 94), "12");
            EXPECT_EQ(at(94, 99), "80");
            EXPECT_EQ(at(99, 104), "87");
            EXPECT_EQ(at(104, 119), "Турб.вращ.");
        } else {
            // Generation 3 leaves pressure, temperature, power factor and cause empty ...
            for (const auto& [a, b] : {std::pair{89, 94}, {94, 99}, {99, 104}, {104, 119}})
                EXPECT_EQ(at(a, b), "(none)") << a;
        }
        // ... but ruled like every measurement row: all sixteen edges and the bottom line.
        for (int e : kJournalTableEdges) EXPECT_TRUE(hasLine(page, {e * W, top, e * W, top + B})) << e;
        EXPECT_TRUE(hasLine(page, {8 * W, top + B, 119 * W, top + B}));
        for (const auto& t : page.texts) EXPECT_EQ(t.colour, kColourBlack);
    }
}

TEST(JournalTable, EventRowsSpanTheValueColumnsInTheirColour) {
    Sample s;
    s.journal.records = {record(49, 0), record(3, 1)};
    s.rows = buildJournalRows(s.journal, G4, buildCatalogue(G4), ',');
    const ReportPage page = layoutJournalTable(input(s), metrics40()).pages.at(0);
    const PageText* start = find(page, "Пуск : автоматический");
    const PageText* stop = find(page, "Стоп : недогрузка");
    ASSERT_NE(start, nullptr);
    ASSERT_NE(stop, nullptr);
    EXPECT_EQ(start->colour, kColourGreen);
    EXPECT_EQ(stop->colour, kColourRed);
    EXPECT_EQ(start->rect, (PageRect{36 * W, 5 * B, 98 * W, 6 * B}));
    EXPECT_EQ(start->align, TextAlign::centre);
    EXPECT_FALSE(start->squeeze);
    // The rules of an event row: left edge, the edges of columns 1 to 3 and the right edge only.
    const int top = 5 * B;
    for (int e : {8, 14, 25, 35, 119}) EXPECT_TRUE(hasLine(page, {e * W, top, e * W, top + B})) << e;
    for (int e : {41, 47, 89, 104}) EXPECT_FALSE(hasLine(page, {e * W, top, e * W, top + B})) << e;
}

TEST(JournalTable, AnEventTextTooLongForItsCellUsesTheMergedCellAndIsNarrowed) {
    Sample s;
    s.journal.records = {record(3, 0)};
    s.rows = buildJournalRows(s.journal, G4, buildCatalogue(G4), ',');
    PrintMetrics m = metrics40();
    int width = 70 * W;
    m.textWidth = [&width](std::string_view, bool) { return width; };
    PageText t = layoutJournalTable(input(s), m).pages.at(0).texts.back();
    EXPECT_EQ(t.rect.left, 35 * W + W / 4);
    EXPECT_EQ(t.rect.right, 119 * W - W / 4);
    EXPECT_FALSE(t.squeeze);
    width = 90 * W;
    t = layoutJournalTable(input(s), m).pages.at(0).texts.back();
    EXPECT_TRUE(t.squeeze);
}

TEST(JournalTable, WellLines) {
    EXPECT_EQ(journalWellLine(12, 345), "куст № 12   скважина № 345");
    EXPECT_EQ(journalWellLine(0xFFFF, 345), "куст № ____    скважина № ____");
    EXPECT_EQ(journalWellLine(12, 0xFFFF), "куст № ____    скважина № ____");
    EXPECT_EQ(databaseWellLine("Самотлорское", 12, 345),
              "месторождение- Самотлорское  куст № 12   скважина № 345");
    EXPECT_EQ(databaseWellLine("Самотлорское", 12, 0xFFFF), "куст № ____    скважина № ____");
}

TEST(SettingsList, TitleOnEveryPageAndTwoColumns) {
    // b = 14; 644 div 14 − 5 = 41 rows a page: 77 settings make two pages.
    const PrintMetrics m{W, 12, 1250, 46 * B, {}};
    ASSERT_EQ(settingsRowsPerPage(m), 41);
    SettingsCatalogue c = buildCatalogue(G4);
    c.byNumber(21)->value = 380;
    const auto rows = settingsListRows(c, ',');
    ASSERT_EQ(rows.size(), 77u);
    EXPECT_EQ(rows[0].name, "21  Номинальное напряжение");
    EXPECT_EQ(rows[0].value, "380 В");
    EXPECT_EQ(rows[1].value, "");
    const ReportDocument doc = layoutSettingsList("Уставки:  /data/a.us4", rows, m);
    EXPECT_EQ(doc.fontPointSize, 10);
    ASSERT_EQ(doc.pages.size(), 2u);
    for (const auto& page : doc.pages) {
        EXPECT_TRUE(page.lines.empty());
        const PageText& title = page.texts.at(0);
        EXPECT_EQ(title.text, "Уставки:  /data/a.us4");
        // 21 characters × w = 210: (1250 − 210) div 2.
        EXPECT_EQ(title.rect.left, 520);
        EXPECT_EQ(title.rect.top, 2 * B);
    }
    const PageText& name1 = doc.pages[0].texts.at(1);
    const PageText& value1 = doc.pages[0].texts.at(2);
    EXPECT_EQ(name1.text, rows[0].name);
    EXPECT_EQ(name1.rect.left, 10 * W);
    EXPECT_EQ(name1.rect.top, 4 * B);
    EXPECT_EQ(value1.text, "380 В");
    EXPECT_EQ(value1.rect.left, 80 * W);
    EXPECT_EQ(value1.rect.top, 4 * B);
    // Row 42 is the first of page 2, at b × (42 − 41 + 3).
    EXPECT_EQ(doc.pages[1].texts.at(1).text, rows[41].name);
    EXPECT_EQ(doc.pages[1].texts.at(1).rect.top, 4 * B);
    EXPECT_EQ(doc.pages[1].texts.size(), 1u + 2u * 36u);
}

} // namespace
