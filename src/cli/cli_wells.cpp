// The well database's commands: adding journals, listing and finding wells, showing a well, its
// text export, deleting a well, well files and archives. They call the same WellDatabase
// operations as the window's database tab.
#include "command.h"

#include "cli_database.h"

#include "cli_journal.h"
#include "db/file_io.h"
#include "journal/journal_decode.h"
#include "journal/journal_rows.h"
#include "settings/catalogue.h"
#include "settings/value_text.h"
#include "wells/well_database_state.h"

#include <algorithm>

#include <charconv>
#include <filesystem>
#include <iostream>
#include <limits.h>
#include <memory>
#include <optional>
#include <unistd.h>

namespace vorsan::cli {

using wells::Outcome;
using wells::WellDatabase;
using wells::WellId;

std::string defaultDatabaseDir() {
    char buf[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    const std::filesystem::path exe = n > 0 ? std::string(buf, std::size_t(n)) : std::string(".");
    const std::filesystem::path programDir = exe.parent_path();
    const bool installed =
        programDir.filename() == "bin" &&
        std::filesystem::exists(programDir / "../share/applications/ru.vorsan.Vorsan.desktop");
    if (!installed && ::access(programDir.c_str(), W_OK) == 0) return (programDir / "bd").string();
    const char* xdg = std::getenv("XDG_DATA_HOME");
    const char* home = std::getenv("HOME");
    const std::filesystem::path data =
        xdg && *xdg ? std::filesystem::path(xdg) : std::filesystem::path(home ? home : ".") / ".local/share";
    return (data / "Vorsan" / "bd").string();
}

// Prints what an operation could not do: the user's message, then why.
int refused(const Outcome& o) {
    std::string text = o.message;
    if (!o.detail.empty()) text += (text.empty() ? "" : " (") + o.detail + (text.empty() ? "" : ")");
    for (std::size_t i = 1; i < o.notes.size(); ++i)
        std::cerr << "vorsan-cli: " << o.notes[i] << '\n';
    return fail(text);
}

std::unique_ptr<WellDatabase> openWellDatabase(const std::string& dir, int& status) {
    Outcome outcome;
    auto d = WellDatabase::open(dir.empty() ? defaultDatabaseDir() : dir, decimalSeparator(), outcome);
    status = d ? kDone : refused(outcome);
    return d;
}

namespace {

std::optional<std::uint16_t> number(const std::string& s) {
    unsigned v = 0;
    const auto [p, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (s.empty() || ec != std::errc() || p != s.data() + s.size() || v > 0xFFFF) return std::nullopt;
    return static_cast<std::uint16_t>(v);
}

} // namespace

std::optional<WellId> wellArgument(const std::vector<std::string>& id, WellDatabase& d, int& status) {
    const auto pad = number(id[1]), well = number(id[2]);
    if (!pad || !well) {
        status = fail("PAD and WELL are numbers 0 ... 65535", kUsage);
        return std::nullopt;
    }
    const WellId w{id[0], *pad, *well};
    const auto all = d.wells();
    if (std::find(all.begin(), all.end(), w) == all.end()) {
        status = fail("no well " + id[0] + ", pad " + id[1] + ", well " + id[2] + " in the database",
                      kNothingFound);
        return std::nullopt;
    }
    status = kDone;
    return w;
}

namespace {

struct Options {
    bool utf8 = false;
    std::string db;
    std::string file, out, field, pad, well;
    std::optional<int> generation;
    std::vector<std::string> id; // FIELD PAD WELL
};

std::unique_ptr<WellDatabase> openDatabase(const Options& o, int& status) {
    return openWellDatabase(o.db, status);
}

// FIELD PAD WELL of the command line, and whether the database has that well.
std::optional<WellId> wellOf(const Options& o, WellDatabase& d, int& status) {
    return wellArgument(o.id, d, status);
}

void printWells(const std::vector<WellId>& wells) {
    for (const WellId& w : wells)
        std::cout << w.oilfield << '\t' << w.pad << '\t' << w.well << '\n';
}

int addJournalFile(const Options& o) {
    OpenedJournal j;
    if (int st = openJournal(o.file, o.generation, j); st != 0) return st;
    int status = 0;
    auto d = openDatabase(o, status);
    if (!d) return status;
    // The records as decoded (building the texts would turn missing values into zeros).
    const Journal journal = decodeJournal(j.file.image, j.file.generation).journal;
    const Outcome r = d->addJournal(o.field, {&journal, j.file.generation, settingsSetOf(j.file.catalogue)});
    if (!r.ok) return refused(r);
    const auto& added = d->journal().added;
    const WellId& well = *d->shownWell();
    std::cout << "added " << std::count(added.begin(), added.end(), true) << " rows to " << well.oilfield
              << ", pad " << well.pad << ", well " << well.well << " (" << d->journal().journal.count()
              << " rows in all)\n";
    return kDone;
}

int showWell(const Options& o) {
    int status = 0;
    auto d = openDatabase(o, status);
    if (!d) return status;
    const auto id = wellOf(o, *d, status);
    if (!id) return status;
    // What the grid shows: "*" marks rows of the last addition, which showing clears.
    const Outcome r = d->showWell(*id);
    if (!r.ok) return refused(r);
    const auto& j = d->journal();
    const int columns = journalColumnCount(d->settings().generation);
    for (std::size_t i = 0; i < j.rows.size(); ++i) {
        const JournalRow& row = j.rows[i];
        std::cout << (j.added[i] ? "*" : " ") << (i + 1) << '\t' << row.dateText << '\t' << row.timeText;
        if (row.isEventRow()) {
            std::cout << '\t' << row.eventText;
        } else {
            for (int c = kFirstSpanColumn; c < columns; ++c)
                std::cout << '\t' << measurementCellText(row, c);
        }
        std::cout << '\n';
    }
    std::cout << "\nУставки по кусту: " << id->pad << ",  скважине " << id->well
              << " на: " << d->settings().momentText << '\n';
    for (const auto& row : d->settingsPage())
        std::cout << row.name << '\t' << row.value << '\n';
    for (const auto& e : d->settingsPageErrors())
        std::cerr << "vorsan-cli: " << kChoiceOutOfRangeMessage << ": " << e << '\n';
    return kDone;
}

// Opens the database with the well FIELD PAD WELL shown in it; a null pointer and the exit status
// when either is not there.
std::unique_ptr<WellDatabase> openShownWell(const Options& o, int& status) {
    auto d = openDatabase(o, status);
    if (!d) return nullptr;
    const auto id = wellOf(o, *d, status);
    if (!id) return nullptr;
    if (const Outcome r = d->showWell(*id); !r.ok) {
        status = refused(r);
        return nullptr;
    }
    return d;
}

int textExport(const Options& o) {
    int status = 0;
    const auto d = openShownWell(o, status);
    if (!d) return status;
    const WellId& well = *d->shownWell();
    JournalTextFile f;
    if (const Outcome r = d->journalText(well, "ВОРСАН 4.074 ", f); !r.ok) return refused(r);
    const std::vector<std::uint8_t> bytes(f.bytes.begin(), f.bytes.end());
    if (const auto st = db::replaceFile(o.out, {bytes}); !st) return fail(st.detail);
    std::cout << "wrote " << o.out << " (" << d->journal().journal.count() << " rows; offered name "
              << WellDatabase::offeredTextFileName(well) << ".txt)\n";
    return kDone;
}

// The well's whole journal as the spreadsheet export writes it.
int exportWell(const Options& o) {
    int status = 0;
    const auto d = openShownWell(o, status);
    if (!d) return status;
    const wells::DatabaseJournal& j = d->journal();
    return writeJournalExport(o.out, o.utf8, j.journal, j.rows, ExportRange{0, j.rows.size()});
}

int listWells(const Options& o) {
    int status = 0;
    auto d = openDatabase(o, status);
    if (d) printWells(d->wells());
    return status;
}

int listOilfields(const Options& o) {
    int status = 0;
    auto d = openDatabase(o, status);
    if (d)
        for (const std::string& f : d->oilfieldNames())
            std::cout << f << '\n';
    return status;
}

int findWells(const Options& o) {
    int status = 0;
    auto d = openDatabase(o, status);
    if (!d) return status;
    const auto found = wells::findWells(d->wells(), {o.field, o.pad, o.well});
    printWells(found);
    return found.empty() ? int(kNothingFound) : int(kDone);
}

int deleteWell(const Options& o) {
    int status = 0;
    auto d = openDatabase(o, status);
    if (!d) return status;
    const auto id = wellOf(o, *d, status);
    if (!id) return status;
    const Outcome r = d->deleteWell(*id);
    return r.ok ? int(kDone) : refused(r);
}

int saveWellFile(const Options& o) {
    int status = 0;
    const auto d = openDatabase(o, status);
    if (!d) return status;
    const auto id = wellOf(o, *d, status);
    if (!id) return status;
    const Outcome r = d->saveWellFile(*id, o.out);
    return r.ok ? int(kDone) : refused(r);
}

int addWellFile(const Options& o) {
    int status = 0;
    auto d = openDatabase(o, status);
    if (!d) return status;
    const Outcome r = d->addWellFile(o.file);
    if (!r.ok) return refused(r);
    const WellId& well = *d->shownWell();
    std::cout << "added " << well.oilfield << ", pad " << well.pad << ", well " << well.well << " ("
              << d->journal().journal.count() << " rows)\n";
    return int(kDone);
}

int createArchive(const Options& o) {
    int status = 0;
    auto d = openDatabase(o, status);
    if (!d) return status;
    const Outcome r = d->createArchive(o.out);
    return r.ok ? int(kDone) : refused(r);
}

int updateFromArchive(const Options& o) {
    int status = 0;
    auto d = openDatabase(o, status);
    if (!d) return status;
    const Outcome r = d->updateFromArchive(o.file);
    if (!r.ok) return refused(r);
    std::cout << d->wells().size() << " wells in the database\n";
    return int(kDone);
}

using OptionsPtr = std::shared_ptr<Options>;

void withDb(CLI::App* cmd, const OptionsPtr& o) {
    cmd->add_option("--db", o->db, "the database directory (default: the window's)")->type_name("DIR");
}

void withWell(CLI::App* cmd, const OptionsPtr& o) {
    cmd->add_option("FIELD PAD WELL", o->id, "oilfield, pad and well number")->expected(3)->required();
}

// A command on the database that takes only --db (and, when `well`, FIELD PAD WELL), run by `run`.
CLI::App* databaseCommand(CLI::App& db, const char* name, const char* what, bool well,
                          int (*run)(const Options&), OptionsPtr o = std::make_shared<Options>()) {
    CLI::App* c = command(db, name, what);
    withDb(c, o);
    if (well) withWell(c, o);
    onRun(c, [o, run] { return run(*o); });
    return c;
}

// Adding journals, listing, finding and showing wells.
void addBrowsingCommands(CLI::App& db) {
    {
        auto o = std::make_shared<Options>();
        CLI::App* c =
            command(db, "add", "adds a journal file (.VR4, .pr) with its settings to the well they name");
        withDb(c, o);
        c->add_option("FILE", o->file, "the journal file")->required();
        c->add_option("--field", o->field, "the oilfield (at most 30 characters)")->required()->type_name("NAME");
        c->add_option(kGenerationOption, o->generation, "read a file of unknown type as generation 3 or 4")
            ->check(CLI::IsMember({3, 4}));
        onRun(c, [o] { return addJournalFile(*o); });
    }
    databaseCommand(db, "wells", "lists the wells: oilfield, TAB, pad, TAB, well", false, listWells);
    databaseCommand(db, "fields", "lists the oilfield names", false, listOilfields);
    {
        auto o = std::make_shared<Options>();
        CLI::App* c = databaseCommand(
            db, "find", "finds wells by the beginnings of oilfield, pad and well (exit 3: none)", false,
            findWells, o);
        c->add_option("--field", o->field, "beginning of the oilfield name (letter case counts)")->type_name("P");
        c->add_option("--pad", o->pad, "beginning of the pad number")->type_name("P");
        c->add_option("--well", o->well, "beginning of the well number")->type_name("P");
    }
    databaseCommand(db, "show", "prints a well's journal as the database grid shows it and its settings",
                    true, showWell);
}

// A well's journal as text or spreadsheet, deleting a well, well files and archives.
void addWellFileCommands(CLI::App& db) {
    {
        auto o = std::make_shared<Options>();
        CLI::App* c = databaseCommand(db, "text", "writes a well's journal as text (Windows-1251, CR LF)",
                                      true, textExport, o);
        c->add_option("-o", o->out, "the text file")->required()->type_name("OUT.txt");
    }
    {
        auto o = std::make_shared<Options>();
        CLI::App* c =
            databaseCommand(db, "export",
                            "writes a well's journal as a spreadsheet workbook (-o OUT.xlsx) or as the "
                            "tab-separated export text (-o OUT.tsv: CR LF, Windows-1251 unless --utf8)",
                            true, exportWell, o);
        c->add_option("-o", o->out, "the workbook or text file (- for the text on standard output)")
            ->required()
            ->type_name("OUT.xlsx|OUT.tsv");
        c->add_flag("--utf8", o->utf8, "write the text export in UTF-8 instead of Windows-1251");
    }
    databaseCommand(db, "delete-well", "deletes a well's rows and its settings", true, deleteWell);
    {
        auto o = std::make_shared<Options>();
        CLI::App* c = databaseCommand(db, "save-well", "writes a well file (.VBD)", true, saveWellFile, o);
        c->add_option("-o", o->out, "the well file")->required()->type_name("FILE.VBD");
    }
    {
        auto o = std::make_shared<Options>();
        CLI::App* c = databaseCommand(db, "add-well",
                                      "adds a well file (.VBD): merged into the well or installed as new",
                                      false, addWellFile, o);
        c->add_option("FILE", o->file, "the well file")->required()->type_name("FILE.VBD");
    }
    {
        auto o = std::make_shared<Options>();
        CLI::App* c =
            databaseCommand(db, "archive", "writes the whole database as a ZIP archive of the directory BD",
                            false, createArchive, o);
        c->add_option("-o", o->out, "the archive")->required()->type_name("FILE.zip");
    }
    {
        auto o = std::make_shared<Options>();
        CLI::App* c =
            databaseCommand(db, "update-from", "merges a database archive (.zip, .rar, .7z, .tar.*)", false,
                            updateFromArchive, o);
        c->add_option("ARCHIVE", o->file, "the archive")->required();
    }
}

} // namespace

void addWellCommands(CLI::App& app) {
    CLI::App* db = app.get_subcommand("db");
    addBrowsingCommands(*db);
    addWellFileCommands(*db);
}

} // namespace vorsan::cli
