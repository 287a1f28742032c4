// vorsan-cli show: what a journal or settings file holds, in UTF-8.
#include "cli_journal.h"
#include "command.h"

#include "journal/current_state.h"
#include "journal/journal_text_export.h"
#include "settings/catalogue.h"
#include "settings/value_text.h"

#include <iostream>

namespace vorsan::cli {
namespace {

std::string numberOrUnknown(std::uint16_t v) {
    return v == kUnknown16 ? "unknown" : std::to_string(v);
}

void printSettings(std::ostream& out, const SettingsCatalogue& cat, char sep) {
    out << "Settings (" << cat.size() << "):\n";
    for (std::size_t i = 0; i < cat.size(); ++i) {
        const SettingDef& d = cat.entries[i];
        const auto text = valueText(d, sep);
        out << "  " << settingNumberText(i) << "  " << d.longName << ": ";
        if (text)
            out << *text;
        else
            out << d.value << " (" << kChoiceOutOfRangeMessage << ")";
        out << '\n';
    }
}

void printState(std::ostream& out, const CurrentState& state, char sep) {
    const auto column = currentStateColumn(state, sep);
    for (std::size_t row = 1; row < kCurrentStateRows; ++row) {
        const std::string label = currentStateLabel(row);
        if (label.empty()) continue;
        out << "  " << label << ": " << column[row] << '\n';
    }
}

int runShow(const Args& args) {
    if (const auto bad = args.unknown({}); !bad.empty()) return fail("unknown option " + bad.front(), 2);
    if (args.positional().size() != 1) return fail("show needs one file (see vorsan-cli show --help)", 2);
    const std::string& path = args.positional().front();
    OpenedJournal j;
    if (const int status = openJournal(args, path, j); status != 0) return status;
    const char sep = decimalSeparator(args);
    const JournalFile& f = j.file;
    const bool g4 = f.generation == ControllerGeneration::Gen4;
    // A file without a journal block is a settings file; generation 3 settings files give no state.
    const bool settingsFile = f.journalBlockLength == 0;
    std::ostream& out = std::cout;
    out << "File: " << path << '\n'
        << "Kind: " << (settingsFile ? "settings file" : "journal file") << '\n'
        << "Generation: " << (g4 ? 4 : 3) << '\n'
        << "Pad: " << numberOrUnknown(f.padNumber) << '\n'
        << "Well: " << numberOrUnknown(f.wellNumber) << "\n\n";
    printSettings(out, f.catalogue, sep);
    out << "\nCurrent state:";
    if (settingsFile && !g4)
        out << " not taken from a generation 3 settings file\n";
    else if (!f.stateStored)
        out << " not stored in the file\n";
    else
        out << '\n', printState(out, f.state, sep);
    if (!settingsFile) {
        out << "\nJournal (" << j.journal.count() << " records):\n";
        for (const auto& line :
             journalTextLines(j.journal, j.rows, journalCaption(path), f.padNumber, f.wellNumber))
            out << line << '\n';
    }
    out.flush();
    return out ? 0 : fail("cannot write to standard output");
}

} // namespace
} // namespace vorsan::cli

VORSAN_CLI_COMMAND({"show",
                    "FILE [--generation 3|4]",
                    "prints what a journal (.VR4, .pr) or settings (.us4, .ust) file holds: generation, pad, "
                    "well, settings, current state and journal",
                    {"--generation"},
                    vorsan::cli::runShow});
