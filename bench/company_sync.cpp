// Syncs with the company archive on a private PostgreSQL server on this machine (its files
// synced to disk as an office server's are): the first push of 100 wells of 10,000 rows, a sync
// after one 1184-record journal was added to one well, a sync with nothing new, and the pull of
// the whole million rows into an empty database.
#include "company/company_sync.h"
#include "company/server_schema.h"
#include "db/file_io.h"
#include "settings/catalogue.h"
#include "wells/well_database_state.h"

#include "../tests/pg/private_server.h"
#include "well_bench_data.h"

#include <benchmark/benchmark.h>

using namespace vorsan;
using namespace vorsan::bench;

namespace {

constexpr int kWells = 100;
constexpr int kRowsPerWell = 10000;
constexpr int kJournal = 1184;

struct Setup {
    vorsan::test::PrivateServer server{true};
    std::unique_ptr<wells::WellDatabase> laptop;
    std::string conninfo;
    long nextRow = kRowsPerWell;
    Setup() {
        check(server.error().empty(), server.error());
        company::PgSession s;
        check(bool(s.connect(server.conninfo())), "connect");
        check(bool(s.exec("CREATE DATABASE archive")), "create database");
        conninfo = server.conninfo("postgres", "archive");
        check(bool(s.connect(conninfo)), "connect to the archive");
        check(bool(company::initServerSchema(s)), "server-init");
        laptop = openDb(db::joinPath(freshDir("company-a"), "bd"));
        for (int w = 1; w <= kWells; ++w) {
            const Journal j = journalOf(0, kRowsPerWell);
            check(laptop
                      ->addJournalQuietly("Южное",
                                          {&j, ControllerGeneration::Gen4, gen4Settings(7, std::uint16_t(w))})
                      .ok,
                  "add");
        }
    }
};

Setup& setup() {
    static Setup s;
    return s;
}

company::SyncReport sync(wells::WellDatabase& d, bool push, bool pull) {
    company::PgSession s;
    check(bool(s.connect(setup().conninfo)), "connect");
    company::SyncOptions o;
    o.push = push;
    o.pull = pull;
    const company::SyncReport r = company::syncWithArchive(d, s, o);
    check(bool(r.status), r.status.detail);
    return r;
}

void BM_FirstPushOf100WellsOf10000Rows(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state) {
        const company::SyncReport r = sync(*s.laptop, true, false);
        check(r.pushed.rows == std::size_t(kWells) * kRowsPerWell, "rows pushed: " + r.summaryLine());
    }
}
BENCHMARK(BM_FirstPushOf100WellsOf10000Rows)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SyncAfterOneJournal(benchmark::State& state) {
    Setup& s = setup();
    sync(*s.laptop, true, true); // the first push's rows are this laptop's own: nothing to pull
    int well = 1;
    for (auto _ : state) {
        state.PauseTiming();
        const Journal j = journalOf(s.nextRow, kJournal);
        s.nextRow += kJournal;
        check(s.laptop
                  ->addJournalQuietly(
                      "Южное", {&j, ControllerGeneration::Gen4, gen4Settings(7, std::uint16_t(well++))})
                  .ok,
              "add");
        state.ResumeTiming();
        const company::SyncReport r = sync(*s.laptop, true, true);
        check(r.pushed.rows == kJournal && r.pulled.rows == 0, r.summaryLine());
    }
}
BENCHMARK(BM_SyncAfterOneJournal)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SyncWithNothingNew(benchmark::State& state) {
    Setup& s = setup();
    for (auto _ : state) {
        const company::SyncReport r = sync(*s.laptop, true, true);
        check(r.pushed.rows == 0 && r.pulled.rows == 0 && r.pushed.snapshots == 0, r.summaryLine());
    }
}
BENCHMARK(BM_SyncWithNothingNew)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PullOfAMillionRowsIntoAnEmptyDatabase(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        auto empty = openDb(db::joinPath(freshDir("company-b"), "bd"));
        state.ResumeTiming();
        const company::SyncReport r = sync(*empty, false, true);
        check(r.pulled.rows >= std::size_t(kWells) * kRowsPerWell && r.pulled.wells == kWells,
              r.summaryLine());
    }
}
BENCHMARK(BM_PullOfAMillionRowsIntoAnEmptyDatabase)
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

} // namespace

BENCHMARK_MAIN();
