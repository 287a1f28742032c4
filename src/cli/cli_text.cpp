// vorsan-cli text: the journal of a file as the text export writes it.
#include "cli_journal.h"
#include "command.h"

#include "journal/journal_text_export.h"
#include "journal/whole_file.h"

#include <iostream>

namespace vorsan::cli {
namespace {

int runText(const Args& args) {
    if (const auto bad = args.unknown({}); !bad.empty()) return fail("unknown option " + bad.front(), 2);
    if (args.positional().size() != 1)
        return fail("text needs one journal file (see vorsan-cli text --help)", 2);
    const auto out = args.value("-o");
    if (!out || out->empty()) return fail("text needs -o OUT.txt (or -o - for standard output)", 2);
    const std::string& path = args.positional().front();
    OpenedJournal j;
    if (const int status = openJournal(args, path, j); status != 0) return status;
    const JournalTextFile text =
        journalTextFile(j.journal, j.rows, journalCaption(path), j.file.padNumber, j.file.wellNumber);
    if (text.replaced > 0)
        std::cerr << "vorsan-cli: warning: " << text.replaced
                  << " character(s) have no Windows-1251 form and were written as '?'\n";
    if (*out == "-") {
        std::cout.write(text.bytes.data(), static_cast<std::streamsize>(text.bytes.size()));
        std::cout.flush();
        return std::cout ? 0 : fail("cannot write to standard output");
    }
    if (const std::string err = writeWholeFile(*out, text.bytes); !err.empty())
        return fail(*out + ": " + err);
    return 0;
}

} // namespace
} // namespace vorsan::cli

VORSAN_CLI_COMMAND(
    {"text",
     "FILE.VR4|FILE.pr -o OUT.txt [--generation 3|4]",
     "writes the journal of a file as a Windows-1251 text table (CR LF), as the program saves it",
     {"-o", "--generation"},
     vorsan::cli::runText});
