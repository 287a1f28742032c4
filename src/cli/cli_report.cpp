// vorsan-cli commands that print and export a journal file: "print" writes the journal table or the
// settings list as the program prints them, to PDF; "export" writes the journal as a spreadsheet
// workbook (.xlsx) or as the tab-separated export text.
#include "cli_journal.h"
#include "command.h"

#include "common/whole_file.h"
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
#include <cstdlib>
#include <iostream>
#include <memory>

namespace vorsan::cli {
namespace {

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

    return writePdf(o.out, [&](QPagedPaintDevice& pdf) {
        if (o.settings)
            return printSettingsList(pdf, QStringLiteral("Уставки:  ") + QString::fromStdString(o.path),
                                     settingsListRows(j.file.catalogue, decimalSeparator()));
        JournalTableInput in;
        in.journal = &j.journal;
        in.rows = &j.rows;
        in.generation = j.file.generation;
        in.caption = journalCaption(o.path);
        in.wellLine = journalWellLine(j.file.padNumber, j.file.wellNumber);
        in.firstRow = rows.first;
        in.lastRow = rows.last;
        return printJournalTable(pdf, in);
    });
}

#endif

// ---- export --------------------------------------------------------------------------------

bool isWorkbookName(const std::string& out) { return endsWith(out, ".xlsx"); }

// -o names a workbook, a text file or standard output; --utf8 only for the text.
int checkExportTarget(const std::string& out, bool utf8) {
    const bool workbook = isWorkbookName(out);
    if (!workbook && out != "-" && !endsWith(out, ".tsv") && !endsWith(out, ".txt"))
        return fail("-o names the .xlsx workbook or the .tsv text to write (- for standard output)", kUsage);
    if (workbook && utf8) return fail("--utf8 applies to the text export, not to a workbook", kUsage);
    return kDone;
}

int runExport(const ReportOptions& o) {
    if (const int st = checkExportTarget(o.out, o.utf8); st != kDone) return st;
    OpenedJournal j;
    if (const int status = openJournal(o.path, o.generation, j); status != 0) return status;
    RowRange rows;
    if (!rowsWithin(o.rows, j.rows.size(), rows)) return kFailure;
    const ExportRange range = o.rows ? ExportRange{rows.first - 1, rows.last} : ExportRange{0, j.rows.size()};
    return writeJournalExport(o.out, o.utf8, j.journal, j.rows, range);
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

#ifdef VORSAN_CLI_PRINT

int writePdf(const std::string& out, const std::function<bool(QPagedPaintDevice&)>& draw) {
    // Qt's GUI module draws the pages; the offscreen platform needs no display.
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static int argc = 1;
    static char name[] = "vorsan-cli";
    static char* argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);

    QPdfWriter pdf(QString::fromStdString(out));
    pdf.setCreator(QStringLiteral("vorsan-cli"));
    pdf.setResolution(1200);
    pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(5, 5, 5, 5),
                                  QPageLayout::Millimeter));
    if (!draw(pdf)) return fail(out + ": cannot write the PDF");
    return kDone;
}

#endif

int writeJournalExport(const std::string& out, bool utf8, const Journal& journal,
                       const std::vector<JournalRow>& rows, ExportRange range) {
    if (const int st = checkExportTarget(out, utf8); st != kDone) return st;
    if (isWorkbookName(out)) {
        const XlsxResult r = writeJournalWorkbook(out, journal, rows, range);
        return r.ok ? kDone : fail(out + ": " + r.error);
    }
    const std::string text = exportText(rows, range);
    std::string bytes = text;
    if (!utf8) {
        Cp1251Result encoded = utf8ToCp1251(text);
        if (encoded.replaced > 0)
            std::cerr << "vorsan-cli: warning: " << encoded.replaced
                      << " character(s) have no Windows-1251 form and were written as '?'\n";
        bytes = std::move(encoded.bytes);
    }
    if (out == "-") {
        std::cout.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        std::cout.flush();
        return std::cout ? kDone : fail("cannot write to standard output");
    }
    if (const std::string err = writeWholeFile(out, bytes); !err.empty()) return fail(out + ": " + err);
    return kDone;
}

void addReportCommands(CLI::App& app) {
#ifdef VORSAN_CLI_PRINT
    auto print = std::make_shared<ReportOptions>();
    CLI::App* p = command(app, "print",
                          "prints the journal table of a journal file (or, with --settings, its settings list) "
                          "to PDF, as the program prints it");
    addCommon(p, *print, "OUT.pdf", "the PDF file to write");
    p->add_flag("--settings", print->settings, "print the settings list instead of the journal table");
    addRowsOption(p, print->rows, "print only");
    onRun(p, [print] { return runPrint(*print); });
#endif

    auto exp = std::make_shared<ReportOptions>();
    CLI::App* e = command(app, "export",
                          "writes the journal of a journal file as a spreadsheet workbook (-o OUT.xlsx) or as "
                          "the tab-separated export text (-o OUT.tsv: CR LF, Windows-1251 unless --utf8)");
    addCommon(e, *exp, "OUT.xlsx|OUT.tsv", "the workbook or text file to write (- for the text on standard output)");
    addRowsOption(e, exp->rows, "export only");
    e->add_flag("--utf8", exp->utf8, "write the text export in UTF-8 instead of Windows-1251");
    onRun(e, [exp] { return runExport(*exp); });
}

} // namespace vorsan::cli
