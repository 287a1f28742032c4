// vorsan-cli commands over journal and settings files: "show" prints what a file holds, in UTF-8;
// "text" writes its journal as the program's text export does.
#include "cli_journal.h"
#include "command.h"

#include "journal/current_state.h"
#include "journal/journal_text_export.h"
#include "common/whole_file.h"
#include "settings/catalogue.h"
#include "settings/value_text.h"

#include <iostream>
#include <memory>

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

struct FileOptions {
    std::string path;
    std::optional<int> generation;
    std::string out;
};

int runShow(const FileOptions& o) {
    const std::string& path = o.path;
    OpenedJournal j;
    if (const int status = openJournal(path, o.generation, j); status != 0) return status;
    const char sep = decimalSeparator();
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

int runText(const FileOptions& o) {
    const std::string& path = o.path;
    OpenedJournal j;
    if (const int status = openJournal(path, o.generation, j); status != 0) return status;
    const JournalTextFile text =
        journalTextFile(j.journal, j.rows, journalCaption(path), j.file.padNumber, j.file.wellNumber);
    if (text.replaced > 0)
        std::cerr << "vorsan-cli: warning: " << text.replaced
                  << " character(s) have no Windows-1251 form and were written as '?'\n";
    if (o.out == "-") {
        std::cout.write(text.bytes.data(), static_cast<std::streamsize>(text.bytes.size()));
        std::cout.flush();
        return std::cout ? 0 : fail("cannot write to standard output");
    }
    if (const std::string err = writeWholeFile(o.out, text.bytes); !err.empty())
        return fail(o.out + ": " + err);
    return 0;
}

// The option that answers the program's question for a file of unknown type.
void addGenerationOption(CLI::App* cmd, FileOptions& o) {
    cmd->add_option(kGenerationOption, o.generation, "read a file of unknown type as this controller generation")
        ->type_name("3|4")
        ->check(CLI::Range(3, 4));
}

} // namespace

void addFileCommands(CLI::App& app) {
    auto show = std::make_shared<FileOptions>();
    CLI::App* s = command(app, "show",
                          "prints what a journal (.VR4, .pr) or settings (.us4, .ust) file holds: generation, "
                          "pad, well, settings, current state and journal");
    s->add_option("FILE", show->path, "the journal or settings file")->required();
    addGenerationOption(s, *show);
    onRun(s, [show] { return runShow(*show); });

    auto text = std::make_shared<FileOptions>();
    CLI::App* t = command(app, "text",
                          "writes the journal of a file as a Windows-1251 text table (CR LF), as the program "
                          "saves it");
    t->add_option("FILE", text->path, "the journal file (.VR4, .pr)")->required();
    t->add_option("-o", text->out, "the text file to write (- for standard output)")
        ->type_name("OUT.txt")
        ->required()
        ->check([](const std::string& v) { return v.empty() ? std::string("-o needs a file name") : std::string(); });
    addGenerationOption(t, *text);
    onRun(t, [text] { return runText(*text); });
}

} // namespace vorsan::cli
