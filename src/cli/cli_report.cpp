// vorsan-cli commands that print and export a journal file: "print" writes the journal table or the
// settings list as the program prints them, to PDF; "export" writes the journal as a spreadsheet
// workbook (.xlsx) or as the tab-separated export text.
#include "cli_journal.h"
#include "command.h"

#include "journal/whole_file.h"
#include "report/journal_export.h"
#include "report/page_layout.h"
#include "text/cp1251.h"

#ifdef VORSAN_CLI_PRINT
#include "print/report_painter.h"

#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#endif

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <iostream>
#include <memory>

namespace vorsan::cli {
namespace {

// Rows A to B of the journal grid (1-based, inclusive), as "--rows A-B".
struct RowRange {
    std::size_t first = 0;
    std::size_t last = 0;
};

std::optional<RowRange> parseRows(const std::string& text) {
    const auto dash = text.find('-');
    if (dash == std::string::npos) return std::nullopt;
    RowRange r;
    const char* begin = text.data();
    const char* mid = begin + dash;
    const char* end = begin + text.size();
    const auto a = std::from_chars(begin, mid, r.first);
    const auto b = std::from_chars(mid + 1, end, r.last);
    if (a.ec != std::errc() || a.ptr != mid || b.ec != std::errc() || b.ptr != end) return std::nullopt;
    if (r.first < 1 || r.first > r.last) return std::nullopt;
    return r;
}

std::string checkRows(const std::string& v) {
    return parseRows(v) ? std::string() : "--rows takes A-B with 1 <= A <= B, for example 5-7";
}

// The rows of an explicit range that the journal has; an empty optional and a message when the
// range begins after the last record.
bool rowsWithin(const std::optional<std::string>& rows, std::size_t count, RowRange& out) {
    out = {1, count};
    if (!rows) return true;
    const RowRange r = *parseRows(*rows);
    if (r.first > count) {
        fail("--rows " + *rows + ": the journal has " + std::to_string(count) + " record(s)");
        return false;
    }
    out = {r.first, std::min(r.last, count)};
    return true;
}

bool endsWith(std::string s, std::string_view suffix) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s.size() >= suffix.size() && s.compare(s.size() - suffix.size(), suffix.size(), suffix) == 0;
}

struct ReportOptions {
    std::string path;
    std::optional<int> generation;
    std::string out;
    std::optional<std::string> rows;
    bool settings = false;
    bool utf8 = false;
};

// ---- print ---------------------------------------------------------------------------------

#ifdef VORSAN_CLI_PRINT

int runPrint(const ReportOptions& o) {
    OpenedJournal j;
    if (const int status = openJournal(o.path, o.generation, j); status != 0) return status;
    if (o.settings && o.rows) return fail("--rows applies to the journal table, not to --settings", kUsage);
    if (!o.settings && j.rows.empty())
        return fail(o.path + ": the file holds no journal records (--settings prints its settings list)");
    RowRange rows;
    if (!o.settings && !rowsWithin(o.rows, j.rows.size(), rows)) return kFailure;

    // Qt's GUI module draws the pages; the offscreen platform needs no display.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "vorsan-cli";
    static char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);

    QPdfWriter pdf(QString::fromStdString(o.out));
    pdf.setCreator(QStringLiteral("vorsan-cli"));
    pdf.setResolution(1200);
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(5, 5, 5, 5),
                                  QPageLayout::Millimeter));
    bool ok = false;
    if (o.settings) {
        ok = printSettingsList(pdf, QStringLiteral("Уставки:  ") + QString::fromStdString(o.path),
                               settingsListRows(j.file.catalogue, decimalSeparator()));
    } else {
        JournalTableInput in;
        in.journal = &j.journal;
        in.rows = &j.rows;
        in.generation = j.file.generation;
        in.caption = journalCaption(o.path);
        in.wellLine = journalWellLine(j.file.padNumber, j.file.wellNumber);
        in.firstRow = rows.first;
        in.lastRow = rows.last;
        ok = printJournalTable(pdf, in);
    }
    if (!ok) return fail(o.out + ": cannot write the PDF");
    return kDone;
}

#endif

// ---- export --------------------------------------------------------------------------------

int runExport(const ReportOptions& o) {
    const bool workbook = endsWith(o.out, ".xlsx");
    if (!workbook && o.out != "-" && !endsWith(o.out, ".tsv") && !endsWith(o.out, ".txt"))
        return fail("-o names the .xlsx workbook or the .tsv text to write (- for standard output)", kUsage);
    if (workbook && o.utf8) return fail("--utf8 applies to the text export, not to a workbook", kUsage);
    OpenedJournal j;
    if (const int status = openJournal(o.path, o.generation, j); status != 0) return status;
    RowRange rows;
    if (!rowsWithin(o.rows, j.rows.size(), rows)) return kFailure;
    const ExportRange range = o.rows ? ExportRange{rows.first - 1, rows.last} : ExportRange{0, j.rows.size()};

    if (workbook) {
        const XlsxResult r = writeJournalWorkbook(o.out, j.journal, j.rows, range);
        return r.ok ? kDone : fail(o.out + ": " + r.error);
    }
    const std::string text = exportText(j.rows, range);
    std::string bytes = text;
    if (!o.utf8) {
        Cp1251Result encoded = utf8ToCp1251(text);
        if (encoded.replaced > 0)
            std::cerr << "vorsan-cli: warning: " << encoded.replaced
                      << " character(s) have no Windows-1251 form and were written as '?'\n";
        bytes = std::move(encoded.bytes);
    }
    if (o.out == "-") {
        std::cout.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        std::cout.flush();
        return std::cout ? kDone : fail("cannot write to standard output");
    }
    if (const std::string err = writeWholeFile(o.out, bytes); !err.empty()) return fail(o.out + ": " + err);
    return kDone;
}

void addCommon(CLI::App* cmd, ReportOptions& o, const std::string& outName, const std::string& outHelp) {
    cmd->add_option("FILE", o.path, "the journal file (.VR4, .pr)")->required();
    cmd->add_option("-o", o.out, outHelp)->type_name(outName)->required()->check([](const std::string& v) {
        return v.empty() ? std::string("-o needs a file name") : std::string();
    });
    cmd->add_option(kGenerationOption, o.generation, "read a file of unknown type as this controller generation")
        ->type_name("3|4")
        ->check(CLI::Range(3, 4));
}

} // namespace

void addReportCommands(CLI::App& app) {
#ifdef VORSAN_CLI_PRINT
    auto print = std::make_shared<ReportOptions>();
    CLI::App* p = command(app, "print",
                          "prints the journal table of a journal file (or, with --settings, its settings list) "
                          "to PDF, as the program prints it");
    addCommon(p, *print, "OUT.pdf", "the PDF file to write");
    p->add_flag("--settings", print->settings, "print the settings list instead of the journal table");
    p->add_option("--rows", print->rows, "print only grid rows A to B (1-based)")->type_name("A-B")->check(checkRows);
    onRun(p, [print] { return runPrint(*print); });
#endif

    auto exp = std::make_shared<ReportOptions>();
    CLI::App* e = command(app, "export",
                          "writes the journal of a journal file as a spreadsheet workbook (-o OUT.xlsx) or as "
                          "the tab-separated export text (-o OUT.tsv: CR LF, Windows-1251 unless --utf8)");
    addCommon(e, *exp, "OUT.xlsx|OUT.tsv", "the workbook or text file to write (- for the text on standard output)");
    e->add_option("--rows", exp->rows, "export only grid rows A to B (1-based)")->type_name("A-B")->check(checkRows);
    e->add_flag("--utf8", exp->utf8, "write the text export in UTF-8 instead of Windows-1251");
    onRun(e, [exp] { return runExport(*exp); });
}

} // namespace vorsan::cli
