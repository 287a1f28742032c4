// The well database's operations at the sizes the field meets: adding a 1184-record journal to a
// well of 200,000 rows (and SQLite's INSERT OR REPLACE of the same rows, measured in the same run),
// showing that well, the directory of 5,000 wells, and updating from an archive of 100 wells of
// 10,000 rows.
#include "db/file_io.h"
#include "db/table.h"
#include "db/well_database.h"
#include "settings/catalogue.h"
#include "text/cp1251.h"
#include "wells/well_database_state.h"

#include "well_bench_data.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <string>

using namespace vorsan;
using namespace vorsan::db;
using namespace vorsan::bench;
namespace fs = std::filesystem;

namespace {

constexpr int kRows = 200000;
constexpr int kJournal = 1184;

// One database with one well of 200,000 rows, shared by the add and show benchmarks.
std::unique_ptr<wells::WellDatabase>& bigDb() {
    static std::unique_ptr<wells::WellDatabase> d = [] {
        auto db = openDb(joinPath(freshDir("wells-big"), "bd"));
        const Journal j = journalOf(0, kRows);
        check(db->addJournalQuietly("Новое", {&j, ControllerGeneration::Gen4, gen4Settings(12, 345)}).ok,
              "fill");
        // Shown once, as a well is between additions: the fill's 200,000 added flags are cleared
        // here, not by the first timed addition.
        check(db->showWell({"Новое", 12, 345}).ok, "show after fill");
        return db;
    }();
    return d;
}

wells::WellDatabase& bigWell() {
    return *bigDb();
}

// Each journal read from a station overlaps the one before by half.
long nextJournal = kRows - kJournal / 2;

void BM_AddJournalTo200kRowWell(benchmark::State& state) {
    wells::WellDatabase& db = bigWell();
    for (auto _ : state) {
        state.PauseTiming();
        const Journal j = journalOf(nextJournal, kJournal);
        nextJournal += kJournal / 2;
        state.ResumeTiming();
        check(db.addJournalQuietly("Новое", {&j, ControllerGeneration::Gen4, gen4Settings(12, 345)}).ok,
              "add");
    }
}

void BM_SqliteInsertOrReplaceSameRows(benchmark::State& state) {
    if (!sqliteLib()) {
        state.SkipWithError("libsqlite3.so.0 not found");
        return;
    }
    Sqlite& s = sqlite();
    const std::string path = joinPath(freshDir("wells-sqlite"), "well.sqlite");
    void* db = nullptr;
    s.open(path.c_str(), &db);
    std::string sql = "PRAGMA synchronous=FULL;CREATE TABLE well(";
    for (int i = 0; i < 21; ++i)
        sql += std::string(i ? "," : "") + kColumns[i];
    sql += ");CREATE INDEX data ON well(DATA,TIME);"
           "CREATE UNIQUE INDEX datt ON "
           "well(DATA,TIME,SOBYTIE,EXT_ZAP,NUM_UST,OLD_ZN,NEW_ZN,UAB,UBC,UCA,IA,IB,IC,"
           "ZAGR,SOP,P,T,COS_);";
    s.exec(db, sql.c_str(), nullptr, nullptr, nullptr);
    sqliteInsert(db, journalOf(0, kRows).records, false);
    long next = kRows - kJournal / 2;
    for (auto _ : state) {
        state.PauseTiming();
        const Journal j = journalOf(next, kJournal);
        next += kJournal / 2;
        state.ResumeTiming();
        sqliteInsert(db, j.records, true);
    }
    s.close(db);
}

void BM_ShowWellOf200kRows(benchmark::State& state) {
    wells::WellDatabase& db = bigWell();
    for (auto _ : state)
        check(db.showWell({"Новое", 12, 345}).ok, "show");
    state.counters["rows"] = double(db.journal().journal.count());
}

// The same well shown by a program that has just opened the database: its table is read, and its
// index checked against the rows, first.
void BM_OpenAndShowWellOf200kRows(benchmark::State& state) {
    const std::string dir = bigWell().directory();
    for (auto _ : state) {
        state.PauseTiming();
        bigDb().reset(); // the database is released: one program per database
        state.ResumeTiming();
        auto db = openDb(dir);
        check(db->showWell({"Новое", 12, 345}).ok, "open and show");
        state.PauseTiming();
        db.reset();
        bigDb() = openDb(dir);
        state.ResumeTiming();
    }
}

void BM_DirectoryOf5000Wells(benchmark::State& state) {
    static const std::string dir = [] {
        const std::string d = joinPath(freshDir("wells-dir"), "bd");
        check(initDatabase(d).ok(), "init");
        Table t;
        check(openDatabaseTable(t, d, kSettingsTableFile, settingsSnapshotLayout()).ok(), "open");
        std::vector<std::vector<FieldValue>> rows;
        for (int i = 0; i < 5000; ++i) {
            std::vector<FieldValue> v(kSnapFieldCount, std::string("1"));
            v[kSnapMesto] = utf8ToCp1251("Месторождение " + std::to_string(i % 40)).bytes;
            v[kSnapKust] = double(i / 40 % 10);
            v[kSnapSkv] = double(i);
            v[kSnapData] = Date{2024, 3, 1};
            v[kSnapTime] = std::string("12/00/00");
            v[kSnapNewFormat] = true;
            rows.push_back(v);
        }
        check(t.appendRows(rows).ok(), "append");
        return d;
    }();
    auto db = openDb(dir);
    for (auto _ : state)
        benchmark::DoNotOptimize(db->tree());
}

// 100 wells of 10,000 rows: the archive is made once; each run updates a fresh empty database
// (new wells: files installed) and then the same database again (every well merged).
void BM_UpdateFromArchiveOf100WellsOf10kRows(benchmark::State& state) {
    static const std::string archive = [] {
        const std::string base = freshDir("wells-archive");
        const std::string d = joinPath(base, "bd");
        check(initDatabase(d).ok(), "init");
        {
            Table snaps;
            check(openDatabaseTable(snaps, d, kSettingsTableFile, settingsSnapshotLayout()).ok(), "open");
            for (int w = 0; w < 100; ++w) {
                Table t;
                check(openWellTable(t, d, wellBaseName("Новое", 1, std::uint16_t(w))).ok(), "well");
                std::vector<std::vector<FieldValue>> rows;
                for (const JournalRecord& r : journalOf(w * 10000L, 10000).records) {
                    std::vector<FieldValue> v;
                    wellRowValues(r, 1, std::uint16_t(w), v);
                    rows.push_back(v);
                }
                check(t.appendRows(rows).ok(), "rows");
                std::vector<FieldValue> s(kSnapFieldCount, std::string("1"));
                s[kSnapMesto] = utf8ToCp1251("Новое").bytes;
                s[kSnapKust] = 1.0;
                s[kSnapSkv] = double(w);
                s[kSnapData] = Date{2024, 3, 1};
                s[kSnapTime] = std::string("12/00/00");
                s[kSnapNewFormat] = true;
                check(snaps.appendRow(s).ok(), "snapshot");
            }
        }
        auto db = openDb(d);
        const std::string zip = joinPath(base, "base.zip");
        check(db->createArchive(zip).ok, "archive");
        return zip;
    }();
    for (auto _ : state) {
        state.PauseTiming();
        auto db = openDb(joinPath(freshDir("wells-target"), "bd"));
        state.ResumeTiming();
        check(db->updateFromArchive(archive).ok, "update (new wells)");
        state.PauseTiming();
        const auto t0 = std::chrono::steady_clock::now();
        check(db->updateFromArchive(archive).ok, "update (merged wells)");
        state.counters["merge_all_ms"] = double(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0)
                .count());
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_AddJournalTo200kRowWell)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_SqliteInsertOrReplaceSameRows)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_ShowWellOf200kRows)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_OpenAndShowWellOf200kRows)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_DirectoryOf5000Wells)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_UpdateFromArchiveOf100WellsOf10kRows)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK_MAIN();
