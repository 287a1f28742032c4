#pragma once
// Opening a journal or settings file for the commands that show or export it.
#include "command.h"

#include "journal/journal_file.h"
#include "journal/journal_record.h"
#include "journal/journal_row.h"
#include "report/journal_export.h"

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class QPagedPaintDevice;

namespace vorsan::cli {

// The option that answers the program's question "Файл неправильный, продолжить?" for a file of
// unknown magic: read it anyway as generation 3 or 4. Without it such a file is refused.
inline constexpr const char* kGenerationOption = "--generation";

struct OpenedJournal {
    JournalFile file;
    Journal journal;
    std::vector<JournalRow> rows;
};

// Reads the file named by `path` (a file of unknown type as `generation` when given), decodes its
// journal and builds the rows with the decimal separator of the command line. On failure prints
// the reason on stderr and returns the exit status; 0 on success.
int openJournal(const std::string& path, std::optional<int> generation, OpenedJournal& out);

// The window caption after opening the file: "ВОРСАН 4.074 : " and the path as given.
std::string journalCaption(const std::string& path);

// Writes rows `range` of a journal as a workbook (OUT.xlsx) or as the export text (OUT.tsv, OUT.txt,
// or "-" for standard output; Windows-1251 unless `utf8`). Returns the exit status.
int writeJournalExport(const std::string& out, bool utf8, const Journal& journal,
                       const std::vector<JournalRow>& rows, ExportRange range);

// Rows A to B of the journal grid (1-based, both included), as "--rows A-B". Every command that
// takes the option means the same rows by it: "5-5" is the one row 5. (The window's grid differs
// here: a single selected row there means the whole journal.)
struct RowRange {
    std::size_t first = 0;
    std::size_t last = 0;
};

// Declares --rows on `cmd`; `what` begins its help, e.g. "print only".
void addRowsOption(CLI::App* cmd, std::optional<std::string>& rows, const std::string& what);

// The rows the command works on: those of the range that the journal has, or all `count` rows
// without --rows. False (with the reason on stderr) when the range begins after the last record.
bool rowsWithin(const std::optional<std::string>& rows, std::size_t count, RowRange& out);

#ifdef VORSAN_CLI_PRINT
// Writes the PDF file `out` (A4 portrait, 5 mm margins, 1200 dots per inch) with `draw`, which
// returns false when it cannot paint. Qt's GUI module draws on the offscreen platform, so no
// display is needed. Returns the exit status.
int writePdf(const std::string& out, const std::function<bool(QPagedPaintDevice&)>& draw);
#endif

} // namespace vorsan::cli
