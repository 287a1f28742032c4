// Transfers against the simulator paced at the real line speed: how close the program comes to
// the pure line time of the bytes it exchanges (counter "ratio", target at most 1.05).
#include "link/journal_transfer.h"
#include "link/posix_serial_link.h"
#include "link/recorder_transfer.h"
#include "simulator.h"

#include <benchmark/benchmark.h>

#include <chrono>

namespace {

using namespace vorsan;
using namespace vorsan::sim;

double lineSeconds(double bytes, double baud) {
    return bytes * 10.0 / baud;
}

template <typename Transfer>
void measure(benchmark::State& state, SimOptions options, double pureLineSeconds, Transfer transfer) {
    Simulator sim(options);
    if (std::string e = sim.start(); !e.empty()) {
        state.SkipWithError(e.c_str());
        return;
    }
    PosixSerialLink link;
    double total = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!transfer(link, sim)) {
            state.SkipWithError("transfer failed");
            break;
        }
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(took.count());
        total += took.count();
    }
    if (state.iterations() > 0) {
        state.counters["ratio"] = total / static_cast<double>(state.iterations()) / pureLineSeconds;
        state.counters["line_s"] = pureLineSeconds;
    }
    sim.stop();
}

// Generation 4: 256 requests of 8 bytes and replies of 133 bytes at 9600 bit/s.
void Gen4JournalAt9600(benchmark::State& state) {
    SimOptions o;
    o.gen4Addresses = {1};
    measure(state, o, lineSeconds(256.0 * (8 + 133), 9600), [](PosixSerialLink& link, Simulator& sim) {
        if (!link.open(sim.devicePath(), 9600).ok()) return false;
        const JournalRead r = readJournal4(link, 1);
        link.close();
        return r.ok();
    });
}

// The same station paced at 115200 bit/s (the recorder's fastest speed), the program's overhead
// per exchange weighing far more against 12 ms of line time per block.
void Gen4JournalAt115200(benchmark::State& state) {
    SimOptions o;
    o.gen4Addresses = {1};
    o.baud = 115200;
    o.turnaroundMs = 0;
    measure(state, o, lineSeconds(256.0 * (8 + 133), 115200), [](PosixSerialLink& link, Simulator& sim) {
        if (!link.open(sim.devicePath(), 115200).ok()) return false;
        const JournalRead r = readJournal4(link, 1);
        link.close();
        return r.ok();
    });
}

// Generation 3: the command and its echo, the 32768-byte stream, then 0xE0 and its three bytes.
void Gen3JournalAt9600(benchmark::State& state) {
    SimOptions o;
    o.gen3TypeCode = 11;
    measure(state, o, lineSeconds(1 + 1 + 32768 + 1 + 3, 9600), [](PosixSerialLink& link, Simulator& sim) {
        if (!link.open(sim.devicePath(), 9600).ok()) return false;
        const JournalRead r = readJournal3(link);
        link.close();
        return r.ok();
    });
}

// A recorder entry at 115200 bit/s: the speed code at 9600, 256 journal and 16 settings blocks and
// the speed code back at 115200.
void RecorderDownloadAt115200(benchmark::State& state) {
    SimOptions o;
    o.recorderEntries = 2;
    o.turnaroundMs = 0;
    const double pure = lineSeconds(16, 9600) + lineSeconds(256.0 * (8 + 133) + 16.0 * (8 + 37) + 16, 115200);
    measure(state, o, pure, [](PosixSerialLink& link, Simulator& sim) {
        return downloadRecorderEntry(link, sim.devicePath(), 115200, 1).ok();
    });
}

BENCHMARK(Gen4JournalAt9600)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(Gen4JournalAt115200)->Iterations(3)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(Gen3JournalAt9600)->Iterations(1)->UseManualTime()->Unit(benchmark::kSecond);
BENCHMARK(RecorderDownloadAt115200)->Iterations(2)->UseManualTime()->Unit(benchmark::kSecond);

} // namespace

BENCHMARK_MAIN();
