// vorsan-cli commands over the graphs and diagrams: "series" writes the points a graph draws as
// CSV for other plotting programs, "diagram" prints the slices of the work/idle or stop-cause pie.
// Both read a journal file, or a well's journal from the database with --db and --well.
#include "cli_journal.h"
#include "command.h"

#include "charts/diagrams.h"
#include "charts/series_csv.h"
#include "db/table.h"
#include "db/well_database.h"

#include <filesystem>
#include <iostream>
#include <memory>

namespace vorsan::cli {
namespace {

struct Source {
    std::string path;                // a journal file, or
    std::string db;                  // the database directory
    std::string well;                // with FIELD/PAD/WELL
    std::optional<int> generation;   // a file of unknown type read as this generation
};

struct Loaded {
    std::vector<JournalRecord> records;
    int firstNumber = 1; // the graphs count a file's records from 1, a well's from 0
};

// "Северное/12/345": the oilfield may itself hold "/", the last two parts are the numbers.
bool parseWell(const std::string& text, std::string& oilfield, std::uint16_t& pad, std::uint16_t& well) {
    const auto second = text.rfind('/');
    if (second == std::string::npos || second == 0) return false;
    const auto first = text.rfind('/', second - 1);
    if (first == std::string::npos || first == 0) return false;
    oilfield = text.substr(0, first);
    try {
        std::size_t used = 0;
        const std::string padText = text.substr(first + 1, second - first - 1);
        const std::string wellText = text.substr(second + 1);
        const unsigned long p = std::stoul(padText, &used);
        if (used != padText.size()) return false;
        const unsigned long w = std::stoul(wellText, &used);
        if (used != wellText.size() || p > 0xFFFF || w > 0xFFFF) return false;
        pad = static_cast<std::uint16_t>(p);
        well = static_cast<std::uint16_t>(w);
    } catch (const std::exception&) {
        return false;
    }
    return true;
}

int load(const Source& s, Loaded& out) {
    if (s.db.empty() == s.path.empty())
        return fail("give either a journal FILE or --db DIR with --well FIELD/PAD/WELL", kUsage);
    if (!s.path.empty()) {
        OpenedJournal j;
        if (const int status = openJournal(s.path, s.generation, j); status != 0) return status;
        out.records = std::move(j.journal.records);
        out.firstNumber = 1;
        return kDone;
    }
    std::string oilfield;
    std::uint16_t pad = 0;
    std::uint16_t well = 0;
    if (!parseWell(s.well, oilfield, pad, well))
        return fail("--well wants FIELD/PAD/WELL, e.g. Северное/12/345", kUsage);
    const std::string file =
        db::databaseFile(s.db, db::wellBaseName(oilfield, pad, well) + db::kTableExtension);
    // Reading never creates a table: a well that is not there is reported.
    if (!std::filesystem::exists(file)) return fail("the database holds no well " + s.well + " (" + file + ")", kNothingFound);
    db::Table table;
    if (const auto st = table.open(file, db::OpenMode::ReadOnly, db::wellTableLayout().tags); !st)
        return fail(st.detail);
    db::WellRows rows;
    if (const auto st = db::readWellRows(table, rows); !st) return fail(st.detail);
    out.records = std::move(rows.records);
    out.firstNumber = 0;
    return kDone;
}

void addSourceOptions(CLI::App* cmd, Source& s) {
    cmd->add_option("FILE", s.path, "a journal file (.VR4, .pr)");
    auto* db = cmd->add_option("--db", s.db, "the database directory (instead of FILE)")->type_name("DIR");
    cmd->add_option("--well", s.well, "the well of --db")->type_name("FIELD/PAD/WELL")->needs(db);
    db->needs("--well");
    cmd->add_option(kGenerationOption, s.generation, "read a file of unknown type as this controller generation")
        ->type_name("3|4")
        ->check(CLI::Range(3, 4));
}

struct SeriesOptions {
    Source source;
    int channel = 0;
};

int runSeries(const SeriesOptions& o) {
    const auto channel = channelFromNumber(o.channel);
    if (!channel) return fail("no channel " + std::to_string(o.channel) + " (11-13, 21-23, 31, 41, 51, 61)", kUsage);
    Loaded j;
    if (const int status = load(o.source, j); status != kDone) return status;
    std::cout << seriesCsv(j.records, *channel, j.firstNumber);
    std::cout.flush();
    return std::cout ? kDone : fail("cannot write to standard output");
}

struct DiagramOptions {
    Source source;
    std::string rows; // "A-B", 1-based grid rows
    bool causes = false;
};

// The value of a work/idle slice: days as a decimal number with the user's separator.
std::string daysText(double days) {
    std::string text = plainNumber(days);
    for (char& c : text)
        if (c == '.') c = decimalSeparator();
    return text;
}

int runDiagram(const DiagramOptions& o) {
    Loaded j;
    if (const int status = load(o.source, j); status != kDone) return status;
    // Rows as the grid numbers them (from 1), so the selection top..bottom is rows A-1..B-1.
    std::size_t top = 0;
    std::size_t bottom = 0;
    if (!o.rows.empty()) {
        unsigned long a = 0;
        unsigned long b = 0;
        const auto dash = o.rows.find('-');
        try {
            std::size_t used = 0;
            if (dash == std::string::npos) throw std::invalid_argument("no dash");
            a = std::stoul(o.rows.substr(0, dash), &used);
            if (used != dash) throw std::invalid_argument("A");
            b = std::stoul(o.rows.substr(dash + 1), &used);
            if (used != o.rows.size() - dash - 1) throw std::invalid_argument("B");
        } catch (const std::exception&) {
            return fail("--rows wants A-B, two row numbers from 1", kUsage);
        }
        if (a < 1 || b < 1) return fail("--rows counts from 1", kUsage);
        top = a - 1;
        bottom = b - 1;
    }
    const auto stretch = diagramStretch(j.records.size(), top, bottom);
    if (!stretch) return fail("the journal is empty", kNothingFound);
    const auto slices = o.causes ? stopCauseDiagram(j.records, *stretch) : workIdleDiagram(j.records, *stretch, " ");
    for (const auto& s : slices)
        std::cout << s.label << '\t' << (o.causes ? std::to_string(static_cast<long long>(s.value)) : daysText(s.value))
                  << '\n';
    std::cout.flush();
    return std::cout ? kDone : fail("cannot write to standard output");
}

} // namespace

void addChartCommands(CLI::App& app) {
    auto series = std::make_shared<SeriesOptions>();
    CLI::App* s = command(app, "series",
                          "writes the points the graph draws for one channel as CSV: position, date_time, value, "
                          "idle (1 in the red stretches)");
    addSourceOptions(s, series->source);
    s->add_option("--channel", series->channel,
                  "11-13 voltages AB, BC, CA; 21-23 currents A, B, C; 31 load; 41 pressure; 51 temperature; "
                  "61 insulation resistance")
        ->required();
    onRun(s, [series] { return runSeries(*series); });

    auto diagram = std::make_shared<DiagramOptions>();
    CLI::App* d = command(app, "diagram",
                          "prints the slices of the work/idle diagram (label TAB days) or, with --causes, of the "
                          "stop-cause diagram (label TAB count)");
    addSourceOptions(d, diagram->source);
    d->add_option("--rows", diagram->rows, "the stretch as grid rows from 1 (one row or none: the whole journal)")
        ->type_name("A-B");
    d->add_flag("--causes", diagram->causes, "the stop-cause diagram");
    onRun(d, [diagram] { return runDiagram(*diagram); });
}

} // namespace vorsan::cli
