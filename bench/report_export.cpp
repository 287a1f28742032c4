// Printing and export: a database well of 200,000 records written as an .xlsx workbook and as the
// export text, and the page layout of a full 1184-record journal and of a settings list.
#include "journal/journal_rows.h"
#include "report/journal_export.h"
#include "report/page_layout.h"
#include "settings/catalogue.h"

#include <benchmark/benchmark.h>

#include <filesystem>
#include <sys/resource.h>

using namespace vorsan;
namespace fs = std::filesystem;

namespace {

struct Well {
    Journal journal;
    std::vector<JournalRow> rows;
};

// A measurement every 10 minutes with a stop, a start or a setting change every 50 records.
Well well(std::size_t n) {
    Well w;
    w.journal.records.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::size_t minutes = i * 10;
        JournalRecord r;
        r.year = static_cast<std::uint16_t>(2020 + minutes / (60 * 24 * 336));
        r.month = static_cast<std::uint8_t>(1 + minutes / (60 * 24 * 28) % 12);
        r.day = static_cast<std::uint8_t>(1 + minutes / (60 * 24) % 28);
        r.hour = static_cast<std::uint8_t>(minutes / 60 % 24);
        r.minute = static_cast<std::uint8_t>(minutes % 60);
        r.second = static_cast<std::uint8_t>(i % 60);
        const std::uint8_t events[] = {3, 49, kCodeSettingChange};
        r.SOBYTIE = i % 50 == 49 ? events[i / 50 % 3] : kCodeMeasurement;
        r.NUM_UST = 34;
        r.OLD_ZN = 125;
        r.NEW_ZN = 130;
        r.UAB = static_cast<std::uint16_t>(380 + i % 20);
        r.UBC = 381;
        r.UCA = 379;
        r.IA = 12.3 + static_cast<double>(i % 7);
        r.IB = 12.0;
        r.IC = 11.8;
        r.SOP = i % 13 == 0 ? 0xFFFF : 500;
        r.ZAGR = 75;
        r.COS_ = 87;
        r.P = 10;
        r.T = 50;
        w.journal.records.push_back(r);
    }
    w.rows = buildJournalRows(w.journal, ControllerGeneration::Gen4, buildCatalogue(ControllerGeneration::Gen4), ',');
    return w;
}

long maxRssKb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

void BM_WorkbookOf200000Records(benchmark::State& state) {
    const Well w = well(200000);
    const fs::path file = fs::temp_directory_path() / "vorsan_bench_export.xlsx";
    // The rows are in memory before the first write; what the peak grows by afterwards is the
    // writer's own need, which constant-memory mode keeps independent of the row count.
    const long before = maxRssKb();
    for (auto _ : state) {
        const XlsxResult r = writeJournalWorkbook(file.string(), w.journal, w.rows, {0, w.rows.size()});
        if (!r.ok) state.SkipWithError(r.error.c_str());
    }
    state.counters["peak_growth_MB"] = static_cast<double>(maxRssKb() - before) / 1024.0;
    state.counters["file_MB"] = static_cast<double>(fs::file_size(file)) / 1e6;
    fs::remove(file);
}
BENCHMARK(BM_WorkbookOf200000Records)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ExportTextOf200000Records(benchmark::State& state) {
    const Well w = well(200000);
    for (auto _ : state) benchmark::DoNotOptimize(exportText(w.rows, {0, w.rows.size()}));
}
BENCHMARK(BM_ExportTextOf200000Records)->Unit(benchmark::kMillisecond);

// An A4 page of a 1200 dpi printer with the 8-point font: w = 67, text height 156.
void BM_JournalTableOf1184Records(benchmark::State& state) {
    const Well w = well(kMaxJournalRecords);
    JournalTableInput in;
    in.journal = &w.journal;
    in.rows = &w.rows;
    in.caption = "ВОРСАН 4.074 : /data/a.VR4";
    in.wellLine = journalWellLine(12, 345);
    in.lastRow = w.rows.size();
    const PrintMetrics m{67, 156, 9638, 13557, {}};
    std::size_t pages = 0;
    for (auto _ : state) pages = layoutJournalTable(in, m).pages.size();
    state.counters["pages"] = static_cast<double>(pages);
}
BENCHMARK(BM_JournalTableOf1184Records)->Unit(benchmark::kMicrosecond);

void BM_SettingsList(benchmark::State& state) {
    const auto rows = settingsListRows(buildCatalogue(ControllerGeneration::Gen3), ',');
    const PrintMetrics m{83, 194, 9638, 13557, {}};
    for (auto _ : state) benchmark::DoNotOptimize(layoutSettingsList("Уставки:  /data/a.ust", rows, m));
}
BENCHMARK(BM_SettingsList)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
