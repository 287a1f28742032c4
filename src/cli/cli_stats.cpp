// vorsan-cli run-life figures: "stats FILE" of a journal file, "db stats FIELD PAD WELL" of a
// database well (the same figures for a file and the well it was added to), and "db stats
// --field NAME" / "--all", one line per well, worst first.
#include "command.h"

#include "analytics/stats_json.h"
#include "analytics/well_stats.h"
#include "analytics/well_summary.h"
#include "cli_database.h"
#include "cli_journal.h"
#include "journal/journal_rows.h"
#include "report/page_layout.h"
#include "report/well_report.h"
#include "settings/catalogue.h"
#include "text/number_format.h"

#ifdef VORSAN_CLI_PRINT
#include "print/report_painter.h"
#endif

#include <iostream>
#include <memory>

namespace vorsan::cli {
namespace {

using analytics::Seconds;

struct StatsOptions {
    std::string file;
    std::optional<int> generation;
    std::string db;
    std::vector<std::string> id; // FIELD PAD WELL
    std::string field;
    bool all = false;
    std::optional<std::string> from, to;
    bool json = false;
    std::string out; // the report's PDF
};

constexpr const char* kMomentForms =
    "YYYY-MM-DD (its 00:00:00), \"YYYY-MM-DD hh:mm\" or \"YYYY-MM-DD hh:mm:ss\"";

void addPeriodOptions(CLI::App* cmd, StatsOptions& o) {
    const auto check = [](const std::string& v) {
        return analytics::parseMoment(v) ? std::string() : std::string("wants ") + kMomentForms;
    };
    cmd->add_option("--from", o.from, std::string("only records at or after this moment: ") + kMomentForms)
        ->type_name("D")
        ->check(check);
    cmd->add_option("--to", o.to,
                    std::string("only records at or before this moment (a date alone is its 00:00:00: "
                                "the whole of 30 September is --to \"2026-09-30 23:59:59\")"))
        ->type_name("D")
        ->check(check);
}

analytics::Period periodOf(const StatsOptions& o) {
    analytics::Period p;
    if (o.from) p.from = analytics::parseMoment(*o.from);
    if (o.to) p.to = analytics::parseMoment(*o.to);
    return p;
}

std::string number(double v, int decimals) {
    return formatFixed(v, decimals, decimalSeparator());
}

// "01.09.2026 12:00:00", as the journal shows moments.
std::string momentText(Seconds t) {
    const analytics::CivilTime c = analytics::civilOf(t);
    const auto two = [](int v) { return std::to_string(100 + v).substr(1); };
    return two(c.day) + "." + two(c.month) + "." + std::to_string(c.year) + " " + two(c.hour) + ":" +
           two(c.minute) + ":" + two(c.second);
}

std::string causeText(std::uint8_t code, ControllerGeneration generation) {
    const std::string text = eventCodeText(code, generation);
    return std::to_string(code) + (text.empty() ? "" : " " + text);
}

constexpr const char* kNone = "—";

void printSummary(const analytics::WellStats& s, ControllerGeneration generation) {
    std::ostream& out = std::cout;
    out << "Записей: " << s.records;
    if (s.first) out << " (" << momentText(*s.first) << " — " << momentText(*s.last) << ")";
    out << '\n';
    out << "Работа: " << analytics::durationText(s.work) << '\n';
    out << "Простой: " << analytics::durationText(s.idle) << '\n';
    out << "Коэффициент эксплуатации: " << (s.availability ? number(*s.availability * 100, 1) + " %" : kNone)
        << '\n';
    out << "Остановов: " << s.stops << '\n';
    out << "Запусков: " << s.starts;
    if (s.startsPerDay) out << " (" << number(*s.startsPerDay, 2) << " в сутки)";
    out << '\n';
    out << "Наработка на останов: " << (s.mtbs ? analytics::durationText(std::llround(*s.mtbs)) : kNone)
        << '\n';
    out << "Работ: " << s.runs.size();
    if (!s.runs.empty() && s.runs.back().open) out << " (последняя не закончена)";
    out << '\n';
    out << "Самая долгая работа: " << (s.longestRun ? analytics::durationText(*s.longestRun) : kNone) << '\n';
    out << "Средняя (медиана) работа: " << (s.medianRun ? analytics::durationText(*s.medianRun) : kNone)
        << '\n';
    if (!s.stopsByCause.empty()) {
        out << "Остановы по причинам:\n";
        for (const auto& [code, count] : s.stopsByCause)
            out << "  " << causeText(code, generation) << ": " << count << '\n';
    }
    if (!s.months.empty()) {
        out << "По месяцам (месяц, остановов, запусков, работа):\n";
        for (const auto& m : s.months)
            out << "  " << analytics::monthText(m.year, m.month) << '\t' << m.stops << '\t' << m.starts
                << '\t' << analytics::durationText(m.work) << '\n';
    }
    out << "Сопротивление изоляции за последние 30 суток: ";
    if (!s.trend) {
        out << "меньше " << analytics::kTrendMinPoints << " замеров, тренда нет\n";
        return;
    }
    const analytics::Trend& t = *s.trend;
    out << (t.slopeKohmPerDay >= 0 ? "+" : "") << number(t.slopeKohmPerDay, 2) << " кОм в сутки";
    if (t.thresholdKohm) out << ", уставка " << number(*t.thresholdKohm, 0) << " кОм";
    if (t.daysToThreshold) out << ", до уставки " << number(*t.daysToThreshold, 1) << " сут";
    out << '\n';
}

int printStats(const analytics::WellStats& s, bool json, ControllerGeneration generation) {
    if (json)
        std::cout << analytics::statsJson(s) << '\n';
    else
        printSummary(s, generation);
    std::cout.flush();
    return std::cout ? kDone : fail("cannot write to standard output");
}

int runFileStats(const StatsOptions& o) {
    OpenedJournal j;
    if (const int status = openJournal(o.file, o.generation, j); status != 0) return status;
    const auto s = analytics::computeWellStats(
        j.journal.records, analytics::insulationSettingsOf(j.file.catalogue), periodOf(o));
    return printStats(s, o.json, j.file.generation);
}

// One line of the table: oilfield, pad, well, stops, starts per day, mean run, availability,
// the most frequent cause, the days to the setpoint.
void printTableLine(const wells::WellStatsRow& r) {
    const analytics::WellSummary& s = r.summary;
    std::cout << r.well.oilfield << '\t' << r.well.pad << '\t' << r.well.well << '\t' << s.stops << '\t'
              << (s.startsPerDay ? number(*s.startsPerDay, 2) : kNone) << '\t'
              << (s.mtbs ? analytics::durationText(std::llround(*s.mtbs)) : kNone) << '\t'
              << (s.availability ? number(*s.availability * 100, 1) + " %" : kNone) << '\t'
              << (s.topCause ? causeText(*s.topCause, r.generation) : kNone) << '\t'
              << (s.daysToThreshold ? number(*s.daysToThreshold, 1) : kNone) << '\n';
}

int runDatabaseStats(const StatsOptions& o) {
    const int ways = int(!o.id.empty()) + int(!o.field.empty()) + int(o.all);
    if (ways != 1) return fail("give FIELD PAD WELL, --field NAME or --all", kUsage);
    if (o.json && o.id.empty()) return fail("--json is for one well (FIELD PAD WELL)", kUsage);
    int status = 0;
    auto d = openWellDatabase(o.db, status);
    if (!d) return status;
    if (!o.id.empty()) {
        const auto id = wellArgument(o.id, *d, status);
        if (!id) return status;
        wells::WellForStats w;
        if (const auto r = d->readWellForStats(*id, w); !r.ok) return refused(r);
        const auto s =
            analytics::computeWellStats(w.records, analytics::insulationSettingsOf(w.settings), periodOf(o));
        return printStats(s, o.json, w.settings.generation);
    }
    std::vector<wells::WellId> chosen;
    for (const wells::WellId& w : d->wells())
        if (o.all || w.oilfield == o.field) chosen.push_back(w);
    if (chosen.empty())
        return fail("no wells of the oilfield " + o.field + " in the database", kNothingFound);
    wells::WellStatsCache cache;
    wells::WellStatsTable table;
    if (const auto r = d->wellStatsTable(chosen, periodOf(o), cache, table); !r.ok) return refused(r);
    bool failed = false;
    for (const wells::WellStatsRow& row : table.rows) {
        printTableLine(row);
        if (!row.failure.empty()) {
            std::cerr << "vorsan-cli: " << row.well.oilfield << ", pad " << row.well.pad << ", well "
                      << row.well.well << ": " << row.failure << '\n';
            failed = true;
        }
    }
    std::cout.flush();
    if (!std::cout) return fail("cannot write to standard output");
    return failed ? int(kFailure) : int(kDone);
}

#ifdef VORSAN_CLI_PRINT

// The one-page report of a database well, as the window prints it from its page "Анализ".
int runDatabaseReport(const StatsOptions& o) {
    int status = 0;
    auto d = openWellDatabase(o.db, status);
    if (!d) return status;
    const auto id = wellArgument(o.id, *d, status);
    if (!id) return status;
    wells::WellForStats w;
    if (const auto r = d->readWellForStats(*id, w); !r.ok) return refused(r);
    WellReport report = makeWellReport(w.records, analytics::insulationSettingsOf(w.settings), periodOf(o),
                                       w.settings.generation);
    report.caption = "ВОРСАН 4.074 ";
    report.wellLine = databaseWellLine(id->oilfield, id->pad, id->well);
    const char separator = decimalSeparator();
    return writePdf(o.out, [&](QPagedPaintDevice& pdf) { return printWellReport(pdf, report, separator); });
}

#endif

constexpr const char* kJsonHelp =
    "print one JSON object: records, work_s, idle_s, availability, stops, starts, stops_by_cause, mtbs_s, "
    "starts_per_day, longest_run_s, median_run_s, runs, months, trend";

} // namespace

void addStatsCommands(CLI::App& app) {
    {
        auto o = std::make_shared<StatsOptions>();
        CLI::App* c = command(app, "stats",
                              "run life of a journal file: work and idle time, stops by cause, starts, runs, "
                              "months and the insulation resistance trend (a Russian summary, or --json)");
        c->add_option("FILE", o->file, "a journal file (.VR4, .pr)")->required();
        c->add_option(kGenerationOption, o->generation,
                      "read a file of unknown type as this controller generation")
            ->type_name("3|4")
            ->check(CLI::Range(3, 4));
        addPeriodOptions(c, *o);
        c->add_flag("--json", o->json, kJsonHelp);
        onRun(c, [o] { return runFileStats(*o); });
    }
    {
        CLI::App* db = app.get_subcommand("db");
        auto o = std::make_shared<StatsOptions>();
        CLI::App* c =
            command(*db, "stats",
                    "run life of a database well as \"stats\" gives it for a file; with --field NAME or "
                    "--all one line per well, worst first (shortest mean run between stops): oilfield, "
                    "pad, well, stops, starts per day, mean run, availability, the most frequent cause, "
                    "days to the insulation setpoint (TAB between)");
        c->add_option("--db", o->db, "the database directory (default: the window's)")->type_name("DIR");
        c->add_option("FIELD PAD WELL", o->id, "oilfield, pad and well number")->expected(3);
        auto* field = c->add_option("--field", o->field, "every well of this oilfield")->type_name("NAME");
        c->add_flag("--all", o->all, "every well of the database")->excludes(field);
        addPeriodOptions(c, *o);
        c->add_flag("--json", o->json, std::string(kJsonHelp) + " (one well only)");
        onRun(c, [o] { return runDatabaseStats(*o); });
    }
#ifdef VORSAN_CLI_PRINT
    {
        CLI::App* db = app.get_subcommand("db");
        auto o = std::make_shared<StatsOptions>();
        CLI::App* c = command(*db, "report",
                              "the one-page report of a database well to PDF, as the page \"Анализ\" prints it: "
                              "the well and the period, the summary, the stops per month by cause, the five "
                              "longest and the last five runs, the insulation resistance and its trend");
        c->add_option("--db", o->db, "the database directory (default: the window's)")->type_name("DIR");
        c->add_option("FIELD PAD WELL", o->id, "oilfield, pad and well number")->expected(3)->required();
        c->add_option("-o", o->out, "the PDF file to write")->type_name("OUT.pdf")->required();
        addPeriodOptions(c, *o);
        onRun(c, [o] { return runDatabaseReport(*o); });
    }
#endif
}

} // namespace vorsan::cli
