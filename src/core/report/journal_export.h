#pragma once
// The journal handed to a spreadsheet: the tab-separated export text (what the clipboard carries)
// and an .xlsx workbook with the same columns, written straight to a file.
#include "journal/journal_record.h"
#include "journal/journal_row.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vorsan {

// Records to export as a half-open range of record indices.
struct ExportRange {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t size() const { return end > begin ? end - begin : 0; }
    bool operator==(const ExportRange&) const = default;
};

// The grid's selection (1-based rows, top ≤ bottom) exports its rows when it spans more than one
// row; a single selected row, no selection (0, 0) or a selection beyond the journal exports every
// record. Grid row n is record n − 1; a selection reaching past the last record is cut to it.
ExportRange exportRecordRange(std::size_t recordCount, std::size_t selectionTop, std::size_t selectionBottom);

// The header line's eleven fields.
inline constexpr const char* kExportHeaders[11] = {"Дата, Время", "Uab,В", "Ubc,В",  "Uca,В",  "Ia,А", "Ib,А",
                                                   "Ic,А",        "Загр., %", "R,кОм", "P,Атм.", "T,°С"};

// One record line without its line end: date, blank, time, TAB; then for an event row three TABs
// and the event text (the fifth column), for a measurement row the ten texts uab, ubc, uca, ia, ib,
// ic, zagr, sop, p, t separated by TABs.
std::string exportTextLine(const JournalRow& row);

// The whole export text (UTF-8): the header line and one line per record of `range`, every line
// ended by CR LF.
std::string exportText(const std::vector<JournalRow>& rows, ExportRange range);

// A measurement text as a number when it is one ("12,3", "1 235,0" with any group blank, "400");
// false for "---", empty text and anything else.
bool exportNumber(std::string_view text, double& value);

// File name offered for the workbook, without extension: "Куст12_Ск345_2024-03-05" from the pad,
// the well and the date of the last exported record; "Журнал" in place of pad and well when either
// is 0xFFFF, no date when nothing is exported or the date is impossible.
std::string workbookName(std::uint16_t padNumber, std::uint16_t wellNumber, const Journal& journal,
                         ExportRange range);

struct XlsxResult {
    bool ok = false;
    std::string error; // for the user, when not ok
};

// Writes the workbook: sheet "Журнал", row 1 the header in bold italic, one row per record of
// `range`; column A the record's date and time as a date-time value (number format
// "dd/mm/yy hh:mm:ss"; an impossible date is written as its text), the measurement cells as
// numbers where their text is a number and as text otherwise, empty where the text is empty, an
// event row's text in column E. Columns A…K centred, A 19 wide, B…K 7 wide, panes frozen below
// row 1 and right of column K, A1 selected. Rows stream to disk (constant memory), so the size of
// a database well does not matter. An existing file is replaced.
XlsxResult writeJournalWorkbook(const std::string& path, const Journal& journal,
                                const std::vector<JournalRow>& rows, ExportRange range);

} // namespace vorsan
