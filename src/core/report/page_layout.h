#pragma once
// Printed reports as data: pages of positioned texts and lines in printer units, computed from the
// metrics of the printer's font and the page size. A renderer (QPainter on a printer or PDF) only
// draws what is here, so the layout is tested without a printer.
#include "common/types.h"
#include "journal/journal_record.h"
#include "journal/journal_row.h"
#include "settings/setting_def.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace vorsan {

struct PageRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int width() const { return right - left; }
    int height() const { return bottom - top; }
    bool operator==(const PageRect&) const = default;
};

enum class TextAlign {
    centre, // centred horizontally and vertically in the rectangle
    topLeft // drawn from the rectangle's top-left corner, as a text written at a point
};

struct PageText {
    PageRect rect;
    std::string text; // UTF-8
    TextAlign align = TextAlign::centre;
    bool bold = false;
    std::uint32_t colour = kColourBlack; // blue-green-red, as every colour of the program
    // The text is wider than its rectangle: the renderer narrows it to the rectangle's width (less
    // w div 8 on each side for a centred text) instead of letting it run over the neighbouring cells.
    bool squeeze = false;
    bool operator==(const PageText&) const = default;
};

struct PageLine {
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    std::uint32_t colour = kColourBlack; // blue-green-red
    int weight = 1;                      // in widths of a rule (the curves of a drawing are thicker)
    bool operator==(const PageLine&) const = default;
};

// A filled rectangle (a bar of a drawing, a colour key), with a black rule round it or without.
struct PageBox {
    PageRect rect;
    std::uint32_t fill = kColourBlack; // blue-green-red
    bool border = true;
    bool operator==(const PageBox&) const = default;
};

struct ReportPage {
    std::vector<PageText> texts;
    std::vector<PageLine> lines;
    std::vector<PageBox> boxes; // drawn first, under the lines and texts
};

struct ReportDocument {
    int fontPointSize = 8;
    bool landscape = false; // the text reports are portrait
    std::vector<ReportPage> pages;
};

// What the renderer measured on the printer with the report's font size.
struct PrintMetrics {
    int zeroWidth = 0;  // text width of "0" (w)
    int zeroHeight = 0; // text height of "0"
    int pageWidth = 0;  // printable page, printer units
    int pageHeight = 0;
    // Width of a text in printer units (bold or not); when empty, every character counts as w.
    std::function<int(std::string_view text, bool bold)> textWidth;
};

// Line step b = text height × 6 div 5.
int lineStep(const PrintMetrics& metrics);

// Rows per journal page L = page height div b − 6 (at least 1, so a tiny page still advances).
int journalRowsPerPage(const PrintMetrics& metrics);

// Rows per settings page L = page height div b − 5 (at least 1); the stop list uses the same.
int settingsRowsPerPage(const PrintMetrics& metrics);

// Second title line of the window's journal: "куст № 12   скважина № 345", or
// "куст № ____    скважина № ____" when either number is 0xFFFF.
std::string journalWellLine(std::uint16_t padNumber, std::uint16_t wellNumber);

// Second title line of a database well's journal: "месторождение- " + oilfield + "  куст № " + pad
// + "   скважина № " + well, or the same fixed text as above when pad or well is 0xFFFF.
std::string databaseWellLine(std::string_view oilfield, std::uint16_t padNumber, std::uint16_t wellNumber);

// Font sizes of the two text reports.
inline constexpr int kJournalTableFontSize = 8;
inline constexpr int kSettingsListFontSize = 10;
inline constexpr int kStopListFontSize = 10;

// Column edges of the journal table in multiples of w: column c (0-based) spans
// kJournalTableEdges[c] … kJournalTableEdges[c + 1].
inline constexpr int kJournalTableColumns = 15;
inline constexpr int kJournalTableEdges[kJournalTableColumns + 1] = {8,  14, 25, 35, 41, 47, 53, 60,
                                                                    67, 74, 82, 89, 94, 99, 104, 119};
// Right edge of the table, in widths of "0".
inline constexpr int kJournalTableWidthInZeros = kJournalTableEdges[kJournalTableColumns];
inline constexpr const char* kJournalTableHeaders[kJournalTableColumns] = {
    "",     "Дата",     "Время", "Uab,В",  "Ubc,В", "Uca,В", "Ia,А",     "Ib,А",
    "Ic,А", "Загр., %", "R,кОм", "P,Атм.", "T,°С",  "cos",   "экст.зап."};

struct JournalTableInput {
    const Journal* journal = nullptr;           // records, for the event class of each row
    const std::vector<JournalRow>* rows = nullptr; // one per record
    ControllerGeneration generation = ControllerGeneration::Gen4;
    std::string caption;  // title line 1: the main window's caption
    std::string wellLine; // title line 2 (journalWellLine or databaseWellLine)
    // Grid rows to print, 1-based and inclusive; row n is record n − 1 and prints the number n.
    // A range beyond the journal is cut to it; an empty range prints no page.
    std::size_t firstRow = 1;
    std::size_t lastRow = 0;
};

// The ruled journal table: per page the caption, the pad and well line, the bold header with its
// rules, the rows with their rules and the page number.
ReportDocument layoutJournalTable(const JournalTableInput& input, const PrintMetrics& metrics);

// One line of the settings list: the grid's name column and value column.
struct SettingsListRow {
    std::string name;  // "21  Номинальное напряжение"
    std::string value; // "380 В"
};

// The rows of a catalogue as the settings grid shows them: settingRowName and valueText. A choice
// value beyond its list has no text (the grid shows such a cell empty after a fresh fill).
std::vector<SettingsListRow> settingsListRows(const SettingsCatalogue& catalogue, char separator);

// The settings list: the title centred at 2b on every page, then per setting the name at 10w and
// the value at 80w; no lines and no page numbers.
ReportDocument layoutSettingsList(std::string_view title, const std::vector<SettingsListRow>& rows,
                                  const PrintMetrics& metrics);

// The stop causes of a printed graph that do not fit its title, on portrait pages of their own:
// `heading` at (10w, 2b) on the first page, line i (from 1) at (10w, (i − (page − 1) × L + 3) × b),
// a new page when i > page × L, with L as for the settings list.
ReportDocument layoutStopList(std::string_view heading, const std::vector<std::string>& lines,
                              const PrintMetrics& metrics);

} // namespace vorsan
