#include "cli_journal.h"

#include "journal/journal_decode.h"
#include "journal/journal_rows.h"
#include "journal/journal_text_export.h"

#include <algorithm>
#include <charconv>

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

namespace {

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

} // namespace

void addRowsOption(CLI::App* cmd, std::optional<std::string>& rows, const std::string& what) {
    cmd->add_option("--rows", rows, what + " grid rows A to B (1-based, both included: 5-5 is row 5 alone)")
        ->type_name("A-B")
        ->check([](const std::string& v) {
            return parseRows(v) ? std::string() : "--rows takes A-B with 1 <= A <= B, for example 5-7";
        });
}

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

std::string journalCaption(const std::string& path) {
    return std::string(kCaptionPrefix) + path;
}

} // namespace vorsan::cli
