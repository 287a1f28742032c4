#include "report/journal_export.h"

#include "common/types.h"
#include "report/workbook_deflate.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <system_error>

#if __has_include(<xlsxwriter.h>)
#include <xlsxwriter.h>

#include <clocale>
#include <locale.h>
#define VORSAN_HAVE_XLSXWRITER 1
#endif

namespace vorsan {
namespace {

// The ten measurement texts of a record line, in the order of the header's columns B…K.
std::array<const std::string*, 10> measurementTexts(const JournalRow& row) {
    return {&row.uabText, &row.ubcText, &row.ucaText, &row.iaText,  &row.ibText,
            &row.icText,  &row.zagrText, &row.sopText, &row.pText, &row.tText};
}

// Event rows put their text in column E: three tabs after the date-time field.
constexpr std::size_t kEventColumn = 4;

bool validDateTime(const JournalRecord& r) {
    static constexpr int days[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (r.month < 1 || r.month > 12 || r.day < 1 || r.day > days[r.month - 1]) return false;
    const bool leap = (r.year % 4 == 0 && r.year % 100 != 0) || r.year % 400 == 0;
    if (r.month == 2 && r.day == 29 && !leap) return false;
    // The spreadsheet's date serials start in 1900.
    return r.year >= 1900 && r.year <= 9999 && r.hour < 24 && r.minute < 60 && r.second < 60;
}

} // namespace

ExportRange exportRecordRange(std::size_t recordCount, std::size_t selectionTop, std::size_t selectionBottom) {
    if (selectionTop >= 1 && selectionTop < selectionBottom && selectionTop <= recordCount)
        return {selectionTop - 1, std::min(selectionBottom, recordCount)};
    return {0, recordCount};
}

std::string exportTextLine(const JournalRow& row) {
    std::string line = row.dateText + ' ' + row.timeText + '\t';
    if (row.isEventRow()) return line + "\t\t\t" + row.eventText;
    const auto texts = measurementTexts(row);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        if (i > 0) line += '\t';
        line += *texts[i];
    }
    return line;
}

std::string exportText(const std::vector<JournalRow>& rows, ExportRange range) {
    std::string text;
    for (std::size_t c = 0; c < std::size(kExportHeaders); ++c) {
        if (c > 0) text += '\t';
        text += kExportHeaders[c];
    }
    text += "\r\n";
    const std::size_t end = std::min(range.end, rows.size());
    text.reserve(text.size() + range.size() * 64);
    for (std::size_t i = range.begin; i < end; ++i) {
        text += exportTextLine(rows[i]);
        text += "\r\n";
    }
    return text;
}

std::string workbookName(std::uint16_t padNumber, std::uint16_t wellNumber, const Journal& journal,
                         ExportRange range) {
    std::string name = padNumber == kUnknown16 || wellNumber == kUnknown16
                           ? std::string("Журнал")
                           : "Куст" + std::to_string(padNumber) + "_Ск" + std::to_string(wellNumber);
    const std::size_t end = std::min(range.end, journal.records.size());
    if (range.begin >= end) return name;
    const JournalRecord& last = journal.records[end - 1];
    if (!validDateTime(last)) return name;
    char date[16];
    std::snprintf(date, sizeof date, "_%04u-%02u-%02u", static_cast<unsigned>(last.year),
                  static_cast<unsigned>(last.month), static_cast<unsigned>(last.day));
    return name + date;
}

bool exportNumber(std::string_view text, double& value) {
    // Called for every measurement cell of a workbook, so it is one pass without the heap: the
    // text without its digit-group blanks (blank, no-break space, narrow no-break space) and with
    // a point for the comma goes into `plain`, the digits also into `digits`.
    char plain[32];
    std::size_t n = 0;
    std::uint64_t digits = 0;
    int digitCount = 0;
    int fractionPlaces = 0;
    bool negative = false;
    enum { Sign, Whole, Point, Fraction } at = Sign;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == ' ') continue;
        if (text.substr(i, 2) == "\u00A0") { ++i; continue; }
        if (text.substr(i, 3) == "\u202F") { i += 2; continue; }
        if (c >= '0' && c <= '9') {
            if (at == Sign) at = Whole;
            if (at == Point) at = Fraction;
            if (at == Fraction) ++fractionPlaces;
            if (digitCount < 19) digits = digits * 10 + static_cast<unsigned>(c - '0');
            ++digitCount;
        } else if (c == '-' && at == Sign && !negative) {
            negative = true;
        } else if ((c == ',' || c == '.') && at == Whole) {
            at = Point;
            c = '.';
        } else {
            return false;
        }
        if (n == sizeof plain) return false; // longer than any measurement text
        plain[n++] = c;
    }
    if (at != Whole && at != Fraction) return false;
    // Up to 15 digits are exact in a double, and so is 10^k for k up to 15: their quotient, one
    // correctly rounded division, is the value the text denotes.
    static constexpr double kTen[] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                      1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    if (digitCount <= 15) {
        const double v = static_cast<double>(digits) / kTen[fractionPlaces];
        value = negative ? -v : v;
        return true;
    }
    // strtod would follow LC_NUMERIC; from_chars does not.
    double v = 0;
    const auto [end, ec] = std::from_chars(plain, plain + n, v);
    if (ec != std::errc() || end != plain + n) return false;
    value = v;
    return true;
}

#ifdef VORSAN_HAVE_XLSXWRITER

namespace {

class Workbook {
public:
    explicit Workbook(const std::string& path) {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        book_ = workbook_new_opt(path.c_str(), &options);
    }
    ~Workbook() {
        if (book_ != nullptr) workbook_close(book_);
    }
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    lxw_workbook* get() const { return book_; }
    // Closing writes the file; the result says whether it could.
    lxw_error close() {
        lxw_workbook* b = book_;
        book_ = nullptr;
        return workbook_close(b);
    }

private:
    lxw_workbook* book_ = nullptr;
};

std::string errorText(lxw_error e) { return lxw_strerror(e); }

// The library prints numbers (cell values, date serials, column widths) with printf, which follows
// LC_NUMERIC: under a Russian locale the file would hold "12,5" and be unreadable. The C numeric
// rules are put in force for this thread only while the workbook is written.
class CNumericLocale {
public:
    CNumericLocale() {
        if (const locale_t current = uselocale(static_cast<locale_t>(0)); current != static_cast<locale_t>(0)) {
            if (const locale_t copy = duplocale(current); copy != static_cast<locale_t>(0)) {
                c_ = newlocale(LC_NUMERIC_MASK, "C", copy);
                if (c_ == static_cast<locale_t>(0)) freelocale(copy);
            }
        }
        if (c_ != static_cast<locale_t>(0)) previous_ = uselocale(c_);
    }
    ~CNumericLocale() {
        if (c_ == static_cast<locale_t>(0)) return;
        uselocale(previous_);
        freelocale(c_);
    }
    CNumericLocale(const CNumericLocale&) = delete;
    CNumericLocale& operator=(const CNumericLocale&) = delete;

private:
    locale_t c_ = static_cast<locale_t>(0);
    locale_t previous_ = static_cast<locale_t>(0);
};

// The first error of a sequence of calls (the later calls are still made).
struct FirstError {
    lxw_error err = LXW_NO_ERROR;
    void operator()(lxw_error e) {
        if (err == LXW_NO_ERROR) err = e;
    }
};

struct SheetFormats {
    lxw_format* header = nullptr;
    lxw_format* centre = nullptr;
    lxw_format* dateTime = nullptr;
};

SheetFormats addFormats(lxw_workbook* book) {
    SheetFormats f;
    f.header = workbook_add_format(book);
    format_set_bold(f.header);
    format_set_italic(f.header);
    format_set_align(f.header, LXW_ALIGN_CENTER);
    f.centre = workbook_add_format(book);
    format_set_align(f.centre, LXW_ALIGN_CENTER);
    f.dateTime = workbook_add_format(book);
    format_set_align(f.dateTime, LXW_ALIGN_CENTER);
    format_set_num_format(f.dateTime, "dd/mm/yy hh:mm:ss");
    return f;
}

// The columns, the frozen header row and the header's texts.
void writeSheetHead(lxw_worksheet* sheet, const SheetFormats& f, FirstError& check) {
    check(worksheet_set_column(sheet, 0, 0, 19, f.dateTime));
    check(worksheet_set_column(sheet, 1, 10, 7, f.centre));
    worksheet_freeze_panes(sheet, 1, 11);
    worksheet_set_selection(sheet, 0, 0, 0, 0);
    check(worksheet_set_row(sheet, 0, LXW_DEF_ROW_HEIGHT, f.header));
    for (lxw_col_t c = 0; c < std::size(kExportHeaders); ++c)
        check(worksheet_write_string(sheet, 0, c, kExportHeaders[c], f.header));
}

// The rows of the range from sheet row 1 on, until the first error.
void writeSheetRows(lxw_worksheet* sheet, const SheetFormats& f, const Journal& journal,
                    const std::vector<JournalRow>& rows, ExportRange range, FirstError& check) {
    const std::size_t end = std::min({range.end, rows.size(), journal.records.size()});
    lxw_row_t r = 1;
    for (std::size_t i = range.begin; i < end && check.err == LXW_NO_ERROR; ++i, ++r) {
        const JournalRow& row = rows[i];
        const JournalRecord& rec = journal.records[i];
        if (validDateTime(rec)) {
            lxw_datetime when{rec.year, rec.month, rec.day, rec.hour, rec.minute, static_cast<double>(rec.second)};
            check(worksheet_write_datetime(sheet, r, 0, &when, f.dateTime));
        } else {
            check(worksheet_write_string(sheet, r, 0, (row.dateText + ' ' + row.timeText).c_str(), f.centre));
        }
        if (row.isEventRow()) {
            check(worksheet_write_string(sheet, r, kEventColumn, row.eventText.c_str(), f.centre));
            continue;
        }
        const auto texts = measurementTexts(row);
        for (std::size_t c = 0; c < texts.size(); ++c) {
            const std::string& s = *texts[c];
            if (s.empty()) continue;
            double v = 0;
            const auto col = static_cast<lxw_col_t>(c + 1);
            if (exportNumber(s, v))
                check(worksheet_write_number(sheet, r, col, v, f.centre));
            else
                check(worksheet_write_string(sheet, r, col, s.c_str(), f.centre));
        }
    }
}

} // namespace

XlsxResult writeJournalWorkbook(const std::string& path, const Journal& journal,
                                const std::vector<JournalRow>& rows, ExportRange range) {
    XlsxResult result;
    const CNumericLocale numbers;   // outlives the workbook, whose closing writes numbers too
    const FastWorkbookDeflate fast; // the package is deflated when the workbook closes
    // Written beside the target and renamed at the end, so a failed export leaves an existing
    // file as it was.
    const std::string partial = path + ".part";
    Workbook book(partial);
    if (book.get() == nullptr) {
        result.error = "не удалось создать книгу";
        return result;
    }
    lxw_worksheet* sheet = workbook_add_worksheet(book.get(), "Журнал");
    const SheetFormats formats = addFormats(book.get());
    FirstError check;
    writeSheetHead(sheet, formats, check);
    writeSheetRows(sheet, formats, journal, rows, range, check);
    if (check.err != LXW_NO_ERROR) {
        book.close();
        std::error_code ec;
        std::filesystem::remove(partial, ec);
        result.error = errorText(check.err);
        return result;
    }
    if (const lxw_error closed = book.close(); closed != LXW_NO_ERROR) {
        std::error_code ec;
        std::filesystem::remove(partial, ec);
        result.error = errorText(closed);
        return result;
    }
    std::error_code ec;
    std::filesystem::rename(partial, path, ec);
    if (ec) {
        std::filesystem::remove(partial, ec);
        result.error = ec.message();
        return result;
    }
    result.ok = true;
    return result;
}

#else

XlsxResult writeJournalWorkbook(const std::string&, const Journal&, const std::vector<JournalRow>&, ExportRange) {
    return {false, "программа собрана без записи книг .xlsx (libxlsxwriter)"};
}

#endif

} // namespace vorsan
