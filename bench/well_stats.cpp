// Run-life figures at the sizes the field meets: a 200,000-record journal in memory (its figures,
// and everything the page "Анализ" and the well report draw of it, laid out on the page) and the
// same well read from the database, and the table of an oilfield of 500 wells of 10,000 rows,
// first with nothing kept and again while no well changed.
#include "analytics/well_stats.h"
#include "report/well_report.h"
#include "db/file_io.h"
#include "db/table.h"
#include "db/well_database.h"
#include "settings/catalogue.h"
#include "text/cp1251.h"
#include "wells/well_database_state.h"

#include "well_bench_data.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

using namespace vorsan;
using namespace vorsan::db;
using namespace vorsan::bench;
namespace fs = std::filesystem;

namespace {

constexpr long kBigWell = 200000;
constexpr long kWellRows = 10000;
constexpr int kWells = 500;

// Ten minutes apart: a stop every 6 hours (causes in turn), a start half an hour later, the
// measurements between them with a resistance that drifts.
Journal journalOf(long count) {
    Journal j;
    j.records.reserve(std::size_t(count));
    for (long n = 0; n < count; ++n) {
        const long phase = n % 36;
        const int code = phase == 0 ? int(n / 36 % 12) : phase == 3 ? 49 : 255;
        j.records.push_back(recordAt(600L * n, code, int(n)));
    }
    return j;
}

const analytics::InsulationSettings kOn{true, 100.0};

void BM_StatsOf200000Records(benchmark::State& state) {
    static const Journal j = journalOf(kBigWell);
    for (auto _ : state) {
        auto s = analytics::computeWellStats(j.records, kOn);
        benchmark::DoNotOptimize(s);
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * kBigWell);
}

void BM_WellReportOf200000Records(benchmark::State& state) {
    static const Journal j = journalOf(kBigWell);
    const PrintMetrics a4{93, 192, 9448, 13559, {}};
    for (auto _ : state) {
        const WellReport r = makeWellReport(j.records, kOn, {}, ControllerGeneration::Gen4);
        auto page = layoutWellReport(r, a4, ',');
        benchmark::DoNotOptimize(page);
    }
}

// The same journal as a database well, read as the command line reads it (a program that has the
// database open but not this well's table).
void BM_ReadAndStatsOfA200000RowWell(benchmark::State& state) {
    static const std::string dir = [] {
        const std::string d = joinPath(freshDir("stats-big"), "bd");
        auto db = openDb(d);
        const Journal j = journalOf(kBigWell);
        SettingsSet s(settingCount(ControllerGeneration::Gen4), 1);
        s[std::size_t(kGen4PadNumber - kFirstSettingNumber)] = 12;
        s[std::size_t(kGen4WellNumber - kFirstSettingNumber)] = 345;
        check(db->addJournalQuietly("Новое", {&j, ControllerGeneration::Gen4, s}).ok, "fill");
        return d;
    }();
    auto db = openDb(dir);
    for (auto _ : state) {
        analytics::WellStats s;
        check(db->wellStats({"Новое", 12, 345}, {}, s).ok, "stats");
        benchmark::DoNotOptimize(s);
    }
}

// 500 wells of one oilfield, each a copy of one table of 10,000 rows, with their snapshots.
const std::string& oilfieldDir() {
    static const std::string dir = [] {
        const std::string d = joinPath(freshDir("stats-oilfield"), "bd");
        check(initDatabase(d).ok(), "init");
        const std::string first = wellBaseName("Новое", 1, 0);
        {
            Table t;
            check(openWellTable(t, d, first).ok(), "well");
            std::vector<std::vector<FieldValue>> rows;
            for (const JournalRecord& r : journalOf(kWellRows).records) {
                std::vector<FieldValue> v;
                check(wellRowValues(r, 1, 0, v).ok(), "row");
                rows.push_back(v);
            }
            check(t.appendRows(rows).ok(), "rows");
        }
        Table snaps;
        check(openDatabaseTable(snaps, d, kSettingsTableFile, settingsSnapshotLayout()).ok(), "snapshots");
        std::vector<std::vector<FieldValue>> snapshots;
        for (int w = 0; w < kWells; ++w) {
            const std::string base = wellBaseName("Новое", 1, std::uint16_t(w));
            if (w > 0)
                for (const char* ext : {".DBF", ".CDX"})
                    fs::copy_file(joinPath(d, first + ext), joinPath(d, base + ext));
            std::vector<FieldValue> s(kSnapFieldCount, std::string("1"));
            s[kSnapMesto] = utf8ToCp1251("Новое").bytes;
            s[kSnapKust] = 1.0;
            s[kSnapSkv] = double(w);
            s[kSnapData] = Date{2024, 3, 1};
            s[kSnapTime] = std::string("12/00/00");
            s[kSnapNewFormat] = true;
            snapshots.push_back(s);
        }
        check(snaps.appendRows(snapshots).ok(), "snapshot rows");
        return d;
    }();
    return dir;
}

void BM_OilfieldOf500WellsFirst(benchmark::State& state) {
    auto db = openDb(oilfieldDir());
    const auto wells = db->wells();
    check(wells.size() == std::size_t(kWells), "wells");
    for (auto _ : state) {
        wells::WellStatsCache cache; // nothing kept: every well is read
        wells::WellStatsTable t;
        check(db->wellStatsTable(wells, {}, cache, t).ok && t.wellsRead == std::size_t(kWells), "table");
        benchmark::DoNotOptimize(t);
    }
    state.counters["rows"] = double(kWells * kWellRows);
}

void BM_OilfieldOf500WellsAgain(benchmark::State& state) {
    auto db = openDb(oilfieldDir());
    const auto wells = db->wells();
    wells::WellStatsCache cache;
    wells::WellStatsTable t;
    check(db->wellStatsTable(wells, {}, cache, t).ok, "first table");
    for (auto _ : state) {
        check(db->wellStatsTable(wells, {}, cache, t).ok && t.wellsRead == 0, "table again");
        benchmark::DoNotOptimize(t);
    }
}

} // namespace

BENCHMARK(BM_StatsOf200000Records)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WellReportOf200000Records)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadAndStatsOfA200000RowWell)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_OilfieldOf500WellsFirst)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_OilfieldOf500WellsAgain)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK_MAIN();
