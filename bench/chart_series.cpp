// The points of one graph series and the two diagrams for a 200,000-record database journal
// (a well's table after years of merged journals): a stop every 50 records, a start 3 records
// later, setting changes now and then, one record a minute.
#include "charts/diagrams.h"
#include "charts/graph_rules.h"
#include "charts/journal_series.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

using namespace vorsan;

namespace {

std::vector<JournalRecord> bigJournal(std::size_t n) {
    std::vector<JournalRecord> out;
    out.reserve(n);
    for (std::size_t i = 0; i < n; ++i) {
        JournalRecord r;
        const std::size_t minute = i;
        const std::size_t day = minute / 1440;
        r.year = static_cast<std::uint16_t>(2010 + day / 336);
        r.month = static_cast<std::uint8_t>(1 + day / 28 % 12);
        r.day = static_cast<std::uint8_t>(1 + day % 28);
        r.hour = static_cast<std::uint8_t>(minute / 60 % 24);
        r.minute = static_cast<std::uint8_t>(minute % 60);
        if (i % 50 == 10) {
            r.SOBYTIE = static_cast<std::uint8_t>(i / 50 % 12);
        } else if (i % 50 == 13) {
            r.SOBYTIE = 49;
        } else if (i % 97 == 5) {
            r.SOBYTIE = kCodeSettingChange;
        } else {
            r.SOBYTIE = kCodeMeasurement;
            r.UAB = static_cast<std::uint16_t>(380 + i % 17);
            r.IA = 20.0 + static_cast<double>(i % 13) / 10;
        }
        out.push_back(r);
    }
    return out;
}

const std::vector<JournalRecord>& journal200k() {
    static const auto j = bigJournal(200000);
    return j;
}

void BM_PlotJournalSeries(benchmark::State& state) {
    const auto& j = journal200k();
    for (auto _ : state) {
        auto points = plotJournalSeries(j, Channel::Uab);
        benchmark::DoNotOptimize(points.data());
    }
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * j.size()));
}
BENCHMARK(BM_PlotJournalSeries)->Unit(benchmark::kMillisecond);

// What one showing of the three-chart page computes: seven series and their axis maxima.
void BM_AllGraphsSeries(benchmark::State& state) {
    const auto& j = journal200k();
    for (auto _ : state) {
        double top = 0;
        for (Channel c : {Channel::Uab, Channel::Ubc, Channel::Uca, Channel::Ia, Channel::Ib, Channel::Ic,
                          Channel::Load})
            top += valueAxisMaximum(plotJournalSeries(j, c));
        benchmark::DoNotOptimize(top);
    }
}
BENCHMARK(BM_AllGraphsSeries)->Unit(benchmark::kMillisecond);

void BM_Diagrams(benchmark::State& state) {
    const auto& j = journal200k();
    const Stretch all{0, j.size() - 1};
    for (auto _ : state) {
        auto a = workIdleDiagram(j, all);
        auto b = stopCauseDiagram(j, all);
        benchmark::DoNotOptimize(a.data());
        benchmark::DoNotOptimize(b.data());
    }
}
BENCHMARK(BM_Diagrams)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
