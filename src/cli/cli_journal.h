#pragma once
// Opening a journal or settings file for the commands that show or export it.
#include "command.h"

#include "journal/journal_file.h"
#include "journal/journal_record.h"
#include "journal/journal_row.h"
#include "report/journal_export.h"

#include <optional>
#include <string>
#include <vector>

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

} // namespace vorsan::cli
