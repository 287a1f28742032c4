// Decoding a full generation 4 journal image (every slot used, many records in one second) with
// both ordering passes, and building its rows.
#include "journal/journal_decode.h"
#include "journal/journal_order.h"
#include "journal/journal_rows.h"
#include "settings/catalogue.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>

using namespace vorsan;

namespace {

std::uint8_t bcd(unsigned v) {
    return static_cast<std::uint8_t>(((v / 10) << 4) | (v % 10));
}

// Crowded: record i falls into second i / 30 of one minute, about forty moments of thirty records,
// so the sort meets long runs of equal keys and the same-moment pass meets its loops. Spread: four
// records a moment, one moment a minute, as a station writes them.
bool g_crowded = true;

void putDate(JournalImage& img, std::size_t at, unsigned i) {
    const unsigned s = g_crowded ? i / 30 : (i / 4) * 60 + 9;
    img[at] = bcd(s % 60);
    img[at + 1] = bcd(s / 60 % 60);
    img[at + 2] = bcd(g_crowded ? 14 : s / 3600 % 24);
    img[at + 3] = bcd(g_crowded ? 5 : 1 + s / 86400);
    img[at + 4] = bcd(3);
    img[at + 5] = bcd(24);
}

void put16(JournalImage& img, std::size_t at, std::uint16_t v) {
    img[at] = static_cast<std::uint8_t>(v & 0xFF);
    img[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

JournalImage fullImage(bool crowded) {
    g_crowded = crowded;
    JournalImage img;
    img.fill(0xFF);
    const std::uint8_t codes[] = {3, 49, 76, 140, 10, 48, 46, 0, 31, 15};
    unsigned n = 0;
    for (std::size_t i = 0; i < 128; ++i, ++n) {
        putDate(img, i * 8, (n * 7919) % 1184);
        img[i * 8 + 6] = codes[i % std::size(codes)];
    }
    for (std::size_t i = 0; i < 64; ++i, ++n) {
        const std::size_t at = 1024 + i * 16;
        putDate(img, at, (n * 7919) % 1184);
        put16(img, at + 6, static_cast<std::uint16_t>(21 + i % 77));
        put16(img, at + 8, static_cast<std::uint16_t>(i % 3));
        put16(img, at + 10, static_cast<std::uint16_t>((i + 1) % 3));
    }
    for (std::size_t i = 0; i < 960; ++i, ++n) {
        const std::size_t at = 2048 + i * 32;
        putDate(img, at, (n * 7919) % 1184);
        const std::uint16_t w[10] = {
            400, 401, 402, static_cast<std::uint16_t>(100 + i % 9000), 126, 127, 2000, 55, 12, 80};
        for (std::size_t k = 0; k < 10; ++k)
            put16(img, at + 6 + 2 * k, w[k]);
        img[at + 29] = static_cast<std::uint8_t>(i % 5 == 0 ? 255 : 87);
        img[at + 30] = static_cast<std::uint8_t>(i % 9);
        img[at + 31] = 0x55;
    }
    return img;
}

void DecodeAndOrder(benchmark::State& state) {
    const JournalImage img = fullImage(state.range(0) != 0);
    for (auto _ : state) {
        auto d = decodeJournal(img, ControllerGeneration::Gen4);
        benchmark::DoNotOptimize(d);
    }
    state.counters["records"] =
        static_cast<double>(decodeJournal(img, ControllerGeneration::Gen4).journal.count());
}

void SortOnly(benchmark::State& state) {
    const Journal decoded = decodeJournal(fullImage(true), ControllerGeneration::Gen4).journal;
    Journal shuffled = decoded;
    std::reverse(shuffled.records.begin(), shuffled.records.end());
    for (auto _ : state) {
        Journal j = shuffled;
        sortJournal(j);
        benchmark::DoNotOptimize(j);
    }
}

void BuildRows(benchmark::State& state) {
    const Journal decoded = decodeJournal(fullImage(true), ControllerGeneration::Gen4).journal;
    const SettingsCatalogue cat = buildCatalogue(ControllerGeneration::Gen4);
    for (auto _ : state) {
        state.PauseTiming();
        Journal j = decoded;
        state.ResumeTiming();
        auto rows = buildJournalRows(j, ControllerGeneration::Gen4, cat, ',');
        benchmark::DoNotOptimize(rows);
    }
}

} // namespace

BENCHMARK(DecodeAndOrder)
    ->ArgName("crowded")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(9)
    ->ReportAggregatesOnly(true);
BENCHMARK(SortOnly)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK(BuildRows)->Unit(benchmark::kMicrosecond)->Repetitions(9)->ReportAggregatesOnly(true);
BENCHMARK_MAIN();
