// The program's own cost of a generation 4 journal read: the simulator answers at once (--fast), so
// the time per block is what the link and the transaction need around the pseudo-terminal.
#include "link/journal_transfer.h"
#include "link/posix_serial_link.h"
#include "simulator.h"

#include <benchmark/benchmark.h>

namespace {

using namespace vorsan;
using namespace vorsan::sim;

void Gen4JournalFast(benchmark::State& state) {
    SimOptions o;
    o.gen4Addresses = {1};
    o.fast = true;
    Simulator sim(o);
    if (std::string e = sim.start(); !e.empty()) {
        state.SkipWithError(e.c_str());
        return;
    }
    PosixSerialLink link;
    if (!link.open(sim.devicePath(), 9600).ok()) {
        state.SkipWithError("open failed");
        return;
    }
    for (auto _ : state) {
        const JournalRead r = readJournal4(link, 1);
        if (!r.ok()) {
            state.SkipWithError("read failed");
            break;
        }
        benchmark::DoNotOptimize(r.image.data());
    }
    state.counters["per_block"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * 256,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
    link.close();
    sim.stop();
}

BENCHMARK(Gen4JournalFast)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

BENCHMARK_MAIN();
