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
    std::optional<std::string> rows; // "A-B", 1-based grid rows
};

int runSeries(const SeriesOptions& o) {
    const auto channel = channelFromNumber(o.channel);
    if (!channel) return fail("no channel " + std::to_string(o.channel) + " (11-13, 21-23, 31, 41, 51, 61)", kUsage);
    Loaded j;
    if (const int status = load(o.source, j); status != kDone) return status;
    RowRange rows;
    if (!rowsWithin(o.rows, j.records.size(), rows)) return kFailure;
    std::cout << seriesCsv(j.records, *channel, j.firstNumber, rows.first - 1, rows.last - 1);
    std::cout.flush();
    return std::cout ? kDone : fail("cannot write to standard output");
}

struct DiagramOptions {
    Source source;
    std::optional<std::string> rows; // "A-B", 1-based grid rows
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
    if (j.records.empty()) return fail("the journal is empty", kNothingFound);
    // The rows given are the stretch as they are, one row too; without them the whole journal.
    RowRange rows;
    if (!rowsWithin(o.rows, j.records.size(), rows)) return kFailure;
    const Stretch stretch{rows.first - 1, rows.last - 1};
    const auto slices = o.causes ? stopCauseDiagram(j.records, stretch) : workIdleDiagram(j.records, stretch, " ");
    const auto percents = slicePercents(slices);
    for (std::size_t i = 0; i < slices.size(); ++i) {
        const auto& s = slices[i];
        std::cout << s.label << '\t' << (o.causes ? std::to_string(static_cast<long long>(s.value)) : daysText(s.value))
                  << '\t' << percents[i] << '\n';
    }
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
    addRowsOption(s, series->rows, "the points of");
    onRun(s, [series] { return runSeries(*series); });

    auto diagram = std::make_shared<DiagramOptions>();
    CLI::App* d = command(app, "diagram",
                          "prints the slices of the work/idle diagram (label TAB days TAB percent) or, with "
                          "--causes, of the stop-cause diagram (label TAB count TAB percent); the percents are "
                          "those the diagram shows and add up to 100");
    addSourceOptions(d, diagram->source);
    addRowsOption(d, diagram->rows, "the diagram of");
    d->add_flag("--causes", diagram->causes, "the stop-cause diagram");
    onRun(d, [diagram] { return runDiagram(*diagram); });
}

} // namespace vorsan::cli
