#include "cli_journal.h"

#include "journal/journal_decode.h"
#include "journal/journal_rows.h"
#include "journal/journal_text_export.h"

namespace vorsan::cli {

int openJournal(const std::string& path, std::optional<int> gen, OpenedJournal& out) {
    const ControllerGeneration fallback = gen == 3 ? ControllerGeneration::Gen3 : ControllerGeneration::Gen4;
    const bool readForeign = gen.has_value();
    const JournalFileLoad load =
        loadJournalFile(std::filesystem::path(path), fallback, [&] { return readForeign; });
    switch (load.status) {
    case FileStatus::ok:
        break;
    case FileStatus::unreadable:
        return fail(path + ": " + load.error);
    case FileStatus::damaged:
        return fail(path + ": " + kDamagedFileMessage);
    case FileStatus::refused:
        return fail(path + ": " + kUnknownMagicQuestion + " (unknown file type; " + kGenerationOption +
                    " 3 or 4 reads it anyway)");
    }
    out.file = load.file;
    out.journal = decodeJournal(out.file.image, out.file.generation).journal;
    out.rows = buildJournalRows(out.journal, out.file.generation, out.file.catalogue, decimalSeparator());
    return 0;
}

std::string journalCaption(const std::string& path) {
    return std::string(kCaptionPrefix) + path;
}

} // namespace vorsan::cli
