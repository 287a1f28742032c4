// A well table of 200,000 rows: open and read all rows in "DATA" order, merge a 1184-row journal
// of which half matches stored rows, delete 100 rows by key and pack, rebuild the index; and the
// same merge into SQLite (an indexed table, INSERT OR REPLACE, synchronous=FULL) for comparison.
#include "db/file_io.h"
#include "db/table.h"
#include "db/well_database.h"

#include "well_bench_data.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <malloc.h>
#include <new>
#include <random>
#include <string>
#include <sys/resource.h>

using namespace vorsan;
using namespace vorsan::db;
using namespace vorsan::bench;
namespace fs = std::filesystem;

// Heap accounting for the memory figure: current and peak bytes allocated through operator new.
namespace heap {
std::size_t current = 0, peak = 0;
}

void* operator new(std::size_t n) {
    void* p = std::malloc(n ? n : 1);
    if (!p) throw std::bad_alloc();
    heap::current += malloc_usable_size(p);
    heap::peak = std::max(heap::peak, heap::current);
    return p;
}
void operator delete(void* p) noexcept {
    if (p) heap::current -= malloc_usable_size(p);
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}

namespace {

constexpr int kRows = 200000;
constexpr int kJournal = 1184;

std::vector<FieldValue> values(const JournalRecord& r) {
    std::vector<FieldValue> v;
    wellRowValues(r, 12, 345, v);
    return v;
}

struct Fixture {
    std::string dir, master, work, journal, doomed, sqliteMaster, sqliteWork;
    std::uint64_t fileSize = 0;
};

void abortOn(const DbStatus& st) {
    if (!st) {
        std::fprintf(stderr, "benchmark setup failed: %s\n", st.detail.c_str());
        std::abort();
    }
}

std::vector<JournalRecord> tableRecords() {
    std::vector<JournalRecord> recs;
    recs.reserve(kRows);
    for (int i = 0; i < kRows; ++i)
        recs.push_back(recordAt(600L * i, i % 3 ? 255 : (i % 2 ? 3 : 49), i));
    return recs;
}

// Half the journal repeats stored rows (new values), half is new (moments between stored rows).
std::vector<JournalRecord> journalRecords() {
    std::vector<JournalRecord> recs;
    std::mt19937 rng(5);
    for (int i = 0; i < kJournal; ++i) {
        if (i % 2 == 0) {
            const int n = static_cast<int>(rng() % kRows);
            JournalRecord r = recordAt(600L * n, n % 3 ? 255 : (n % 2 ? 3 : 49), n);
            r.UAB = 399;
            recs.push_back(r);
        } else {
            recs.push_back(recordAt(600L * (kRows - 2000 + i) + 300, 255, i));
        }
    }
    return recs;
}

const Fixture& fixture() {
    static Fixture f = [] {
        Fixture x;
        x.dir = (fs::temp_directory_path() / "vorsan-bench-db").string();
        fs::remove_all(x.dir);
        fs::create_directories(x.dir);
        x.master = joinPath(x.dir, "master.DBF");
        x.work = joinPath(x.dir, "work.DBF");
        x.journal = joinPath(x.dir, "temp.DBF");
        x.doomed = joinPath(x.dir, "doomed.DBF");
        abortOn(Table::create(x.master, wellTableLayout()));
        const auto recs = tableRecords();
        {
            Table t;
            abortOn(t.open(x.master));
            std::vector<std::vector<FieldValue>> rows;
            rows.reserve(kRows);
            for (const auto& r : recs)
                rows.push_back(values(r));
            abortOn(t.appendRows(rows));
        }
        x.fileSize = fs::file_size(x.master);
        const auto fill = [](const std::string& path, const std::vector<JournalRecord>& rs) {
            abortOn(Table::create(path, wellTableLayout()));
            Table t;
            abortOn(t.open(path));
            std::vector<std::vector<FieldValue>> rows;
            for (const auto& r : rs)
                rows.push_back(values(r));
            abortOn(t.appendRows(rows));
        };
        fill(x.journal, journalRecords());
        std::vector<JournalRecord> doomed;
        for (int i = 0; i < 100; ++i)
            doomed.push_back(recs[static_cast<std::size_t>(i * 1999)]);
        fill(x.doomed, doomed);
        if (sqliteLib()) {
            x.sqliteMaster = joinPath(x.dir, "master.sqlite");
            x.sqliteWork = joinPath(x.dir, "work.sqlite");
            void* db = nullptr;
            sqlite().open(x.sqliteMaster.c_str(), &db);
            std::string sql = "CREATE TABLE well(";
            for (int i = 0; i < 21; ++i)
                sql += std::string(i ? "," : "") + kColumns[i];
            sql += ");CREATE INDEX data ON well(DATA,TIME);"
                   "CREATE UNIQUE INDEX datt ON well(DATA,TIME,SOBYTIE,EXT_ZAP,NUM_UST,OLD_ZN,NEW_ZN);";
            sqlite().exec(db, sql.c_str(), nullptr, nullptr, nullptr);
            sqliteInsert(db, recs, false);
            sqlite().close(db);
        }
        return x;
    }();
    // The 200 MB of scratch files go when the program ends.
    static const struct Remover {
        std::string dir;
        ~Remover() {
            std::error_code ec;
            fs::remove_all(dir, ec);
        }
    } remover{f.dir};
    return f;
}

void copyTable(const std::string& from, const std::string& to) {
    const auto cdx = [](const std::string& p) { return p.substr(0, p.size() - 4) + ".CDX"; };
    fs::copy_file(from, to, fs::copy_options::overwrite_existing);
    fs::copy_file(cdx(from), cdx(to), fs::copy_options::overwrite_existing);
}

void BM_OpenAndReadAllInDataOrder(benchmark::State& state) {
    const Fixture& f = fixture();
    std::size_t peak = 0;
    for (auto _ : state) {
        const std::size_t base = heap::current;
        heap::peak = base;
        {
            Table t;
            abortOn(t.open(f.master));
            WellRows rows;
            abortOn(readWellRows(t, rows));
            if (rows.records.size() != kRows) std::abort();
            benchmark::DoNotOptimize(rows);
        }
        peak = std::max(peak, heap::peak - base);
    }
    state.counters["file_MB"] = double(f.fileSize) / 1e6;
    state.counters["peak_heap_MB"] = double(peak) / 1e6;
    state.counters["heap_per_file"] = double(peak) / double(f.fileSize);
}

void BM_MergeJournal(benchmark::State& state) {
    const Fixture& f = fixture();
    for (auto _ : state) {
        state.PauseTiming();
        copyTable(f.master, f.work);
        Table w, j;
        abortOn(w.open(f.work));
        abortOn(j.open(f.journal));
        abortOn(w.setTag("DATt"));
        abortOn(j.setTag("DATt"));
        state.ResumeTiming();
        abortOn(w.mergeFrom(j));
        state.PauseTiming();
        if (w.count() != kRows + kJournal / 2) std::abort();
        w.close();
        state.ResumeTiming();
    }
}

void BM_DeleteHundredByKeyAndPack(benchmark::State& state) {
    const Fixture& f = fixture();
    for (auto _ : state) {
        state.PauseTiming();
        copyTable(f.master, f.work);
        Table w, d;
        abortOn(w.open(f.work));
        abortOn(d.open(f.doomed));
        abortOn(w.setTag("DATt"));
        abortOn(d.setTag("DATt"));
        state.ResumeTiming();
        abortOn(w.deleteByKey(d));
        abortOn(w.pack());
        state.PauseTiming();
        if (w.count() != kRows - 100) std::abort();
        w.close();
        state.ResumeTiming();
    }
}

// Showing a well first clears ADD in every row: a walk with one edit per row and one store.
void BM_ClearAddFlagsInEveryRow(benchmark::State& state) {
    const Fixture& f = fixture();
    for (auto _ : state) {
        state.PauseTiming();
        copyTable(f.master, f.work);
        Table w;
        abortOn(w.open(f.work));
        state.ResumeTiming();
        for (w.first(); !w.eof(); w.next())
            abortOn(w.setField(kWellAdd, false));
        abortOn(w.flush());
        state.PauseTiming();
        w.close();
        state.ResumeTiming();
    }
}

void BM_RebuildIndex(benchmark::State& state) {
    const Fixture& f = fixture();
    copyTable(f.master, f.work);
    Table w;
    abortOn(w.open(f.work));
    for (auto _ : state)
        abortOn(w.rebuildIndex());
}

void BM_SqliteMergeJournal(benchmark::State& state) {
    const Fixture& f = fixture();
    if (!sqliteLib()) {
        state.SkipWithError("libsqlite3.so.0 not found");
        return;
    }
    const auto journal = journalRecords();
    for (auto _ : state) {
        state.PauseTiming();
        fs::copy_file(f.sqliteMaster, f.sqliteWork, fs::copy_options::overwrite_existing);
        void* db = nullptr;
        sqlite().open(f.sqliteWork.c_str(), &db);
        sqlite().exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
        state.ResumeTiming();
        sqliteInsert(db, journal, true);
        state.PauseTiming();
        sqlite().close(db);
        state.ResumeTiming();
    }
}

} // namespace

BENCHMARK(BM_OpenAndReadAllInDataOrder)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_MergeJournal)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SqliteMergeJournal)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_DeleteHundredByKeyAndPack)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ClearAddFlagsInEveryRow)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_RebuildIndex)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_MAIN();
