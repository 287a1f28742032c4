// A well table of 200,000 rows: open and read all rows in "DATA" order, merge a 1184-row journal
// of which half matches stored rows, delete 100 rows by key and pack, rebuild the index; and the
// same merge into SQLite (an indexed table, INSERT OR REPLACE, synchronous=FULL) for comparison.
#include "db/file_io.h"
#include "db/table.h"
#include "db/well_database.h"

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

// Moment of row n: every 10 minutes from 2020-01-01 (civil date from a day count).
JournalRecord recordAt(long seconds, int code, int seed) {
    const long days = seconds / 86400 + 18262; // 1970-01-01 + 18262 = 2020-01-01
    long z = days + 719468, era = z / 146097, doe = z - era * 146097;
    long yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365,
         doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    long mp = (5 * doy + 2) / 153, d = doy - (153 * mp + 2) / 5 + 1, m = mp < 10 ? mp + 3 : mp - 9;
    JournalRecord r;
    r.year = static_cast<std::uint16_t>(yoe + era * 400 + (m <= 2));
    r.month = static_cast<std::uint8_t>(m);
    r.day = static_cast<std::uint8_t>(d);
    r.hour = static_cast<std::uint8_t>(seconds / 3600 % 24);
    r.minute = static_cast<std::uint8_t>(seconds / 60 % 60);
    r.second = static_cast<std::uint8_t>(seconds % 60);
    r.SOBYTIE = static_cast<std::uint8_t>(code);
    r.UAB = static_cast<std::uint16_t>(370 + seed % 30);
    r.UBC = 380;
    r.UCA = 381;
    r.IA = 10 + seed % 100 / 10.0;
    r.IB = 11.5;
    r.IC = 12.5;
    r.ZAGR = static_cast<std::uint16_t>(seed % 100);
    r.SOP = seed % 7 == 0 ? 65535 : static_cast<std::uint16_t>(seed % 9999);
    r.COS_ = 85;
    r.P = 40;
    r.T = 75;
    r.EXT_ZAP = code == 255 ? 1 : 0;
    return r;
}

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

// --- SQLite through dlopen (only the benchmark uses it) -------------------------------------
struct Sqlite {
    void* lib = nullptr;
    int (*open)(const char*, void**) = nullptr;
    int (*close)(void*) = nullptr;
    int (*exec)(void*, const char*, void*, void*, char**) = nullptr;
    int (*prepare)(void*, const char*, int, void**, const char**) = nullptr;
    int (*bindText)(void*, int, const char*, int, void (*)(void*)) = nullptr;
    int (*bindDouble)(void*, int, double) = nullptr;
    int (*step)(void*) = nullptr;
    int (*reset)(void*) = nullptr;
    int (*finalize)(void*) = nullptr;
    bool load() {
        lib = dlopen("libsqlite3.so.0", RTLD_NOW);
        if (!lib) return false;
        const auto sym = [&](auto& f, const char* name) {
            f = reinterpret_cast<std::remove_reference_t<decltype(f)>>(dlsym(lib, name));
        };
        sym(open, "sqlite3_open");
        sym(close, "sqlite3_close");
        sym(exec, "sqlite3_exec");
        sym(prepare, "sqlite3_prepare_v2");
        sym(bindText, "sqlite3_bind_text");
        sym(bindDouble, "sqlite3_bind_double");
        sym(step, "sqlite3_step");
        sym(reset, "sqlite3_reset");
        sym(finalize, "sqlite3_finalize");
        return open && close && exec && prepare && bindText && bindDouble && step && reset && finalize;
    }
};

Sqlite& sqlite() {
    static Sqlite s;
    static const bool ok = s.load();
    return ok ? s : *static_cast<Sqlite*>(nullptr);
}

constexpr const char* kColumns[] = {"KUST", "SKV",     "DATA", "TIME",    "UAB",    "UBC",    "UCA",
                                    "IA",   "IB",      "IC",   "ZAGR",    "SOP",    "P",      "T",
                                    "COS_", "SOBYTIE", "ADD_", "NUM_UST", "OLD_ZN", "NEW_ZN", "EXT_ZAP"};

void sqliteInsert(void* db, const std::vector<JournalRecord>& recs, bool replace) {
    Sqlite& s = sqlite();
    std::string sql = std::string(replace ? "INSERT OR REPLACE" : "INSERT") + " INTO well VALUES(?";
    for (int i = 1; i < 21; ++i)
        sql += ",?";
    sql += ")";
    void* st = nullptr;
    s.prepare(db, sql.c_str(), -1, &st, nullptr);
    s.exec(db, "BEGIN", nullptr, nullptr, nullptr);
    for (const JournalRecord& r : recs) {
        char date[16];
        std::snprintf(date, sizeof date, "%04d%02d%02d", r.year, r.month, r.day);
        const std::string time = timeText(r.hour, r.minute, r.second);
        const double nums[] = {12,
                               345,
                               0,
                               0,
                               double(r.UAB),
                               double(r.UBC),
                               double(r.UCA),
                               r.IA,
                               r.IB,
                               r.IC,
                               double(r.ZAGR),
                               double(r.SOP),
                               double(r.P),
                               double(r.T),
                               double(r.COS_),
                               double(r.SOBYTIE),
                               1,
                               double(r.NUM_UST),
                               double(r.OLD_ZN),
                               double(r.NEW_ZN),
                               double(r.EXT_ZAP)};
        for (int i = 0; i < 21; ++i)
            s.bindDouble(st, i + 1, nums[i]);
        s.bindText(st, 3, date, -1, reinterpret_cast<void (*)(void*)>(-1));
        s.bindText(st, 4, time.c_str(), -1, reinterpret_cast<void (*)(void*)>(-1));
        s.step(st);
        s.reset(st);
    }
    s.exec(db, "COMMIT", nullptr, nullptr, nullptr);
    s.finalize(st);
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
        if (&sqlite()) {
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
    if (!&sqlite()) {
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
